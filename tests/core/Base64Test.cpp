// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/Base64.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

TEST(Base64, EncodesWithPadding)
{
    EXPECT_EQ(encodeBase64({}), "");
    EXPECT_EQ(encodeBase64({ 'f' }), "Zg==");
    EXPECT_EQ(encodeBase64({ 'f', 'o' }), "Zm8=");
    EXPECT_EQ(encodeBase64({ 'f', 'o', 'o' }), "Zm9v");
    EXPECT_EQ(encodeBase64({ 'f', 'o', 'o', 'b' }), "Zm9vYg==");
    EXPECT_EQ(encodeBase64({ 0xFB, 0xFF, 0xBF }), "+/+/");
}

TEST(Base64, EveryByteSequenceRoundTrips)
{
    Bytes bytes;
    for (int i = 0; i < 300; ++i) {
        const auto decoded = decodeBase64(encodeBase64(bytes));
        ASSERT_TRUE(decoded) << i;
        EXPECT_EQ(*decoded, bytes);
        bytes.push_back(static_cast<std::uint8_t>(i * 7 + 3));
    }
}

TEST(Base64, RejectsNonCanonicalText)
{
    const std::pair<const char*, std::string_view> rows[] = {
        { "missing padding", "Zg" },
        { "short padding", "Zg=" },
        { "too much padding", "Z===" },
        { "padding in the middle", "Zg==Zm9v" },
        { "padding first", "=Zm9" },
        { "unused bits set", "Zh==" },
        { "unused bits set before one pad", "Zm9=" },
        { "line break", "Zm9v\nYg==" },
        { "trailing newline", "Zm9v\n" },
        { "URL alphabet", "-_-_" },
        { "non-ASCII", "Zm9\xC3" },
        { "NUL byte", std::string_view("Zm9\0", 4) },
    };
    for (const auto& [name, text] : rows)
        EXPECT_FALSE(decodeBase64(text).has_value()) << name;
}

TEST(Base64, UrlFormSwapsTheTwoDigitsAndDropsPadding)
{
    const Bytes bytes { 0xFB, 0xFF, 0xBF, 0x00 };
    EXPECT_EQ(encodeBase64(bytes), "+/+/AA==");
    EXPECT_EQ(encodeBase64Url(bytes), "-_-_AA");
    EXPECT_EQ(decodeBase64Url("-_-_AA"), bytes);
    const std::pair<const char*, std::string_view> rows[] = {
        { "standard alphabet", "+/+/AA" },
        { "padding", "-_-_AA==" },
        { "impossible length", "-_-_A" },
        { "unused bits set", "-_-_AB" },
    };
    for (const auto& [name, text] : rows)
        EXPECT_FALSE(decodeBase64Url(text).has_value()) << name;
}

} // namespace
} // namespace kavora
