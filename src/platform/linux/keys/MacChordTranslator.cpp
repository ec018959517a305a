// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/keys/MacChordTranslator.h"

#include "platform/EventServices.h"
#include "platform/MacKeyCodes.h"
#include "platform/linux/keys/MacKeyTable.h"

#include <X11/keysym.h>
#include <linux/input-event-codes.h>

namespace kavora {
namespace {

constexpr std::uint64_t kChordFlags
    = eventflag::kShift | eventflag::kControl | eventflag::kAlternate | eventflag::kCommand;

// The chords the desktop knows under another name; nothing for any other.
std::optional<KeyChord> desktopChord(std::uint16_t macKey, std::uint64_t flags)
{
    using namespace keymodifier;
    const auto command = eventflag::kCommand;
    const auto commandShift = eventflag::kCommand | eventflag::kShift;
    if (macKey == mackey::kLeftBracket && flags == command)
        return KeyChord { kAlt, KeyLookup::Position, XK_Left, KEY_LEFT };
    if (macKey == mackey::kRightBracket && flags == command)
        return KeyChord { kAlt, KeyLookup::Position, XK_Right, KEY_RIGHT };
    if (macKey == mackey::kSpace && flags == command)
        return KeyChord { 0, KeyLookup::Keysym, XK_Super_L, KEY_LEFTMETA };
    if (macKey == mackey::k4 && flags == commandShift)
        return KeyChord { kShift, KeyLookup::Keysym, XK_Print, KEY_SYSRQ };
    // Command+Shift+Tab switches backwards, as Alt+Shift+Tab does.
    if (macKey == mackey::kTab && (flags == command || flags == commandShift)) {
        const std::uint8_t shift = flags == commandShift ? kShift : 0;
        return KeyChord { static_cast<std::uint8_t>(kAlt | shift), KeyLookup::Position, XK_Tab,
                          KEY_TAB };
    }
    return std::nullopt;
}

std::uint8_t modifiersFor(std::uint64_t flags, CommandKeyRole role)
{
    std::uint8_t modifiers = 0;
    if (flags & eventflag::kShift)
        modifiers |= keymodifier::kShift;
    if (flags & eventflag::kControl)
        modifiers |= keymodifier::kControl;
    if (flags & eventflag::kAlternate)
        modifiers |= keymodifier::kAlt;
    if (flags & eventflag::kCommand)
        modifiers |= role == CommandKeyRole::Super ? keymodifier::kSuper : keymodifier::kControl;
    return modifiers;
}

} // namespace

std::optional<KeyChord> translateMacChord(std::uint16_t macKey, std::uint64_t macFlags,
                                          CommandKeyRole role)
{
    const auto place = macKeyPlace(macKey);
    if (!place)
        return std::nullopt;
    const auto flags = macFlags & kChordFlags;
    if (auto chord = desktopChord(macKey, flags))
        return chord;

    KeyChord chord { modifiersFor(flags, role), KeyLookup::Position, place->keysym, place->evdev };
    // Shortcuts name a letter, not a place: Command+A selects all on an AZERTY layout too, where
    // the A is at the Mac's Q. Plain and Option keys type what is at the position, as on the Mac.
    const bool shortcut = (chord.modifiers & (keymodifier::kControl | keymodifier::kSuper)) != 0;
    if (shortcut && isCharacterKeysym(place->keysym))
        chord.lookup = KeyLookup::CharacterFirst;
    return chord;
}

} // namespace kavora
