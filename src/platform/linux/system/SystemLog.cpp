// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/system/SystemLog.h"

#include <string>

#include <syslog.h>

namespace kavora {

SystemLog::SystemLog(std::FILE* stream)
    : stream_(stream)
{
    static std::once_flag opened;
    std::call_once(opened, [] { ::openlog("kavora", LOG_PID, LOG_USER); });
}

void SystemLog::line(std::string_view text)
{
    std::string single(text);
    for (auto& c : single) {
        if (c == '\n' || c == '\r' || c == '\0')
            c = ' ';
    }
    std::lock_guard lock(mutex_);
    ::syslog(LOG_NOTICE, "%s", single.c_str());
    if (stream_ != nullptr) {
        // A copy of the log that cannot be written has nowhere to report it.
        (void)std::fputs(single.c_str(), stream_);
        (void)std::fputc('\n', stream_);
        (void)std::fflush(stream_);
    }
}

} // namespace kavora
