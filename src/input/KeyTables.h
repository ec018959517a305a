// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace kavora {

// A modifier key pressed around a key stroke: the bits of the HID boot-keyboard modifier byte that
// select it (left and right key alike), the event flag it sets and the Mac key code pressed for it.
struct ModifierKey {
    std::uint8_t hidBits;
    std::uint64_t eventFlag;
    std::uint16_t virtualKey;
};

// In press order: Control, Shift, Option, Command. Releases go in the reverse order.
extern const std::array<ModifierKey, 4> kModifierKeys;

// The Mac virtual key code (ANSI layout) of a USB HID Keyboard/Keypad usage, or nothing for a usage
// the controller's keyboard does not map.
std::optional<std::uint16_t> keyCodeForUsage(std::uint8_t usage);

} // namespace kavora
