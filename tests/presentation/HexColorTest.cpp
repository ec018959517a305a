// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/HexColor.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

TEST(HexColor, ReadsTheNumberTheWayThePresetsWereAlwaysRead)
{
    const std::tuple<const char*, std::string, Rgb> rows[] = {
        { "the brand colour", "3B9EDB", kBrandColor },
        { "lower case", "af52de", { 0xAF, 0x52, 0xDE } },
        { "leading white space and a 0x prefix", " \t\n\r\v\f0xFF9500", { 0xFF, 0x95, 0x00 } },
        { "digits run until the first other character", "34A853zz", { 0x34, 0xA8, 0x53 } },
        { "a hash is not a digit: black", "#3B9EDB", { 0, 0, 0 } },
        { "empty: black", "", { 0, 0, 0 } },
        { "a word: black", "red", { 0, 0, 0 } },
        { "only the low 24 bits count", "12345678", { 0x34, 0x56, 0x78 } },
        { "sixteen digits fill 64 bits", "8000000000123456", { 0x12, 0x34, 0x56 } },
        { "the largest value that takes one more digit", "FFFFFFFFFFFFFFF0", { 0xFF, 0xFF, 0xF0 } },
        { "seventeen digits saturate", "10000000000000000", { 0xFF, 0xFF, 0xFF } },
        { "a lone 0x is the digit 0", "0x", { 0, 0, 0 } },
    };
    for (const auto& [shows, text, color] : rows)
        EXPECT_EQ(colorFromHex(text), color) << shows;
}

} // namespace
} // namespace kavora
