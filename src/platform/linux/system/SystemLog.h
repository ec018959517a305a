// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Log.h"

#include <cstdio>
#include <mutex>

namespace kavora {

// The production log: every line goes to the system log (syslog, so journald on most desktops)
// and to standard error. Line breaks inside a text become spaces, so one call is one line.
class SystemLog final : public Log {
public:
    // stream: where the copy goes, standard error unless a test says otherwise.
    explicit SystemLog(std::FILE* stream = stderr);

    void line(std::string_view text) override;

private:
    std::FILE* stream_;
    std::mutex mutex_;
};

} // namespace kavora
