// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/x11/X11KeycodePool.h"

#include <algorithm>

namespace kavora {

X11KeycodePool::X11KeycodePool(const std::vector<int>& spareKeycodes)
{
    for (int keycode : spareKeycodes)
        slots_.push_back(Slot { keycode, std::nullopt, std::nullopt, 0 });
}

std::optional<X11KeycodePool::Lease> X11KeycodePool::lease(std::uint32_t keysym,
                                                           Clock::time_point now)
{
    auto bound = std::ranges::find(slots_, std::optional(keysym), &Slot::keysym);
    if (bound != slots_.end()) {
        ++bound->holds;
        bound->lastUse = now;
        return Lease { bound->keycode, false, now };
    }

    // Never-used keycodes first, then the one whose last use lies furthest back.
    Slot* oldest = nullptr;
    for (auto& slot : slots_) {
        if (slot.holds > 0)
            continue;
        if (!oldest || !slot.lastUse || (oldest->lastUse && *slot.lastUse < *oldest->lastUse))
            oldest = &slot;
        if (!oldest->lastUse)
            break;
    }
    if (!oldest)
        return std::nullopt;

    const auto notBefore = oldest->lastUse ? std::max(now, *oldest->lastUse + kReuseGuard) : now;
    oldest->keysym = keysym;
    oldest->lastUse = notBefore;
    oldest->holds = 1;
    return Lease { oldest->keycode, true, notBefore };
}

void X11KeycodePool::release(int keycode, Clock::time_point now)
{
    if (auto* slot = find(keycode)) {
        slot->holds = std::max(0, slot->holds - 1);
        slot->lastUse = std::max(now, slot->lastUse.value_or(now));
    }
}

void X11KeycodePool::unbind(int keycode)
{
    if (auto* slot = find(keycode))
        slot->keysym.reset();
}

void X11KeycodePool::reset(const std::vector<int>& spareKeycodes,
                           const std::function<bool(int, std::uint32_t)>& stillBound)
{
    std::vector<Slot> slots;
    for (int keycode : spareKeycodes) {
        Slot slot { keycode, std::nullopt, std::nullopt, 0 };
        if (const auto* old = find(keycode)) {
            slot = *old;
            if (slot.keysym && !stillBound(keycode, *slot.keysym))
                slot.keysym.reset();
        }
        slots.push_back(slot);
    }
    slots_ = std::move(slots);
}

bool X11KeycodePool::owns(int keycode) const
{
    return find(keycode) != nullptr;
}

std::optional<std::uint32_t> X11KeycodePool::boundKeysym(int keycode) const
{
    const auto* slot = find(keycode);
    return slot ? slot->keysym : std::nullopt;
}

std::vector<std::pair<int, X11KeycodePool::Clock::time_point>> X11KeycodePool::boundKeycodes() const
{
    std::vector<std::pair<int, Clock::time_point>> bound;
    for (const auto& slot : slots_) {
        if (slot.keysym)
            bound.emplace_back(slot.keycode, slot.lastUse.value_or(Clock::time_point {}));
    }
    return bound;
}

X11KeycodePool::Slot* X11KeycodePool::find(int keycode)
{
    auto found = std::ranges::find(slots_, keycode, &Slot::keycode);
    return found == slots_.end() ? nullptr : &*found;
}

const X11KeycodePool::Slot* X11KeycodePool::find(int keycode) const
{
    auto found = std::ranges::find(slots_, keycode, &Slot::keycode);
    return found == slots_.end() ? nullptr : &*found;
}

} // namespace kavora
