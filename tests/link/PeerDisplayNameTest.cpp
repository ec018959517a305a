// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "link/PeerDisplayName.h"

#include "support/FixedHostNames.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

TEST(PeerDisplayName, ComputerNameIsThePrettyNameThenTheHostNameThenMac)
{
    EXPECT_EQ(computerName(FixedHostNames("Kenji's ThinkPad", "kenji-tp")), "Kenji's ThinkPad");
    EXPECT_EQ(computerName(FixedHostNames("", "kenji-tp")), "kenji-tp");
    EXPECT_EQ(computerName(FixedHostNames("", "")), "Mac");
}

TEST(PeerDisplayName, FitsSixtyThreeBytes)
{
    const std::string a58(58, 'a');
    struct Row {
        const char* shows;
        std::string computer;
        std::string expected;
    };
    const Row rows[] = {
        { "short name kept", "Office iMac", "Office iMac-Mac" },
        { "59 bytes is exactly the room", a58 + "a", a58 + "a-Mac" },
        { "60 bytes loses one", a58 + "aa", a58 + "a-Mac" },
        { "a character straddling the limit is left out whole", a58 + "é", a58 + "-Mac" },
        { "empty computer name", "", "-Mac" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(peerDisplayName(row.computer), row.expected) << row.shows;
}

} // namespace
} // namespace kavora::test
