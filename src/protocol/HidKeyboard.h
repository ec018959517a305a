// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>

namespace kavora {

// The USB HID keyboard terms a key stroke travels in (keyDown, shortcut actions).

// Bits of the boot-keyboard modifier byte.
namespace hidmodifier {
constexpr std::uint8_t kLeftControl = 0x01;
constexpr std::uint8_t kLeftShift = 0x02;
constexpr std::uint8_t kLeftOption = 0x04;
constexpr std::uint8_t kLeftCommand = 0x08;
constexpr std::uint8_t kRightControl = 0x10;
constexpr std::uint8_t kRightShift = 0x20;
constexpr std::uint8_t kRightOption = 0x40;
constexpr std::uint8_t kRightCommand = 0x80;
// Both keys of a pair: either one stands for the modifier.
constexpr std::uint8_t kControlKeys = kLeftControl | kRightControl;
constexpr std::uint8_t kShiftKeys = kLeftShift | kRightShift;
constexpr std::uint8_t kOptionKeys = kLeftOption | kRightOption;
constexpr std::uint8_t kCommandKeys = kLeftCommand | kRightCommand;
} // namespace hidmodifier

// Usage ids of the Keyboard/Keypad page that the receiver sends or presses by name.
namespace hidusage {
constexpr std::uint8_t kA = 0x04;
constexpr std::uint8_t kC = 0x06;
constexpr std::uint8_t kF = 0x09;
constexpr std::uint8_t kS = 0x16;
constexpr std::uint8_t kV = 0x19;
constexpr std::uint8_t kW = 0x1A;
constexpr std::uint8_t kZ = 0x1D;
constexpr std::uint8_t k4 = 0x21;
constexpr std::uint8_t kTab = 0x2B;
constexpr std::uint8_t kSpace = 0x2C;
constexpr std::uint8_t kMinus = 0x2D;
constexpr std::uint8_t kEquals = 0x2E;
constexpr std::uint8_t kLeftBracket = 0x2F;
constexpr std::uint8_t kRightBracket = 0x30;
} // namespace hidusage

} // namespace kavora
