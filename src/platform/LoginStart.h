// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>

namespace kavora {

// Whether the session starts the desktop program when the user logs in.
class LoginStart {
public:
    virtual ~LoginStart() = default;

    // Asked afresh on every call: the user may change it outside the program.
    virtual bool isEnabled() const = 0;
    // Returns what went wrong, or nothing.
    virtual std::optional<std::string> setEnabled(bool enabled) = 0;
};

} // namespace kavora
