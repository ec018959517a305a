// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kavora {

// The spare keycodes of a keyboard (those without symbols), lent to keysyms that no key of the
// layout produces. A keysym keeps its keycode until the keycode is needed for another one; the
// least recently used keycode goes first, and never sooner than the reuse guard after its last
// press or release, because applications re-read the keymap some time after it changes and would
// otherwise read a recent key stroke with the new symbol. A held keycode is never reused.
class X11KeycodePool {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kReuseGuard = std::chrono::milliseconds(100);

    struct Lease {
        int keycode = 0;
        // The keycode must be bound to the keysym before it is pressed.
        bool rebind = false;
        // Not before this instant: the keycode's reuse guard ends then.
        Clock::time_point notBefore;
    };

    explicit X11KeycodePool(const std::vector<int>& spareKeycodes = {});

    // Takes a keycode for a press of the keysym and marks it held; nothing when every spare
    // keycode is held (or there are none).
    std::optional<Lease> lease(std::uint32_t keysym, Clock::time_point now);
    // Ends the hold of a leased keycode.
    void release(int keycode, Clock::time_point now);
    // Drops a binding the keyboard no longer has, leaving the keycode unbound.
    void unbind(int keycode);

    // After a keymap change: the new spare keycodes, keeping the bindings for which stillBound
    // holds and the usage times of the keycodes that remain.
    void reset(const std::vector<int>& spareKeycodes,
               const std::function<bool(int keycode, std::uint32_t keysym)>& stillBound);

    bool owns(int keycode) const;
    std::optional<std::uint32_t> boundKeysym(int keycode) const;
    // Every keycode currently bound to a keysym, with the instant of its last use.
    std::vector<std::pair<int, Clock::time_point>> boundKeycodes() const;

private:
    struct Slot {
        int keycode = 0;
        std::optional<std::uint32_t> keysym;
        std::optional<Clock::time_point> lastUse;
        int holds = 0;
    };

    Slot* find(int keycode);
    const Slot* find(int keycode) const;

    std::vector<Slot> slots_;
};

} // namespace kavora
