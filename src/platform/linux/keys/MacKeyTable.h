// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <optional>

namespace kavora {

// Where a Mac virtual key (ANSI layout) lives on a Linux keyboard: the key in the same position,
// and what that key produces unshifted on a US layout.
struct MacKeyPlace {
    std::uint16_t evdev = 0; // the Linux input event code of the key
    std::uint32_t keysym = 0; // a keysym (X11 and xkbcommon number them alike)
};

// The place of a Mac virtual key code, or nothing for codes that have no key on a PC keyboard
// (gaps in the Mac numbering, and Fn, whose Linux code is beyond the X keycode range).
std::optional<MacKeyPlace> macKeyPlace(std::uint16_t macKey);

// Whether a Mac key sits at this evdev position (such keys are never lent for other symbols).
bool isMacKeyPosition(std::uint16_t evdev);

// X servers with evdev keycodes number their keys as the Linux input codes plus this offset.
constexpr int kEvdevKeycodeOffset = 8;

// Whether a keysym is a printable ASCII character, the label of a character key.
constexpr bool isCharacterKeysym(std::uint32_t keysym)
{
    return keysym >= 0x20 && keysym <= 0x7e;
}

} // namespace kavora
