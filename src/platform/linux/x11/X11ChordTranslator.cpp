#include "platform/linux/x11/X11ChordTranslator.h"

#include "platform/EventServices.h"
#include "platform/linux/x11/X11MacKeyTable.h"

#include <X11/keysym.h>

namespace kavora {
namespace {

constexpr std::uint64_t kChordFlags
    = eventflag::kShift | eventflag::kControl | eventflag::kAlternate | eventflag::kCommand;

namespace mackey {
constexpr std::uint16_t k4 = 21;
constexpr std::uint16_t kRightBracket = 30;
constexpr std::uint16_t kLeftBracket = 33;
constexpr std::uint16_t kTab = 48;
constexpr std::uint16_t kSpace = 49;
} // namespace mackey

namespace evdev {
constexpr std::uint16_t kTab = 15;
constexpr std::uint16_t kSysRq = 99; // the Print Screen key
constexpr std::uint16_t kLeft = 105;
constexpr std::uint16_t kRight = 106;
constexpr std::uint16_t kLeftMeta = 125;
} // namespace evdev

// The chords the desktop knows under another name; nothing for any other.
std::optional<XChord> desktopChord(std::uint16_t macKey, std::uint64_t flags)
{
    using namespace xmodifier;
    const auto command = eventflag::kCommand;
    const auto commandShift = eventflag::kCommand | eventflag::kShift;
    if (macKey == mackey::kLeftBracket && flags == command)
        return XChord { kAlt, KeyLookup::Position, XK_Left, evdev::kLeft };
    if (macKey == mackey::kRightBracket && flags == command)
        return XChord { kAlt, KeyLookup::Position, XK_Right, evdev::kRight };
    if (macKey == mackey::kSpace && flags == command)
        return XChord { 0, KeyLookup::Keysym, XK_Super_L, evdev::kLeftMeta };
    if (macKey == mackey::k4 && flags == commandShift)
        return XChord { kShift, KeyLookup::Keysym, XK_Print, evdev::kSysRq };
    // Command+Shift+Tab switches backwards, as Alt+Shift+Tab does.
    if (macKey == mackey::kTab && (flags == command || flags == commandShift)) {
        const std::uint8_t shift = flags == commandShift ? kShift : 0;
        return XChord { static_cast<std::uint8_t>(kAlt | shift), KeyLookup::Position, XK_Tab,
                        evdev::kTab };
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
