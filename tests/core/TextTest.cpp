// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/Text.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kavora {
namespace {

TEST(Utf8, DecodesOnlyWellFormedSequences)
{
    struct Row {
        const char* shows;
        std::string_view bytes;
        char32_t codePoint; // both 0 when the bytes are malformed
        std::size_t length;
    };
    const Row rows[] = {
        { "ASCII", "A", 'A', 1 },
        { "empty text", "", 0, 0 },
        { "two bytes ending in 0x80", "\xC3\x80", 0xC0, 2 },
        { "highest two-byte character uses every lead bit", "\xDF\xBF", 0x7FF, 2 },
        { "lowest three-byte character", "\xE0\xA0\x80", 0x800, 3 },
        { "just below the surrogates", "\xED\x9F\xBF", 0xD7FF, 3 },
        { "lead EF", "\xEF\xBF\xBD", 0xFFFD, 3 },
        { "U+10000, the first four-byte character", "\xF0\x90\x80\x80", 0x10000, 4 },
        { "U+10FFFF, the last character", "\xF4\x8F\xBF\xBF", 0x10FFFF, 4 },
        { "lone continuation byte", "\x80", 0, 0 },
        { "overlong two bytes (C0)", "\xC0\xAF", 0, 0 },
        { "overlong two bytes (C1)", "\xC1\xBF", 0, 0 },
        { "overlong three bytes", "\xE0\x9F\xBF", 0, 0 },
        { "overlong four bytes", "\xF0\x8F\xBF\xBF", 0, 0 },
        { "first surrogate", "\xED\xA0\x80", 0, 0 },
        { "above U+10FFFF", "\xF4\x90\x80\x80", 0, 0 },
        { "lead F5", "\xF5\x80\x80\x80", 0, 0 },
        { "cut-off sequence", "\xE3\x81", 0, 0 },
        { "second byte not a continuation", "\xC3\x41", 0, 0 },
        { "third byte just above the continuation bytes", "\xE3\x81\xC0", 0, 0 },
        { "fourth byte not a continuation", "\xF0\x90\x80\x41", 0, 0 },
    };
    for (const auto& row : rows) {
        const auto decoded = decodeUtf8(row.bytes);
        EXPECT_EQ(decoded.codePoint, row.codePoint) << row.shows;
        EXPECT_EQ(decoded.length, row.length) << row.shows;
        EXPECT_EQ(isValidUtf8(row.bytes), row.length == row.bytes.size()) << row.shows;
    }
}

TEST(Utf8, ConvertsAndCuts)
{
    EXPECT_EQ(utf16Units("aあ\xEF\xBF\xBF"), u"aあ\uFFFF");
    EXPECT_EQ(utf16Units("\xF0\x90\x80\x80"), u"\xD800\xDC00"); // U+10000 needs a pair
    EXPECT_EQ(utf16Units("\xF4\x8F\xBF\xBF"), u"\xDBFF\xDFFF");
    // One U+FFFD for each malformed byte.
    EXPECT_EQ(utf16Units("a\xE3\x81z"), u"a\uFFFD\uFFFDz");

    EXPECT_EQ(latin1ToUtf8("Caf\xE9 \xFF\x80"), "Café ÿ\xC2\x80");
    std::string ascii = "@AZ[`az{\xC9";
    std::transform(ascii.begin(), ascii.end(), ascii.begin(), asciiLowercase);
    EXPECT_EQ(ascii, "@az[`az{\xC9");

    EXPECT_EQ(truncateUtf8("あい", 6), "あい"); // exactly at the limit
    EXPECT_EQ(truncateUtf8("あい", 5), "あ"); // a character one byte past it is left out
    EXPECT_EQ(truncateUtf8("a\x80\xC0\xAFyz", 3), "ayz"); // malformed bytes are dropped first
}

TEST(Text, TrimsWhitespaceAndNewlines)
{
    // Tabs and every space separator go; line breaks stay unless newlines are trimmed too.
    EXPECT_EQ(trimWhitespace("\t\u3000\u1680\u2000\u200Ax\u202F\u205F\u00A0 "), "x");
    EXPECT_EQ(trimWhitespace("\nx\u2028"), "\nx\u2028");
    EXPECT_EQ(trimWhitespaceAndNewlines("\n\v\f\r\u0085 x\u2028\u2029\t"), "x");
    EXPECT_EQ(trimWhitespaceAndNewlines(" \n "), "");
    // A zero-width space is no whitespace, and a malformed byte counts as text.
    EXPECT_EQ(trimWhitespaceAndNewlines("\u200Bx \xFF "), "\u200Bx \xFF");
}

TEST(Text, SafeTextIsOneVisibleLineWithinItsLimit)
{
    const auto bytes = TextLimit::bytes;
    const auto characters = TextLimit::characters;
    struct Row {
        const char* shows;
        std::string_view text;
        TextLimit limit;
        std::string expected;
    };
    // clang-format off
    const Row rows[] = {
        { "ordinary text, Japanese, markup and joined emoji kept", "Kenji's <b>iPad</b> 田中 👩\u200D💻", bytes(63), "Kenji's <b>iPad</b> 田中 👩\u200D💻" },
        { "malformed bytes", "a\xC0\xAF\xED\xA0\x80\xFFz", bytes(63), "az" },
        { "a malformed byte goes alone", "\xFFzy", bytes(63), "zy" },
        { "C0 controls, DEL and C1 controls", "a\x01\x1B\x1F\x7F\u0080\u009Fb", bytes(63), "ab" },
        { "embeddings and overrides", "a\u202A\u202B\u202C\u202D\u202Eb", bytes(63), "ab" },
        { "isolates", "a\u2066\u2067\u2068\u2069b", bytes(63), "ab" },
        { "LRM and RLM", "a\u200E\u200Fb", bytes(63), "ab" },
        { "ALM", "a\u061Cb", bytes(63), "ab" },
        { "line separator alone", "a\u2028b", bytes(63), "a b" },
        { "paragraph separator alone", "a\u2029b", bytes(63), "a b" },
        { "a run of breaks and tabs is one space", "a\r\n\u202E\t\u0085b", bytes(63), "a b" },
        { "ends trimmed", "\n \u3000a b\t\u200F ", bytes(63), "a b" },
        { "nothing visible", "\u202E\n\x01 ", bytes(63), "" },
        { "bytes exactly at the limit", "あい", bytes(6), "あい" },
        { "bytes one past the limit", "あいう", bytes(7), "あい" },
        { "characters exactly at the limit", "aあ😀", characters(3), "aあ😀" },
        { "characters one past the limit", "aあ😀b", characters(3), "aあ😀" },
        { "the limit counts what is shown", "\n \u202Ea\u202Db", bytes(2), "ab" },
        { "a space left at the cut is trimmed", "ab cd", characters(3), "ab" },
    };
    // clang-format on
    for (const auto& row : rows) {
        const auto shown = safeText(row.text, row.limit);
        EXPECT_EQ(shown, row.expected) << row.shows;
        EXPECT_EQ(safeText(shown, row.limit), shown) << row.shows << " (applied twice)";
    }
}

} // namespace
} // namespace kavora
