#include "platform/linux/x11/X11ChordTranslator.h"

#include "platform/EventServices.h"
#include "platform/MacKeyCodes.h"
#include "platform/linux/x11/X11MacKeyTable.h"

#include <X11/keysym.h>
#include <linux/input-event-codes.h>

namespace kavora {
namespace {

constexpr std::uint64_t kChordFlags
    = eventflag::kShift | eventflag::kControl | eventflag::kAlternate | eventflag::kCommand;

// The chords the desktop knows under another name; nothing for any other.
std::optional<XChord> desktopChord(std::uint16_t macKey, std::uint64_t flags)
{
    using namespace xmodifier;
    const auto command = eventflag::kCommand;
    const auto commandShift = eventflag::kCommand | eventflag::kShift;
    if (macKey == mackey::kLeftBracket && flags == command)
        return XChord { kAlt, KeyLookup::Position, XK_Left, KEY_LEFT };
    if (macKey == mackey::kRightBracket && flags == command)
        return XChord { kAlt, KeyLookup::Position, XK_Right, KEY_RIGHT };
    if (macKey == mackey::kSpace && flags == command)
        return XChord { 0, KeyLookup::Keysym, XK_Super_L, KEY_LEFTMETA };
    if (macKey == mackey::k4 && flags == commandShift)
        return XChord { kShift, KeyLookup::Keysym, XK_Print, KEY_SYSRQ };
    // Command+Shift+Tab switches backwards, as Alt+Shift+Tab does.
    if (macKey == mackey::kTab && (flags == command || flags == commandShift)) {
        const std::uint8_t shift = flags == commandShift ? kShift : 0;
        return XChord { static_cast<std::uint8_t>(kAlt | shift), KeyLookup::Position, XK_Tab,
                        KEY_TAB };
    }
    return std::nullopt;
}

std::uint8_t modifiersFor(std::uint64_t flags, CommandKeyRole role)
{
    std::uint8_t modifiers = 0;
    if (flags & eventflag::kShift)
        modifiers |= xmodifier::kShift;
    if (flags & eventflag::kControl)
        modifiers |= xmodifier::kControl;
    if (flags & eventflag::kAlternate)
        modifiers |= xmodifier::kAlt;
    if (flags & eventflag::kCommand)
        modifiers |= role == CommandKeyRole::Super ? xmodifier::kSuper : xmodifier::kControl;
    return modifiers;
}

} // namespace

std::optional<XChord> translateMacChord(std::uint16_t macKey, std::uint64_t macFlags,
                                        CommandKeyRole role)
{
    const auto place = macKeyPlace(macKey);
    if (!place)
        return std::nullopt;
    const auto flags = macFlags & kChordFlags;
    if (auto chord = desktopChord(macKey, flags))
        return chord;

    XChord chord { modifiersFor(flags, role), KeyLookup::Position, place->keysym, place->evdev };
    // Shortcuts name a letter, not a place: Command+A selects all on an AZERTY layout too, where
    // the A is at the Mac's Q. Plain and Option keys type what is at the position, as on the Mac.
    const bool shortcut = (chord.modifiers & (xmodifier::kControl | xmodifier::kSuper)) != 0;
    if (shortcut && isCharacterKeysym(place->keysym))
        chord.lookup = KeyLookup::CharacterFirst;
    return chord;
}

} // namespace kavora
