// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/InputSettings.h"

#include <cstdint>
#include <optional>

namespace kavora {

// The modifier keys a chord holds around its key, as a bit set.
namespace keymodifier {
constexpr std::uint8_t kShift = 0x1;
constexpr std::uint8_t kControl = 0x2;
constexpr std::uint8_t kAlt = 0x4;
constexpr std::uint8_t kSuper = 0x8;
} // namespace keymodifier

// How the key of a chord is found on the current keyboard layout.
enum class KeyLookup : std::uint8_t {
    // The key at the evdev position, as the Mac code is positional.
    Position,
    // The key whose unshifted symbol is the keysym in the current layout, so that a shortcut
    // follows the letter and not the position; the position when no key has it unshifted.
    CharacterFirst,
    // Any key producing the keysym; the evdev position when none does and a position is given;
    // otherwise a spare key bound to the keysym.
    Keysym,
};

// A Mac key stroke as the Linux desktop expects it.
struct KeyChord {
    std::uint8_t modifiers = 0; // keymodifier bits
    KeyLookup lookup = KeyLookup::Position;
    std::uint32_t keysym = 0;
    std::uint16_t evdev = 0; // 0: no position
    friend bool operator==(const KeyChord&, const KeyChord&) = default;
};

// Translates a Mac key with its modifier flags into the Linux chord with the same meaning.
// Command acts as Control (or Super, by role) and Option as Alt; the chords the desktop knows
// under another name become that one: Command+[ and ] go back and forward (Alt+Left, Alt+Right),
// Command+Space opens the launcher search (Super), Command+Shift+4 takes an area screenshot
// (Shift+Print), Command+Tab switches applications (Alt+Tab). Nothing for Mac codes that have no
// key here.
std::optional<KeyChord> translateMacChord(std::uint16_t macKey, std::uint64_t macFlags,
                                          CommandKeyRole role);

} // namespace kavora
