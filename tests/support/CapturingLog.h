// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Log.h"

#include <string>
#include <vector>

namespace kavora::test {

// Keeps every log line so that tests can assert the exact texts.
class CapturingLog final : public Log {
public:
    void line(std::string_view text) override { lines.emplace_back(text); }

    std::vector<std::string> lines;
};

} // namespace kavora::test
