// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "input/KeyTables.h"

#include <gtest/gtest.h>

#include <map>

namespace kavora {
namespace {

// Every usage of the HID Keyboard/Keypad page against the Mac virtual key code (ANSI layout) of
// the same key; usages not listed have none.
TEST(KeyTables, EveryUsageHasTheKeyCodeOfItsKeyOrNone)
{
    // clang-format off
    const std::map<int, int> codes {
        // a-z
        { 0x04, 0 }, { 0x05, 11 }, { 0x06, 8 }, { 0x07, 2 }, { 0x08, 14 }, { 0x09, 3 }, { 0x0A, 5 },
        { 0x0B, 4 }, { 0x0C, 34 }, { 0x0D, 38 }, { 0x0E, 40 }, { 0x0F, 37 }, { 0x10, 46 },
        { 0x11, 45 }, { 0x12, 31 }, { 0x13, 35 }, { 0x14, 12 }, { 0x15, 15 }, { 0x16, 1 },
        { 0x17, 17 }, { 0x18, 32 }, { 0x19, 9 }, { 0x1A, 13 }, { 0x1B, 7 }, { 0x1C, 16 }, { 0x1D, 6 },
        // 1-9, 0
        { 0x1E, 18 }, { 0x1F, 19 }, { 0x20, 20 }, { 0x21, 21 }, { 0x22, 23 }, { 0x23, 22 },
        { 0x24, 26 }, { 0x25, 28 }, { 0x26, 25 }, { 0x27, 29 },
        // Return, Escape, Backspace, Tab, Space, minus, equals, [, ]
        { 0x28, 36 }, { 0x29, 53 }, { 0x2A, 51 }, { 0x2B, 48 }, { 0x2C, 49 }, { 0x2D, 27 },
        { 0x2E, 24 }, { 0x2F, 33 }, { 0x30, 30 },
        // F1-F5; Right, Left, Down, Up
        { 0x3A, 122 }, { 0x3B, 120 }, { 0x3C, 99 }, { 0x3D, 118 }, { 0x3E, 96 },
        { 0x4F, 124 }, { 0x50, 123 }, { 0x51, 125 }, { 0x52, 126 },
    };
    // clang-format on
    for (int usage = 0; usage <= 0xFF; ++usage) {
        const auto found = codes.find(usage);
        const auto expected = found == codes.end()
            ? std::nullopt
            : std::optional<std::uint16_t>(static_cast<std::uint16_t>(found->second));
        EXPECT_EQ(keyCodeForUsage(static_cast<std::uint8_t>(usage)), expected) << usage;
    }
}

} // namespace
} // namespace kavora
