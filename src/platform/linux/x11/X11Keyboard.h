#pragma once

#include "platform/EventServices.h"
#include "platform/linux/keys/MacChordTranslator.h"
#include "platform/linux/x11/X11KeycodePool.h"
#include "platform/linux/x11/X11Keymap.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace kavora {

class InputSettings;

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
class X11Keyboard {
public:
    X11Keyboard(X11Connection& connection, const InputSettings& settings);
    // Releases the keys still held and gives back the spare keycodes it bound.
    ~X11Keyboard();
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    bool postKey(const KeyEvent& event);
    bool postMediaKey(const MediaKeyEvent& event);

private:
    // What one down event pressed, so that its up event releases the same keys.
    struct Stroke {
        int keycode = 0;
        std::vector<int> modifiers; // X keycodes, in press order
        bool leased = false; // the keycode is a spare one lent by the pool
    };

    bool postMacKey(const KeyEvent& event);
    bool postUnicode(const KeyEvent& event);
    std::optional<Stroke> strokeForChord(const KeyChord& chord);
    std::optional<Stroke> strokeForKeysym(std::uint32_t keysym);
    bool addModifiers(Stroke& stroke, std::uint8_t modifiers, int group) const;
    std::optional<int> positionKeycode(const KeyChord& chord, int group) const;
    std::optional<int> modifierKeycode(std::uint8_t modifier, int group) const;
    std::optional<Stroke> leaseSpare(std::uint32_t keysym);

    bool press(const Stroke& stroke);
    bool release(const Stroke& stroke);
    std::optional<bool> repeatIfHeld(const std::map<std::int64_t, Stroke>& held, std::int64_t id);
    bool pressUnder(std::map<std::int64_t, Stroke>& held, std::int64_t id,
                    std::optional<Stroke> stroke);
    bool releaseUnder(std::map<std::int64_t, Stroke>& held, std::int64_t id);
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
    std::set<std::uint16_t> macModifiersDown_;
    std::optional<char16_t> pendingHighSurrogate_;
    // Strokes under way by Mac key code, by the last UTF-16 unit of a character, by media key.
    std::map<std::int64_t, Stroke> macKeysDown_;
    std::map<std::int64_t, Stroke> charactersDown_;
    std::map<std::int64_t, Stroke> mediaKeysDown_;
    // How many strokes hold each X modifier keycode; it goes up with the last of them.
    std::map<int, int> modifierHolds_;
};

} // namespace kavora
