// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/x11/X11Keyboard.h"

#include "platform/InputSettings.h"
#include "platform/linux/keys/Keysyms.h"
#include "platform/linux/keys/MacKeyTable.h"
#include "platform/linux/x11/X11Connection.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <thread>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <linux/input-event-codes.h>

namespace kavora {
namespace {

using Clock = X11KeycodePool::Clock;

// The X modifier keys, in the order they go down.
struct ModifierKey {
    std::uint8_t bit;
    std::uint32_t keysym;
    std::uint16_t evdev;
};
constexpr auto kModifierKeys = std::to_array<ModifierKey>({
    { keymodifier::kControl, XK_Control_L, KEY_LEFTCTRL },
    { keymodifier::kShift, XK_Shift_L, KEY_LEFTSHIFT },
    { keymodifier::kAlt, XK_Alt_L, KEY_LEFTALT },
    { keymodifier::kSuper, XK_Super_L, KEY_LEFTMETA },
});

} // namespace

X11Keyboard::X11Keyboard(X11Connection& connection, const InputSettings& settings)
    : connection_(connection)
    , settings_(settings)
    , keymap_(connection)
{
    // Keymap changes (another layout, our own bindings) mark the copy stale; a change of group
    // (the user switching layouts) is kept as it comes, so that no key asks the server for it.
    connection_.addEventHandler([this](const XEvent& event) {
        if (event.type == MappingNotify) {
            if (event.xmapping.request != MappingPointer)
                keymapStale_ = true;
            return;
        }
        if (event.type != connection_.xkbEventBase())
            return;
        XkbEvent xkb {};
        std::memcpy(&xkb, &event, sizeof(event));
        if (xkb.any.xkb_type == XkbStateNotify) {
            group_ = xkb.state.group;
            return;
        }
        keymapStale_ = true;
        if (xkb.any.xkb_type == XkbNewKeyboardNotify)
            group_.reset(); // another keyboard may have other groups: read it again
    });
    if (Display* display = connection_.display(); display && connection_.hasXkb()) {
        X11Connection::CallScope scope(connection_);
        const unsigned int changes = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
        XkbSelectEvents(display, XkbUseCoreKbd, changes, changes);
        XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, XkbGroupStateMask,
                              XkbGroupStateMask);
        connection_.flush();
    }
}

X11Keyboard::~X11Keyboard()
{
    if (!connection_.alive())
        return;
    X11Connection::CallScope scope(connection_);
    keys_.releaseAll();
    connection_.flush();
    giveBackSpareKeycodes();
}

bool X11Keyboard::postKey(const KeyEvent& event)
{
    if (!connection_.hasXTest())
        return false;
    X11Connection::CallScope scope(connection_);
    if (!refreshKeymap())
        return false;
    return event.unicodeUnit ? postUnicode(event) : postMacKey(event);
}

bool X11Keyboard::postMediaKey(const MediaKeyEvent& event)
{
    const auto media = mediaKeyStroke(event);
    if (!connection_.hasXTest() || !media)
        return false;
    const auto keysym = keysymForMediaKey(media->keyType);
    if (!keysym)
        return false;
    X11Connection::CallScope scope(connection_);
    if (!refreshKeymap())
        return false;
    if (media->state == KeyState::Up)
        return flushed(keys_.release(HeldBy::MediaKey, media->keyType));
    return flushed(
        keys_.press(HeldBy::MediaKey, media->keyType, [&] { return strokeForKeysym(*keysym); }));
}

bool X11Keyboard::postMacKey(const KeyEvent& event)
{
    if (macEvents_.noteModifier(event))
        return true;
    const auto key = event.virtualKey;
    if (event.state == KeyState::Up)
        return flushed(keys_.release(HeldBy::MacKey, key));
    // A repeat presses the key held, whatever the chord would be now.
    return flushed(keys_.press(HeldBy::MacKey, key, [&]() -> std::optional<Stroke> {
        const auto chord
            = translateMacChord(key, macEvents_.flags(event), settings_.commandKeyRole());
        return chord ? strokeForChord(*chord) : std::nullopt;
    }));
}

bool X11Keyboard::postUnicode(const KeyEvent& event)
{
    const char16_t unit = *event.unicodeUnit;
    if (event.state == KeyState::Up) {
        // The high half of a pair goes down and up before the low half: the character is typed
        // with the low half.
        return isHighSurrogate(unit) || flushed(keys_.release(HeldBy::Character, unit));
    }
    const auto typed = macEvents_.unitDown(unit);
    if (typed.awaitsLowHalf)
        return true;
    const auto keysym = typed.character ? keysymForCharacter(*typed.character) : std::nullopt;
    if (!keysym)
        return false;
    return flushed(keys_.press(HeldBy::Character, unit, [&] { return strokeForKeysym(*keysym); }));
}

std::optional<X11Keyboard::Stroke> X11Keyboard::strokeForChord(const KeyChord& chord)
{
    if (!group_)
        group_ = keymap_.activeGroup(); // read once; the state events keep it current
    const int group = *group_;
    // Keycodes lent by the pool are only reached through it, so that their reuse guard holds.
    const auto lent = [this](int keycode) { return pool_.owns(keycode); };
    std::optional<Stroke> stroke;
    std::uint8_t modifiers = chord.modifiers;
    if (chord.lookup != KeyLookup::Position) {
        const auto levels = chord.lookup == KeyLookup::Keysym
            ? X11Keymap::Levels::UnshiftedOrShifted
            : X11Keymap::Levels::Unshifted;
        if (auto place = keymap_.find(chord.keysym, group, levels, lent)) {
            stroke = Stroke { { place->keycode, false }, {} };
            if (place->shifted)
                modifiers |= keymodifier::kShift;
        }
    }
    if (!stroke) {
        if (auto keycode = positionKeycode(chord, group))
            stroke = Stroke { { *keycode, false }, {} };
    }
    if (!stroke && chord.lookup == KeyLookup::Keysym)
        stroke = leaseSpare(chord.keysym);
    if (!stroke)
        return std::nullopt;

    if (!addModifiers(*stroke, modifiers, group)) {
        released(stroke->key);
        return std::nullopt;
    }
    return stroke;
}

