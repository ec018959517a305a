// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/portal/PortalEventServices.h"

#include "platform/InputSettings.h"
#include "platform/linux/keys/Keysyms.h"
#include "platform/linux/keys/MacKeyTable.h"
#include "platform/linux/portal/PortalSession.h"

#include <array>
#include <utility>

#include <linux/input-event-codes.h>

namespace kavora {
namespace {

// The amount of a smooth scroll that a wheel click makes, against the pixels the X11 backend
// scrolls per click: the same gesture scrolls as far on either.
constexpr double kAxisPerClick = 10;
constexpr double kPixelsPerClick = 40;

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
    if (macEvents_.noteModifier(event))
        return true;
    const auto key = event.virtualKey;
    if (event.state == KeyState::Up)
        return keys_.release(HeldBy::MacKey, key);
    const auto chord = translateMacChord(key, macEvents_.flags(event), settings_.commandKeyRole());
    if (!chord)
        return false;
    return keys_.press(HeldBy::MacKey, key, [&] { return strokeForChord(*chord); });
}

bool PortalEventServices::postCharacter(const KeyEvent& event)
{
    const char16_t unit = *event.unicodeUnit;
    if (event.state == KeyState::Up)
        return isHighSurrogate(unit) || keys_.release(HeldBy::Character, unit);
    const auto typed = macEvents_.unitDown(unit);
    if (typed.awaitsLowHalf)
        return true;
    const auto keysym = typed.character ? keysymForCharacter(*typed.character) : std::nullopt;
    if (!keysym || !layout_.has(*keysym))
        return false;
    return keys_.press(HeldBy::Character, unit, [&] { return Stroke { { 0, *keysym }, {} }; });
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
        stroke.key.keysym = chord.keysym;
    else if (chord.evdev != 0)
        stroke.key.keycode = chord.evdev;
    else
        return std::nullopt;
    return stroke;
}

bool PortalEventServices::postMediaKey(const MediaKeyEvent& event)
{
    const auto media = mediaKeyStroke(event);
    if (!media || session_.state() != PortalSession::State::Granted)
        return false;
    const auto code = mediaKeycode(media->keyType);
    if (!code)
        return false;
    if (media->state == KeyState::Up)
        return keys_.release(HeldBy::MediaKey, media->keyType);
    return keys_.press(HeldBy::MediaKey, media->keyType, [&] {
        return Stroke { { *code, 0 }, {} };
    });
}

bool PortalEventServices::sendKey(const PortalKey& key, KeyState state)
{
    const bool pressed = state == KeyState::Down;
    return key.keycode != 0 ? session_.keyboardKeycode(key.keycode, pressed)
                            : session_.keyboardKeysym(key.keysym, pressed);
}

void PortalEventServices::sendModifier(int modifier, KeyState state)
{
    session_.keyboardKeycode(modifier, state == KeyState::Down);
}

void PortalEventServices::releaseAll()
{
    keys_.releaseAll();
    for (const auto button : std::exchange(buttonsDown_, {}))
        session_.pointerButton(button, false);
    macEvents_.clear();
}

} // namespace kavora
