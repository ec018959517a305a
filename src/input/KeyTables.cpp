// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "input/KeyTables.h"

#include "platform/EventServices.h"
#include "platform/MacKeyCodes.h"
#include "protocol/HidKeyboard.h"

namespace kavora {

const std::array<ModifierKey, 4> kModifierKeys { {
    { hidmodifier::kControlKeys, eventflag::kControl, mackey::kControl },
    { hidmodifier::kShiftKeys, eventflag::kShift, mackey::kShift },
    { hidmodifier::kOptionKeys, eventflag::kAlternate, mackey::kOption },
    { hidmodifier::kCommandKeys, eventflag::kCommand, mackey::kCommand },
} };

namespace {

constexpr std::uint8_t kFirstUsage = 0x04;
constexpr std::uint8_t kLastUsage = 0x52;
constexpr std::int16_t kNone = -1;

// Indexed by usage − 0x04. Backslash to Caps Lock and F6 to Page Down have no code by design.
// clang-format off
constexpr std::array<std::int16_t, kLastUsage - kFirstUsage + 1> kUsageCodes { {
    // 0x04-0x1D: a-z
    0, 11, 8, 2, 14, 3, 5, 4, 34, 38, 40, 37, 46, 45, 31, 35, 12, 15, 1, 17, 32, 9, 13, 7, 16, 6,
    // 0x1E-0x27: 1-9, 0
    18, 19, 20, 21, 23, 22, 26, 28, 25, 29,
    // 0x28-0x30: Return, Escape, Backspace, Tab, Space, minus, equals, [, ]
    36, 53, 51, 48, 49, 27, 24, 33, 30,
    // 0x31-0x39: backslash, non-US hash, semicolon, quote, grave, comma, period, slash, Caps Lock
    kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone,
    // 0x3A-0x3E: F1-F5
    122, 120, 99, 118, 96,
    // 0x3F-0x4E: F6-F12, Print Screen, Scroll Lock, Pause, Insert, Home, Page Up, Delete Forward,
    // End, Page Down
    kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone,
    kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone,
    // 0x4F-0x52: Right, Left, Down, Up
    124, 123, 125, 126,
} };
// clang-format on
// A short initialiser list would leave the last rows zero (key code of "a") without a word.
static_assert(kUsageCodes.back() == 126, "the usage table must reach Up Arrow (0x52)");

} // namespace

std::optional<std::uint16_t> keyCodeForUsage(std::uint8_t usage)
{
    if (usage < kFirstUsage || usage > kLastUsage)
        return std::nullopt;
    const auto code = kUsageCodes[usage - kFirstUsage];
    if (code == kNone)
        return std::nullopt;
    return static_cast<std::uint16_t>(code);
}

} // namespace kavora
