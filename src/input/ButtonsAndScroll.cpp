// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Mouse buttons, drag and the scroll wheel: one posted event per message.
#include "input/CGEventInjector.h"

#include "platform/InputSettings.h"

#include <cmath>
#include <limits>

namespace kavora {
namespace {

bool isPress(MouseEventType type)
{
    return type == MouseEventType::LeftMouseDown || type == MouseEventType::RightMouseDown;
}

// The wheel value of a scroll, or nothing when none can express it. A rounded value beyond the
// signed 32-bit range is clamped to it: the user asked for a very long scroll and gets the
// longest there is. A value that is not finite (infinite speed, NaN delta) carries no amount at
// all and is skipped.
std::optional<std::int32_t> wheelValue(double pixels)
{
    if (!std::isfinite(pixels))
        return std::nullopt;
    // std::round rounds halves away from zero: 2.5 → 3, −2.5 → −3.
    const double rounded = std::round(pixels);
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    if (rounded <= kMin)
        return kMin;
    if (rounded >= kMax)
        return kMax;
    return static_cast<std::int32_t>(rounded);
}

} // namespace

std::optional<Point> CGEventInjector::clickTarget()
{
    if (targetPos_ && scheduler_.now() - lastInputTime_ < kResyncGap) {
        // Click where the pointer is heading, and end the smoothing still under way there.
        const Point from = renderPos_.value_or(*targetPos_);
        renderPos_ = targetPos_;
        if (events_.hasPointerPosition())
            return *targetPos_;
        // Without positions the rest of the way is one step, and the press lands where it ends.
        if (from != *targetPos_)
            postMotion(from, *targetPos_);
    }
    return std::nullopt;
}

void CGEventInjector::postButton(MouseEventType type, MouseButton button)
{
    // Without motion under way the click lands where the pointer is; the platform finds that
    // out itself, which saves a query where it can press a button without one.
    const auto target = clickTarget();
    const bool posted = target ? events_.postMouse({ type, *target, button, 1 })
                               : events_.postButtonAtCursor(type, button);
    if (!posted)
        return;
    // What the system saw decides what is held: a press that was never posted holds nothing, and
    // a release that failed leaves the button for releaseAll().
    heldButtons_[static_cast<std::size_t>(button)] = isPress(type);
}

void CGEventInjector::dragStart()
{
    isDragging_ = true;
    postButton(MouseEventType::LeftMouseDown, MouseButton::Left);
}

void CGEventInjector::dragEnd()
{
    postButton(MouseEventType::LeftMouseUp, MouseButton::Left);
    isDragging_ = false;
}

void CGEventInjector::scrollBy(double deltaY)
{
    double v = settings_.scrollSpeed() * deltaY;
    if (!settings_.naturalScroll())
        v = -v;
    // Fractions are not carried over to the next message: repeated 0.4 pixel deltas scroll nothing.
    if (const auto n = wheelValue(v))
        events_.postScroll(*n);
}

} // namespace kavora
