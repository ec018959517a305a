#include "link/PeerDisplayName.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

std::string repeat(std::string_view unit, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += unit;
    return text;
}

TEST(PeerDisplayNameTest, FitsSixtyThreeBytes)
{
    struct Row {
        const char* shows;
        std::string computer;
        std::string expected;
    };
    const std::vector<Row> rows {
        { "short name kept", "Office iMac", "Office iMac-Mac" },
        { "59 bytes is exactly the room", repeat("a", 59), repeat("a", 59) + "-Mac" },
        { "60 bytes loses one", repeat("a", 60), repeat("a", 59) + "-Mac" },
        { "a character straddling the limit is left out whole", repeat("a", 58) + "é",
          repeat("a", 58) + "-Mac" },
        { "empty computer name", "", "-Mac" },
    };
    for (const auto& row : rows) {
        const auto name = peerDisplayName(row.computer);
        EXPECT_EQ(name, row.expected) << row.shows;
        EXPECT_LE(name.size(), kMaxPeerDisplayNameBytes) << row.shows;
    }
}

} // namespace
} // namespace kavora
