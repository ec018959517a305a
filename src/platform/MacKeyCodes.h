// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>

// Mac virtual key codes (ANSI layout) of the keys the code presses or recognises by name: the
// modifier keys and the keys of the chords the desktop knows under another name. The tables that
// map every key (HID usages, Linux key positions) list the rest by number.
namespace kavora::mackey {
constexpr std::uint16_t k4 = 21;
constexpr std::uint16_t kRightBracket = 30;
constexpr std::uint16_t kLeftBracket = 33;
constexpr std::uint16_t kTab = 48;
constexpr std::uint16_t kSpace = 49;
constexpr std::uint16_t kRightCommand = 54;
constexpr std::uint16_t kCommand = 55;
constexpr std::uint16_t kShift = 56;
constexpr std::uint16_t kOption = 58;
constexpr std::uint16_t kControl = 59;
constexpr std::uint16_t kRightShift = 60;
constexpr std::uint16_t kRightOption = 61;
constexpr std::uint16_t kRightControl = 62;
constexpr std::uint16_t kFunction = 63;
} // namespace kavora::mackey
