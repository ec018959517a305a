// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/x11/X11WheelAccumulator.h"

#include <algorithm>

namespace kavora {

std::int64_t X11WheelAccumulator::clicksFor(std::int32_t pixels, Clock::time_point now)
{
    if (!scrolled_ || now - lastScroll_ >= kGesturePause)
        remainder_ = 0;
    scrolled_ = true;
    lastScroll_ = now;

    const std::int64_t total = remainder_ + pixels;
    // Division truncates toward zero, so the remainder keeps the sign of the scroll and a turn
    // of direction first uses up what the other direction left.
    const std::int64_t clicks = total / kPixelsPerClick;
    remainder_ = total % kPixelsPerClick;
    if (clicks > kMaxClicksPerScroll || clicks < -kMaxClicksPerScroll) {
        remainder_ = 0;
        return std::clamp(clicks, -kMaxClicksPerScroll, kMaxClicksPerScroll);
    }
    return clicks;
}

} // namespace kavora
