// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/x11/X11Keymap.h"

#include "platform/linux/x11/X11Connection.h"

#include <array>
#include <string_view>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace kavora {
namespace {

// Whether the key type reaches the level with Shift alone.
bool shiftSelects(const XkbKeyTypeRec& type, int level)
{
    for (int i = 0; i < type.map_count; ++i) {
        const auto& entry = type.map[i];
        if (entry.active && entry.level == level && entry.mods.mask == ShiftMask)
            return true;
    }
    return false;
}

} // namespace

X11Keymap::X11Keymap(X11Connection& connection)
    : connection_(connection)
{
}

X11Keymap::~X11Keymap()
{
    free();
}

void X11Keymap::free()
{
    if (desc_)
        XkbFreeKeyboard(desc_, 0, True);
    desc_ = nullptr;
}

bool X11Keymap::load()
{
    free();
    Display* display = connection_.display();
    if (!display || !connection_.hasXkb())
        return false;
    X11Connection::CallScope scope(connection_);
    desc_ = XkbGetMap(display, XkbAllClientInfoMask, XkbUseCoreKbd);
    if (!desc_ || !connection_.alive()) {
        free();
        return false;
    }
    evdev_ = true;
    if (XkbGetNames(display, XkbKeycodesNameMask, desc_) == Success && desc_->names
        && desc_->names->keycodes != None) {
        if (char* name = XGetAtomName(display, desc_->names->keycodes)) {
            evdev_ = std::string_view(name).starts_with("evdev");
            XFree(name);
        }
    }
    return connection_.alive();
}

bool X11Keymap::isKeycode(int keycode) const
{
    return desc_ && keycode >= desc_->min_key_code && keycode <= desc_->max_key_code;
}

int X11Keymap::activeGroup() const
{
    Display* display = connection_.display();
    if (!display)
        return 0;
    X11Connection::CallScope scope(connection_);
    XkbStateRec state {};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return 0;
    return state.group;
}

std::optional<X11Keymap::Place> X11Keymap::find(std::uint32_t keysym, int group, Levels levels,
                                                const std::function<bool(int)>& skip) const
{
    if (!desc_ || !desc_->map)
        return std::nullopt;
    const int maxLevel = levels == Levels::UnshiftedOrShifted ? 1 : 0;
    for (int level = 0; level <= maxLevel; ++level) {
        for (int keycode = desc_->min_key_code; keycode <= desc_->max_key_code; ++keycode) {
            const int groups = XkbKeyNumGroups(desc_, keycode);
            if (groups == 0 || (skip && skip(keycode)))
                continue;
            const int keyGroup = group < groups ? group : group % groups;
            const XkbKeyTypeRec* type = XkbKeyKeyType(desc_, keycode, keyGroup);
            if (level >= type->num_levels)
                continue;
            if (XkbKeySymEntry(desc_, keycode, level, keyGroup) != keysym)
                continue;
            if (level == 0 || shiftSelects(*type, level))
                return Place { keycode, level == 1 };
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> X11Keymap::keysymAt(int keycode) const
{
    if (!isKeycode(keycode) || XkbKeyNumGroups(desc_, keycode) == 0)
        return std::nullopt;
    const KeySym keysym = XkbKeySymEntry(desc_, keycode, 0, 0);
    if (keysym == NoSymbol)
        return std::nullopt;
    return static_cast<std::uint32_t>(keysym);
}

std::vector<int> X11Keymap::spareKeycodes() const
{
    std::vector<int> spare;
    if (!desc_ || !desc_->map)
        return spare;
    for (int keycode = desc_->min_key_code; keycode <= desc_->max_key_code; ++keycode) {
        if (XkbKeyNumGroups(desc_, keycode) == 0)
            spare.push_back(keycode);
    }
    return spare;
}

bool X11Keymap::bind(int keycode, std::uint32_t keysym)
{
    Display* display = connection_.display();
    if (!display || !isKeycode(keycode))
        return false;
    X11Connection::CallScope scope(connection_);
    XkbMapChangesRec changes {};
    std::array<int, XkbNumKbdGroups> oneLevel { XkbOneLevelIndex };
    if (XkbChangeTypesOfKey(desc_, keycode, 1, XkbGroup1Mask, oneLevel.data(), &changes) != Success)
        return false;
    XkbKeySymsPtr(desc_, keycode)[0] = keysym;
    changes.changed |= XkbKeySymsMask;
    changes.first_key_sym = static_cast<KeyCode>(keycode);
    changes.num_key_syms = 1;
    XkbChangeMap(display, desc_, &changes);
    return connection_.sync();
}

bool X11Keymap::unbind(int keycode)
{
    Display* display = connection_.display();
    if (!display || !isKeycode(keycode))
        return false;
    X11Connection::CallScope scope(connection_);
    XkbMapChangesRec changes {};
    if (XkbChangeTypesOfKey(desc_, keycode, 0, XkbGroup1Mask, nullptr, &changes) != Success)
        return false;
    changes.changed |= XkbKeySymsMask;
    changes.first_key_sym = static_cast<KeyCode>(keycode);
    changes.num_key_syms = 1;
    XkbChangeMap(display, desc_, &changes);
    return connection_.sync();
}

} // namespace kavora
