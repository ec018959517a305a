// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/ReceiverOptions.h"

#include "support/CapturingLog.h"
#include "support/InMemoryUserDefaults.h"

#include <gtest/gtest.h>

#include <optional>

namespace kavora::test {
namespace {

TEST(ListenPort, TheCommandLineThenTheSettingThenAnyFreePort)
{
    // What it shows; --port; the stored setting; the port listened on; whether the setting is
    // reported as unusable.
    const std::tuple<const char*, std::uint16_t, std::optional<nlohmann::json>, std::uint16_t, bool>
        rows[] = {
            { "nothing fixed: any free port", 0, std::nullopt, 0, false },
            { "the setting fixes it for a firewall rule", 0, 47800, 47800, false },
            { "the lowest port", 0, 1, 1, false },
            { "the highest port", 0, 65535, 65535, false },
            { "--port wins over the setting", 7700, 47800, 7700, false },
            { "zero is no port", 0, 0, 0, true },
            { "out of range", 0, 65536, 0, true },
            { "negative", 0, -5, 0, true },
            { "a string", 0, "47800", 0, true },
            { "a fraction", 0, 47800.5, 0, true },
        };
    for (const auto& [shows, commandLine, stored, port, logged] : rows) {
        InMemoryUserDefaults defaults;
        if (stored)
            defaults.setObject(kListenPortKey, *stored);
        CapturingLog log;
        ReceiverOptions options;
        options.port = commandLine;
        EXPECT_EQ(listenPort(options, defaults, log), port) << shows;
        EXPECT_EQ(log.lines.size(), logged ? 1U : 0U) << shows;
    }
}

} // namespace
} // namespace kavora::test
