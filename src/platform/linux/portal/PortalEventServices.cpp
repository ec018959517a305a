#include "platform/linux/portal/PortalEventServices.h"

#include "platform/InputSettings.h"
#include "platform/MacKeyCodes.h"
#include "platform/linux/keys/Keysyms.h"
#include "platform/linux/keys/MacKeyTable.h"
#include "platform/linux/portal/PortalSession.h"

#include <algorithm>
#include <array>
#include <utility>

#include <linux/input-event-codes.h>

namespace kavora {
namespace {

// The amount of a smooth scroll that a wheel click makes, against the pixels the X11 backend
// scrolls per click: the same gesture scrolls as far on either.
constexpr double kAxisPerClick = 10;
constexpr double kPixelsPerClick = 40;

constexpr std::int16_t kAuxControlButtons = 8;
constexpr std::int64_t kMediaKeyPressed = 0x0A;
constexpr std::int64_t kMediaKeyReleased = 0x0B;

constexpr auto kMacModifierKeys = std::to_array<std::pair<std::uint16_t, std::uint64_t>>({
    { mackey::kCommand, eventflag::kCommand },
    { mackey::kRightCommand, eventflag::kCommand },
    { mackey::kShift, eventflag::kShift },
    { mackey::kRightShift, eventflag::kShift },
    { mackey::kOption, eventflag::kAlternate },
    { mackey::kRightOption, eventflag::kAlternate },
    { mackey::kControl, eventflag::kControl },
    { mackey::kRightControl, eventflag::kControl },
    { mackey::kFunction, 0 },
});

std::optional<std::uint64_t> macModifierFlag(std::uint16_t key)
{
    const auto* found
        = std::ranges::find(kMacModifierKeys, key, &std::pair<std::uint16_t, std::uint64_t>::first);
    if (found == kMacModifierKeys.end())
        return std::nullopt;
    return found->second;
}

// The modifier keys in the order they go down.
constexpr auto kModifierKeys = std::to_array<std::pair<std::uint8_t, std::int32_t>>({
    { keymodifier::kControl, KEY_LEFTCTRL },
    { keymodifier::kShift, KEY_LEFTSHIFT },
    { keymodifier::kAlt, KEY_LEFTALT },
    { keymodifier::kSuper, KEY_LEFTMETA },
});

struct Button {
    std::int32_t code;
    bool press;
};

std::optional<Button> buttonOf(MouseEventType type)
{
    switch (type) {
    case MouseEventType::LeftMouseDown:
        return Button { BTN_LEFT, true };
    case MouseEventType::LeftMouseUp:
        return Button { BTN_LEFT, false };
    case MouseEventType::RightMouseDown:
        return Button { BTN_RIGHT, true };
    case MouseEventType::RightMouseUp:
        return Button { BTN_RIGHT, false };
    case MouseEventType::MouseMoved:
    case MouseEventType::LeftMouseDragged:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::int32_t> mediaKeycode(std::int64_t keyType)
{
    switch (keyType) {
    case 0:
        return KEY_VOLUMEUP;
    case 1:
        return KEY_VOLUMEDOWN;
    case 7:
        return KEY_MUTE;
    default:
        return std::nullopt;
    }
}

constexpr bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

constexpr bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

PortalEventServices::PortalEventServices(PortalSession& session, const InputSettings& settings)
    : session_(session)
    , settings_(settings)
{
    layout_.reload();
}

bool PortalEventServices::postMouse(const MouseEvent& event)
{
    return postButtonAtCursor(event.type, event.button);
}

bool PortalEventServices::postButtonAtCursor(MouseEventType type, MouseButton /*button*/)
{
    const auto button = buttonOf(type);
    if (!button || !session_.pointerButton(button->code, button->press))
        return false;
    if (button->press)
        buttonsDown_.insert(button->code);
    else
        buttonsDown_.erase(button->code);
    return true;
}

bool PortalEventServices::postRelativeMotion(double dx, double dy)
{
    return session_.pointerMotion(dx, dy);
}

bool PortalEventServices::postScroll(std::int32_t pixels)
{
    // Positive pixels scroll up; the axis grows downwards.
    return session_.pointerAxis(0, -double(pixels) * kAxisPerClick / kPixelsPerClick);
}

bool PortalEventServices::canTypeCharacter(char32_t character)
{
    const auto keysym = keysymForCharacter(character);
    return keysym && layout_.has(*keysym);
}

bool PortalEventServices::postKey(const KeyEvent& event)
{
    if (session_.state() != PortalSession::State::Granted)
        return false;
    return event.unicodeUnit ? postCharacter(event) : postMacKey(event);
}

bool PortalEventServices::postMacKey(const KeyEvent& event)
{
    const auto key = event.virtualKey;
    if (macModifierFlag(key)) {
        if (event.state == KeyState::Down)
            macModifiersDown_.insert(key);
        else
            macModifiersDown_.erase(key);
        return true;
    }
    if (event.state == KeyState::Up)
        return releaseUnder(macKeysDown_, key);
    std::uint64_t heldFlags = 0;
    for (const auto down : macModifiersDown_)
        heldFlags |= *macModifierFlag(down);
    const auto chord
        = translateMacChord(key, event.flags.value_or(heldFlags), settings_.commandKeyRole());
    if (!chord)
        return false;
    return pressUnder(macKeysDown_, key, strokeForChord(*chord));
}

bool PortalEventServices::postCharacter(const KeyEvent& event)
{
    const char16_t unit = *event.unicodeUnit;
    if (event.state == KeyState::Up)
        return isHighSurrogate(unit) || releaseUnder(charactersDown_, unit);
    if (isHighSurrogate(unit)) {
        pendingHighSurrogate_ = unit;
        return true;
    }
    char32_t character = unit;
    const auto high = std::exchange(pendingHighSurrogate_, std::nullopt);
    if (isLowSurrogate(unit)) {
        if (!high)
            return false;
        character = 0x10000 + ((char32_t(*high) - 0xD800) << 10) + (char32_t(unit) - 0xDC00);
    }
    const auto keysym = keysymForCharacter(character);
    if (!keysym || !layout_.has(*keysym))
        return false;
    return pressUnder(charactersDown_, unit, Stroke { {}, 0, *keysym });
}

std::optional<PortalEventServices::Stroke>
PortalEventServices::strokeForChord(const KeyChord& chord) const
{
    Stroke stroke;
    for (const auto& [bit, code] : kModifierKeys) {
        if ((chord.modifiers & bit) != 0)
            stroke.modifiers.push_back(code);
    }
    // A keysym the layout has is pressed by meaning (the compositor finds its key); otherwise
    // the key at the position.
    if (chord.lookup != KeyLookup::Position && layout_.has(chord.keysym))
        stroke.keysym = chord.keysym;
    else if (chord.evdev != 0)
        stroke.keycode = chord.evdev;
    else
        return std::nullopt;
    return stroke;
}

bool PortalEventServices::postMediaKey(const MediaKeyEvent& event)
{
    if (event.subtype != kAuxControlButtons || session_.state() != PortalSession::State::Granted)
        return false;
    const auto keyType = (event.data1 >> 16) & 0xFFFF;
    const auto state = (event.data1 >> 8) & 0xFF;
    const auto code = mediaKeycode(keyType);
    if (!code || (state != kMediaKeyPressed && state != kMediaKeyReleased))
        return false;
    if (state == kMediaKeyReleased)
        return releaseUnder(mediaKeysDown_, keyType);
    return pressUnder(mediaKeysDown_, keyType, Stroke { {}, *code, 0 });
}

bool PortalEventServices::pressUnder(std::map<std::int64_t, Stroke>& held, std::int64_t id,
                                     std::optional<Stroke> stroke)
{
    if (const auto found = held.find(id); found != held.end()) {
        // A second down without an up is an automatic repeat: the key alone goes down again.
        return pressKey(found->second, true);
    }
    if (!stroke)
        return false;
    held[id] = *stroke;
    return press(*stroke);
}

bool PortalEventServices::releaseUnder(std::map<std::int64_t, Stroke>& held, std::int64_t id)
{
    const auto found = held.find(id);
    if (found == held.end())
        return true; // an up without a down has nothing to release
    const Stroke stroke = std::move(found->second);
    held.erase(found);
    return release(stroke);
}

bool PortalEventServices::press(const Stroke& stroke)
{
    for (const auto modifier : stroke.modifiers) {
        if (modifierHolds_[modifier]++ == 0)
            session_.keyboardKeycode(modifier, true);
    }
    return pressKey(stroke, true);
}

bool PortalEventServices::release(const Stroke& stroke)
{
    const bool released = pressKey(stroke, false);
    for (auto modifier = stroke.modifiers.rbegin(); modifier != stroke.modifiers.rend();
         ++modifier) {
        if (--modifierHolds_[*modifier] <= 0) {
            modifierHolds_.erase(*modifier);
            session_.keyboardKeycode(*modifier, false);
        }
    }
    return released;
}

bool PortalEventServices::pressKey(const Stroke& stroke, bool pressed)
{
    return stroke.keycode != 0 ? session_.keyboardKeycode(stroke.keycode, pressed)
                               : session_.keyboardKeysym(stroke.keysym, pressed);
}

void PortalEventServices::releaseAll()
{
    for (auto* held : { &macKeysDown_, &charactersDown_, &mediaKeysDown_ }) {
        while (!held->empty())
            releaseUnder(*held, held->begin()->first);
    }
    for (const auto button : std::exchange(buttonsDown_, {}))
        session_.pointerButton(button, false);
    macModifiersDown_.clear();
    pendingHighSurrogate_.reset();
}

} // namespace kavora