bool X11Keyboard::addModifiers(Stroke& stroke, std::uint8_t modifiers, int group) const
{
    for (const auto& modifier : kModifierKeys) {
        if ((modifiers & modifier.bit) == 0)
            continue;
        const auto keycode = modifierKeycode(modifier.bit, group);
        if (!keycode)
            return false;
        stroke.modifiers.push_back(*keycode);
    }
    return true;
}

std::optional<X11Keyboard::Stroke> X11Keyboard::strokeForKeysym(std::uint32_t keysym)
{
    return strokeForChord(KeyChord { 0, KeyLookup::Keysym, keysym, 0 });
}

std::optional<int> X11Keyboard::positionKeycode(const KeyChord& chord, int group) const
{
    if (keymap_.usesEvdevKeycodes()) {
        // A keycode lent for a character is not the key that used to be there.
        const int keycode = chord.evdev + kEvdevKeycodeOffset;
        if (chord.evdev != 0 && keymap_.isKeycode(keycode) && !pool_.owns(keycode))
            return keycode;
        return std::nullopt;
    }
    // Other keycodes say nothing about positions: take the key with the US label.
    if (auto place = keymap_.find(chord.keysym, group, X11Keymap::Levels::UnshiftedOrShifted))
        return place->keycode;
    return std::nullopt;
}

std::optional<int> X11Keyboard::modifierKeycode(std::uint8_t modifier, int group) const
{
    const auto* key = std::ranges::find(kModifierKeys, modifier, &ModifierKey::bit);
    if (key == std::end(kModifierKeys))
        return std::nullopt;
    if (auto place = keymap_.find(key->keysym, group, X11Keymap::Levels::Unshifted))
        return place->keycode;
    return positionKeycode(KeyChord { 0, KeyLookup::Position, key->keysym, key->evdev }, group);
}

std::optional<X11Keyboard::Stroke> X11Keyboard::leaseSpare(std::uint32_t keysym)
{
    const auto lease = pool_.lease(keysym, Clock::now());
    if (!lease)
        return std::nullopt;
    if (lease->rebind) {
        // Wait out the reuse guard (at most 100 ms) rather than risk a wrong character.
        connection_.flush();
        std::this_thread::sleep_until(lease->notBefore);
        if (!keymap_.bind(lease->keycode, keysym)) {
            pool_.unbind(lease->keycode);
            pool_.release(lease->keycode, Clock::now());
            return std::nullopt;
        }
    }
    return Stroke { { lease->keycode, true }, {} };
}

bool X11Keyboard::sendKey(const X11Key& key, KeyState state)
{
    fakeKey(key.keycode, state);
    return true; // known at the flush
}

void X11Keyboard::sendModifier(int modifier, KeyState state)
{
    fakeKey(modifier, state);
}

void X11Keyboard::released(const X11Key& key)
{
    if (key.leased)
        pool_.release(key.keycode, Clock::now());
}

bool X11Keyboard::flushed(bool posted)
{
    return posted && connection_.sendFakeInput();
}

void X11Keyboard::fakeKey(int keycode, KeyState state)
{
    connection_.queueFakeInput(state == KeyState::Down ? X11Connection::FakeInput::KeyDown
                                                       : X11Connection::FakeInput::KeyUp,
                               static_cast<unsigned int>(keycode));
}

bool X11Keyboard::refreshKeymap()
{
    connection_.takeEvents();
    if (!connection_.alive())
        return false;
    if (!keymapStale_)
        return true;
    if (!keymap_.load())
        return false;
    keymapStale_ = false;

    // Our own bindings have symbols now but stay in the pool, as long as they still hold.
    const auto stillBound
        = [this](int keycode, std::uint32_t keysym) { return keymap_.keysymAt(keycode) == keysym; };
    auto spare = keymap_.spareKeycodes();
    // Keys without symbols where a Mac key sits (the JIS keys, F19 on a US layout) stay what
    // they are: pressing them must not type a lent character.
    if (keymap_.usesEvdevKeycodes()) {
        std::erase_if(spare, [](int keycode) {
            return keycode >= kEvdevKeycodeOffset
                && isMacKeyPosition(std::uint16_t(keycode - kEvdevKeycodeOffset));
        });
    }
    for (const auto& [keycode, lastUse] : pool_.boundKeycodes()) {
        if (stillBound(keycode, *pool_.boundKeysym(keycode)))
            spare.push_back(keycode);
    }
    std::ranges::sort(spare);
    pool_.reset(spare, stillBound);
    return true;
}

void X11Keyboard::giveBackSpareKeycodes()
{
    if (!refreshKeymap())
        return;
    const auto bound = pool_.boundKeycodes();
    if (bound.empty())
        return;
    // Applications may not have read the last key stroke yet; they must read it with its keysym.
    auto lastUse = Clock::time_point {};
    for (const auto& [keycode, used] : bound)
        lastUse = std::max(lastUse, used);
    connection_.sync();
    std::this_thread::sleep_until(lastUse + X11KeycodePool::kReuseGuard);
    for (const auto& [keycode, used] : bound) {
        keymap_.unbind(keycode);
        pool_.unbind(keycode);
    }
}

} // namespace kavora
