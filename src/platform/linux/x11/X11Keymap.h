// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct _XkbDesc;

namespace kavora {

class X11Connection;

// A copy of the X server's keyboard mapping (XKB), read when asked to: which key produces a
// keysym, which keycodes are spare, and binding keysyms to spare keycodes.
class X11Keymap {
public:
    explicit X11Keymap(X11Connection& connection);
    ~X11Keymap();
    X11Keymap(const X11Keymap&) = delete;
    X11Keymap& operator=(const X11Keymap&) = delete;

    // Reads the mapping from the server; false when it cannot be read.
    bool load();
    bool loaded() const { return desc_ != nullptr; }
    // Whether the keycodes are the Linux input codes plus 8, as on every current X server.
    bool usesEvdevKeycodes() const { return evdev_; }
    bool isKeycode(int keycode) const;

    enum class Levels : std::uint8_t { Unshifted, UnshiftedOrShifted };
    struct Place {
        int keycode = 0;
        bool shifted = false; // Shift must be held for the keysym
    };
    // The group the keyboard is in (the layout the user chose), read from the server.
    int activeGroup() const;
    // The key that produces the keysym in the group without any modifier (or with Shift alone,
    // when allowed); unshifted places first, then the lowest keycode. Keys for which skip holds
    // are passed over.
    std::optional<Place> find(std::uint32_t keysym, int group, Levels levels,
                              const std::function<bool(int keycode)>& skip = {}) const;
    // The first symbol of a key, or nothing for a key without symbols.
    std::optional<std::uint32_t> keysymAt(int keycode) const;
    // The keycodes that have no symbols at all.
    std::vector<int> spareKeycodes() const;

    // Gives a spare keycode one level with the keysym, or takes its symbols away; the copy and
    // the server change together. False when the server refused.
    bool bind(int keycode, std::uint32_t keysym);
    bool unbind(int keycode);

private:
    void free();

    X11Connection& connection_;
    _XkbDesc* desc_ = nullptr;
    bool evdev_ = true;
};

} // namespace kavora
