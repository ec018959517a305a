// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/EventServices.h"
#include "platform/linux/keys/HeldKeys.h"
#include "platform/linux/keys/MacChordTranslator.h"
#include "platform/linux/keys/MacKeyEvents.h"
#include "platform/linux/x11/X11KeycodePool.h"
#include "platform/linux/x11/X11Keymap.h"

#include <cstdint>
#include <optional>

namespace kavora {

class InputSettings;

// The key of a stroke on X: a keycode, perhaps a spare one lent by the pool for the stroke.
struct X11Key {
    int keycode = 0;
    bool leased = false;
};

// Posts Mac key events on an X display through XTest.
//
// Keys are positional, as Mac virtual key codes are. Modifier keys posted on their own are only
// remembered: the X modifiers are pressed with the next main key, from its flags (or from the
// remembered Mac modifiers when it has none), translated to the Linux chord with the same meaning,
// and released with it. So "Command down, A down with Command, A up, Command up" reaches X as
// "Control down, a down, a up, Control up", and a modifier pressed and released alone posts
// nothing, as it does nothing on the Mac either.
//
// A Unicode unit types its character: through the key of the layout that produces it unshifted or
// with Shift, otherwise through a spare keycode bound to its keysym for the purpose (see
// X11KeycodePool). A surrogate pair arrives as two down/up pairs and is typed as one character.
class X11Keyboard final : private HeldKeys<X11Key>::Sink {
public:
    X11Keyboard(X11Connection& connection, const InputSettings& settings);
    // Releases the keys still held and gives back the spare keycodes it bound.
    ~X11Keyboard() override;
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    bool postKey(const KeyEvent& event);
    bool postMediaKey(const MediaKeyEvent& event);

private:
    using Stroke = HeldKeys<X11Key>::Stroke; // its modifiers are X keycodes

    bool postMacKey(const KeyEvent& event);
    bool postUnicode(const KeyEvent& event);
    std::optional<Stroke> strokeForChord(const KeyChord& chord);
    std::optional<Stroke> strokeForKeysym(std::uint32_t keysym);
    bool addModifiers(Stroke& stroke, std::uint8_t modifiers, int group) const;
    std::optional<int> positionKeycode(const KeyChord& chord, int group) const;
    std::optional<int> modifierKeycode(std::uint8_t modifier, int group) const;
    std::optional<Stroke> leaseSpare(std::uint32_t keysym);

    bool sendKey(const X11Key& key, KeyState state) override;
    void sendModifier(int modifier, KeyState state) override;
    void released(const X11Key& key) override;
    // Sends what was posted; false when nothing was to be posted or the connection is lost.
    bool flushed(bool posted);
    void fakeKey(int keycode, KeyState state);
    bool refreshKeymap();
    void giveBackSpareKeycodes();

    X11Connection& connection_;
    const InputSettings& settings_;
    X11Keymap keymap_;
    X11KeycodePool pool_;
    bool keymapStale_ = true;
    // The keyboard's group (the layout in use), once read.
    std::optional<int> group_;
    MacKeyEvents macEvents_;
    HeldKeys<X11Key> keys_ { *this };
};

} // namespace kavora
