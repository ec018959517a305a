// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Pointer motion: messages move a target; a frame timer moves the rendered pointer a fixed
// fraction of the remaining way on every frame.
#include "input/CGEventInjector.h"

#include "platform/InputSettings.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace kavora {
namespace {

// Closer than this (in points) the pointer counts as arrived and is placed on the target.
constexpr double kArrivalDistance = 0.1;
// The display list is asked for at most this many displays.
constexpr std::size_t kMaxDisplays = 16;

// Lower bound first, upper bound last: the upper bound wins when a rectangle is degenerate.
double clampAxis(double value, double min, double max)
{
    double result = value <= min ? min : value;
    if (max - 1 < result)
        result = max - 1;
    return result;
}

} // namespace

void CGEventInjector::moveBy(double dx, double dy)
{
    // A NaN delta has no place on any display; dropping it keeps the target a real point.
    if (std::isnan(dx) || std::isnan(dy))
        return;
    const auto now = scheduler_.now();
    const bool positioned = events_.hasPointerPosition();
    Point base;
    if (!positioned) {
        // Without a position to read there is nothing to start afresh from: the target carries on
        // from where the last motion sent it, and only the steps are posted.
        base = targetPos_.value_or(Point { 0, 0 });
        if (!renderPos_)
            renderPos_ = base;
    } else if (!targetPos_ || now - lastInputTime_ >= kResyncGap) {
        // After a pause the physical mouse may have moved the pointer: start from where it is, and
        // render from there too (the target is set from it below).
        base = currentCursorLocation();
        renderPos_ = base;
    } else {
        base = *targetPos_;
    }
    lastInputTime_ = now;
    const double speed = settings_.cursorSpeed();
    const Point moved { base.x + dx * speed, base.y + dy * speed };
    // Where positions are not posted the compositor keeps the pointer on its displays.
    targetPos_ = positioned ? clampToDisplays(moved) : moved;
    if (!nextFrame_) {
        startFrameTimer();
        return;
    }
    if (*nextFrame_ - now > kFrameLeadWindow)
        return;
    // This message runs the frame due soon. The first frame a message leads sets the frames after
    // it on a grid from that message, a little late (kFrameLeadOffset), so that the messages that
    // follow at the frame rate fall within the window; from then on the grid stays, and each
    // frame takes one of its deadlines.
    if (frameLeadAligned_) {
        takeFrameDeadline(now);
    } else {
        nextFrame_ = now + (kFrameInterval + kFrameLeadOffset);
        frameTimer_->setDeadline(*nextFrame_);
        frameLeadAligned_ = true;
    }
    tick();
}

Point CGEventInjector::currentCursorLocation()
{
    return events_.cursorLocation().value_or(Point { 0, 0 });
}

Point CGEventInjector::clampToDisplays(Point p)
{
    const auto& displays = events_.activeDisplayBounds();
    Rect bounds;
    if (displays.empty()) {
        bounds = events_.mainDisplayBounds();
    } else {
        bounds = displays.front();
        for (std::size_t i = 1; i < std::min(displays.size(), kMaxDisplays); ++i)
            bounds = bounds.united(displays[i]);
    }
    // The last column and row of the union are excluded, so x stays within [minX, maxX − 1].
    return { clampAxis(p.x, bounds.minX(), bounds.maxX()),
             clampAxis(p.y, bounds.minY(), bounds.maxY()) };
}

void CGEventInjector::startFrameTimer()
{
    if (!frameTimer_) {
        frameTimer_ = scheduler_.deadlineTimer([weak = weak_from_this()] {
            if (auto self = weak.lock())
                self->frameDue();
        });
    }
    nextFrame_ = scheduler_.now() + kFrameInterval;
    frameLeadAligned_ = false;
    frameTimer_->setDeadline(*nextFrame_);
}

void CGEventInjector::stopFrameTimer()
{
    nextFrame_.reset();
    if (frameTimer_)
        frameTimer_->clear();
}

void CGEventInjector::frameDue()
{
    if (!nextFrame_)
        return;
    takeFrameDeadline(scheduler_.now());
    tick();
}

void CGEventInjector::takeFrameDeadline(Seconds now)
{
    // Set before the frame runs, which may stop the frames. A frame that comes late brings no
    // burst of catch-up frames: the next deadline is the first one still ahead.
    nextFrame_ = *nextFrame_ + kFrameInterval;
    while (*nextFrame_ <= now)
        nextFrame_ = *nextFrame_ + kFrameInterval;
    frameTimer_->setDeadline(*nextFrame_);
}

void CGEventInjector::tick()
{
    // The timer is started only by motion, which sets the target; nothing clears it again.
    assert(targetPos_);
    const Point target = *targetPos_;
    const Point render = renderPos_.value_or(target);
    const double dx = target.x - render.x;
    const double dy = target.y - render.y;
    const double dist = std::sqrt(dx * dx + dy * dy);

    if (dist < kArrivalDistance) {
        if (renderPos_ != target) {
            renderPos_ = target;
            postMotion(render, target);
        }
        // Keep running while messages may still come, so that a burst stays one smooth motion.
        if (scheduler_.now() - lastInputTime_ >= kResyncGap)
            stopFrameTimer();
        return;
    }

    const double f = settings_.smoothingFraction();
    renderPos_ = Point { render.x + dx * f, render.y + dy * f };
    postMotion(render, *renderPos_);
}

void CGEventInjector::postMotion(Point from, Point to)
{
    if (!events_.hasPointerPosition()) {
        // Fractions are posted as they are, so the steps add up to exactly the motion asked for.
        events_.postRelativeMotion(to.x - from.x, to.y - from.y);
        return;
    }
    const Point position = to;
    const auto type = isDragging_ ? MouseEventType::LeftMouseDragged : MouseEventType::MouseMoved;
    // A motion event that cannot be created is skipped; the next frame carries on from renderPos_.
    events_.postMouse({ type, position, MouseButton::Left, std::nullopt });
}

} // namespace kavora
