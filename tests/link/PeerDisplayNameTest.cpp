#include "link/PeerDisplayName.h"
#include "core/Text.h"

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
        { "three-byte characters stop before the boundary", repeat("あ", 20),
          repeat("あ", 19) + "-Mac" },
        { "four-byte characters", repeat("😀", 15), repeat("😀", 14) + "-Mac" },
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

TEST(PeerDisplayNameTest, TruncateDropsMalformedBytes)
{
    struct Row {
        const char* shows;
        std::string text;
        std::size_t limit;
        std::string expected;
    };
    const std::vector<Row> rows {
        { "lone continuation byte",
          "a\x80"
          "b",
          10, "ab" },
        { "cut-off sequence at the end", "ab\xe3\x81", 10, "ab" },
        { "overlong slash",
          "a\xc0\xaf"
          "b",
          10, "ab" },
        { "encoded surrogate",
          "a\xed\xa0\x80"
          "b",
          10, "ab" },
        { "beyond U+10FFFF",
          "a\xf4\x90\x80\x80"
          "b",
          10, "ab" },
        { "zero limit", "abc", 0, "" },
        { "exact fit", "あい", 6, "あい" },
        { "one byte short", "あい", 5, "あ" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(truncateUtf8(row.text, row.limit), row.expected) << row.shows;
}

} // namespace
} // namespace kavora
