// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string_view>

namespace kavora {

// The system log: one plain text line per call, no levels.
class Log {
public:
    virtual ~Log() = default;
    virtual void line(std::string_view text) = 0;
};

} // namespace kavora
