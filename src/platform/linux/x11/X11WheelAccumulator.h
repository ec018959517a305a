// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <cstdint>

namespace kavora {

// Turns pixel scrolling into the wheel clicks X knows (XTest has no smooth scrolling). Pixels
// short of a click are carried to the next scroll of the same gesture, so that slow scrolling
// still moves; a gesture ends after a pause, and what it left over is dropped then, so that a
// later small scroll does not jump by a leftover click.
class X11WheelAccumulator {
public:
    using Clock = std::chrono::steady_clock;

    // One wheel click scrolls about three lines in GTK and Qt applications; a Mac line is ten
    // pixels, and forty pixels per click keeps a slow trackpad drag from jumping.
    static constexpr std::int64_t kPixelsPerClick = 40;
    static constexpr auto kGesturePause = std::chrono::seconds(1);
    // A single scroll never posts more clicks than this; larger values are cut to it.
    static constexpr std::int64_t kMaxClicksPerScroll = 100;

    // The clicks for a scroll of the given pixels (positive: up), the sign giving the direction.
    std::int64_t clicksFor(std::int32_t pixels, Clock::time_point now);

    std::int64_t remainder() const { return remainder_; }

private:
    std::int64_t remainder_ = 0;
    Clock::time_point lastScroll_ {};
    bool scrolled_ = false;
};

} // namespace kavora
