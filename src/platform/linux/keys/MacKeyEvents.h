// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/EventServices.h"

#include <cstdint>
#include <optional>
#include <set>

namespace kavora {

// What Mac key events carry from one to the next before a backend presses anything: the Mac
// modifier keys held on their own, and the first half of a surrogate pair.
class MacKeyEvents {
public:
    // Remembers a Mac modifier key going down or up; false for other keys. Modifier keys post
    // nothing themselves: they are pressed with the next main key, from its flags.
    bool noteModifier(const KeyEvent& event);
    // The Mac flags a main key goes down with: its own, or those of the modifier keys held.
    std::uint64_t flags(const KeyEvent& event) const;

    // What the down event of a UTF-16 unit types. A surrogate pair arrives as two down/up pairs:
    // the high half is kept and types nothing, the low half types the character.
    struct Typed {
        bool awaitsLowHalf = false;
        std::optional<char32_t> character; // none for a low half without its high half
    };
    Typed unitDown(char16_t unit);

    // Forgets the held modifiers and a pending high half.
    void clear();

private:
    std::set<std::uint16_t> modifiersDown_;
    std::optional<char16_t> pendingHighSurrogate_;
};

constexpr bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// A media key going down or up, by its Mac key type (0 sound up, 1 sound down, 7 mute).
struct MediaKeyStroke {
    std::int64_t keyType = 0;
    KeyState state = KeyState::Down;
};

// The media key stroke of a system-defined event: the key type in bits 16-31 of data1 and the
// state in bits 8-15. Nothing for other subtypes and states.
std::optional<MediaKeyStroke> mediaKeyStroke(const MediaKeyEvent& event);

} // namespace kavora
