// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/ConnectionStatus.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

TEST(ConnectionStatus, TextAndDotFollowConnectionThenAdvertising)
{
    // clang-format off
    const std::tuple<const char*, ConnectionStatus, std::string, StatusDot> rows[] = {
        { "off", { false, false, std::nullopt }, "オフ", StatusDot::Grey },
        { "waiting while advertising", { false, true, std::nullopt }, "接続を待機中…", StatusDot::Yellow },
        { "connected with a name", { true, false, "Pad" }, "接続中 · Pad", StatusDot::Brand },
        { "connected without a name has no separator", { true, false, std::nullopt }, "接続中", StatusDot::Brand },
        { "connected wins over advertising", { true, true, "Pad" }, "接続中 · Pad", StatusDot::Brand },
        { "an empty name is still a name", { true, true, "" }, "接続中 · ", StatusDot::Brand },
        { "a stale name while off is not shown", { false, false, "Pad" }, "オフ", StatusDot::Grey },
    };
    // clang-format on
    for (const auto& [shows, status, text, dot] : rows) {
        EXPECT_EQ(statusText(status), text) << shows;
        EXPECT_EQ(statusDot(status), dot) << shows;
    }
}

TEST(ConnectionStatus, SectionValuesAndSwitchLabel)
{
    EXPECT_EQ(connectionStateText(true) + connectionStateText(false), "接続中未接続");
    EXPECT_EQ(accessibilityStateText(true) + accessibilityStateText(false), "許可済み未許可");
    EXPECT_EQ(advertisingSwitchText(true) + advertisingSwitchText(false), "オンオフ");
}

} // namespace
} // namespace kavora
