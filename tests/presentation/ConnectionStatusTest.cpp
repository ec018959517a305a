#include "presentation/ConnectionStatus.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

TEST(ConnectionStatus, TextAndDotFollowConnectionThenAdvertising)
{
    struct Row {
        const char* shows;
        ConnectionStatus status;
        std::string text;
        StatusDot dot;
    };
    // clang-format off
    const Row rows[] = {
        { "off", { false, false, std::nullopt }, "オフ", StatusDot::Grey },
        { "waiting while advertising", { false, true, std::nullopt }, "接続を待機中…", StatusDot::Yellow },
        { "connected with a name", { true, false, "Pad" }, "接続中 · Pad", StatusDot::Brand },
        { "connected without a name has no separator", { true, false, std::nullopt }, "接続中", StatusDot::Brand },
        { "connected wins over advertising", { true, true, "Pad" }, "接続中 · Pad", StatusDot::Brand },
        { "an empty name is still a name", { true, true, "" }, "接続中 · ", StatusDot::Brand },
        { "a stale name while off is not shown", { false, false, "Pad" }, "オフ", StatusDot::Grey },
    };
    // clang-format on
    for (const auto& row : rows) {
        EXPECT_EQ(statusText(row.status), row.text) << row.shows;
        EXPECT_EQ(statusDot(row.status), row.dot) << row.shows;
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
