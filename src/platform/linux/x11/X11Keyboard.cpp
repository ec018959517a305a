#include "platform/linux/x11/X11Keyboard.h"

#include "platform/InputSettings.h"
#include "platform/MacKeyCodes.h"
#include "platform/linux/keys/Keysyms.h"
#include "platform/linux/keys/MacKeyTable.h"
#include "platform/linux/x11/X11Connection.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <thread>
#include <utility>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <linux/input-event-codes.h>

namespace kavora {
namespace {

using Clock = X11KeycodePool::Clock;

// The Mac's modifier keys and the flag each stands for. Fn has no X keycode and stands for
// nothing here; it is swallowed like the others.
struct MacModifier {
    std::uint16_t key;
    std::uint64_t flag;
};
constexpr auto kMacModifiers = std::to_array<MacModifier>({
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

const MacModifier* macModifier(std::uint16_t key)
{
    const auto* found = std::ranges::find(kMacModifiers, key, &MacModifier::key);
    return found == std::end(kMacModifiers) ? nullptr : found;
}

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

// Media keys: system-defined events of this subtype, the key type in bits 16-31 of data1 and
// the key state in bits 8-15.
constexpr std::int16_t kAuxControlButtons = 8;
constexpr std::int64_t kMediaKeyPressed = 0x0A;
constexpr std::int64_t kMediaKeyReleased = 0x0B;

constexpr bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

constexpr bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

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
    for (auto* held : { &macKeysDown_, &charactersDown_, &mediaKeysDown_ }) {
        for (const auto& [id, stroke] : *held)
            release(stroke);
        held->clear();
    }
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
    if (!connection_.hasXTest() || event.subtype != kAuxControlButtons)
        return false;
    const auto keyType = (event.data1 >> 16) & 0xFFFF;
    const auto state = (event.data1 >> 8) & 0xFF;
    const auto keysym = keysymForMediaKey(keyType);
    if (!keysym || (state != kMediaKeyPressed && state != kMediaKeyReleased))
        return false;
    X11Connection::CallScope scope(connection_);
    if (!refreshKeymap())
        return false;
    if (state == kMediaKeyReleased)
        return releaseUnder(mediaKeysDown_, keyType);
    if (auto repeated = repeatIfHeld(mediaKeysDown_, keyType))
        return *repeated;
    return pressUnder(mediaKeysDown_, keyType, strokeForKeysym(*keysym));
}

bool X11Keyboard::postMacKey(const KeyEvent& event)
{
    const auto key = event.virtualKey;
    if (macModifier(key)) {
        if (event.state == KeyState::Down)
            macModifiersDown_.insert(key);
        else
            macModifiersDown_.erase(key);
        return true;
    }
    if (event.state == KeyState::Up)
        return releaseUnder(macKeysDown_, key);
    if (auto repeated = repeatIfHeld(macKeysDown_, key))
        return *repeated;

    std::uint64_t heldFlags = 0;
    for (const auto down : macModifiersDown_)
        heldFlags |= macModifier(down)->flag;
    const auto chord
        = translateMacChord(key, event.flags.value_or(heldFlags), settings_.commandKeyRole());
    if (!chord)
        return false;
    return pressUnder(macKeysDown_, key, strokeForChord(*chord));
}

bool X11Keyboard::postUnicode(const KeyEvent& event)
{
    const char16_t unit = *event.unicodeUnit;
    if (event.state == KeyState::Up) {
        // The high half of a pair goes down and up before the low half: the character is typed
        // with the low half.
        if (isHighSurrogate(unit))
            return true;
        return releaseUnder(charactersDown_, unit);
    }
    if (isHighSurrogate(unit)) {
        pendingHighSurrogate_ = unit;
        return true;
    }
    char32_t character = unit;
    const auto high = std::exchange(pendingHighSurrogate_, std::nullopt);
    if (isLowSurrogate(unit)) {
        if (!high)
            return false; // half a character types nothing
        character = 0x10000 + ((char32_t(*high) - 0xD800) << 10) + (char32_t(unit) - 0xDC00);
    }
    const auto keysym = keysymForCharacter(character);
    if (!keysym)
        return false;
    if (auto repeated = repeatIfHeld(charactersDown_, unit))
        return *repeated;
    return pressUnder(charactersDown_, unit, strokeForKeysym(*keysym));
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
            stroke = Stroke { place->keycode, {}, false };
            if (place->shifted)
                modifiers |= keymodifier::kShift;
        }
    }
    if (!stroke) {
        if (auto keycode = positionKeycode(chord, group))
            stroke = Stroke { *keycode, {}, false };
    }
    if (!stroke && chord.lookup == KeyLookup::Keysym)
        stroke = leaseSpare(chord.keysym);
    if (!stroke)
        return std::nullopt;

    if (!addModifiers(*stroke, modifiers, group)) {
        if (stroke->leased)
            pool_.release(stroke->keycode, Clock::now());
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
    return Stroke { lease->keycode, {}, true };
}

std::optional<bool> X11Keyboard::repeatIfHeld(const std::map<std::int64_t, Stroke>& held,
                                              std::int64_t id)
{
    const auto found = held.find(id);
    if (found == held.end())
        return std::nullopt;
    // A second down without an up is an automatic repeat: the key alone goes down again.
    fakeKey(found->second.keycode, KeyState::Down);
    return connection_.flush();
}

bool X11Keyboard::pressUnder(std::map<std::int64_t, Stroke>& held, std::int64_t id,
                             std::optional<Stroke> stroke)
{
    if (!stroke)
        return false;
    held[id] = *stroke;
    return press(*stroke);
}

bool X11Keyboard::releaseUnder(std::map<std::int64_t, Stroke>& held, std::int64_t id)
{
    const auto found = held.find(id);
    if (found == held.end())
        return true; // an up without a down has nothing to release
    const Stroke stroke = std::move(found->second);
    held.erase(found);
    return release(stroke);
}

bool X11Keyboard::press(const Stroke& stroke)
{
    for (const int modifier : stroke.modifiers) {
        if (modifierHolds_[modifier]++ == 0)
            fakeKey(modifier, KeyState::Down);
    }
    fakeKey(stroke.keycode, KeyState::Down);
    return connection_.flush();
}

bool X11Keyboard::release(const Stroke& stroke)
{
    fakeKey(stroke.keycode, KeyState::Up);
    for (auto modifier = stroke.modifiers.rbegin(); modifier != stroke.modifiers.rend();
         ++modifier) {
        if (--modifierHolds_[*modifier] <= 0) {
            modifierHolds_.erase(*modifier);
            fakeKey(*modifier, KeyState::Up);
        }
    }
    if (stroke.leased)
        pool_.release(stroke.keycode, Clock::now());
    return connection_.flush();
}

void X11Keyboard::fakeKey(int keycode, KeyState state)
{
    if (Display* display = connection_.display()) {
        XTestFakeKeyEvent(display, static_cast<unsigned int>(keycode),
                          state == KeyState::Down ? True : False, CurrentTime);
    }
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
