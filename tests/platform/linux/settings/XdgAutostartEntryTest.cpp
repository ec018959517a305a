// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/settings/XdgAutostartEntry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavora {
namespace {

TEST(DesktopExecValue, QuotesAndEscapesWhatTheEntryFormatReserves)
{
    struct Row {
        const char* shows;
        std::vector<std::string> arguments;
        const char* value;
    };
    // clang-format off
    const std::vector<Row> rows {
        { "plain words stay bare", { "/usr/bin/kavora", "--autostart" }, "/usr/bin/kavora --autostart" },
        { "a space is quoted", { "/home/a b/kavora" }, "\"/home/a b/kavora\"" },
        { "a field code is not one", { "/opt/100%/kavora" }, "/opt/100%%/kavora" },
        { "quote, dollar and backquote are escaped inside quotes", { "/x/\"$`" }, "\"/x/\\\\\"\\\\$\\\\`\"" },
        { "a backslash is escaped twice", { "/x\\y" }, "\"/x\\\\\\\\y\"" },
        { "an empty argument is kept", { "kavora", "" }, "kavora \"\"" },
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(desktopExecValue(row.arguments), row.value) << row.shows;
}

} // namespace
} // namespace kavora
