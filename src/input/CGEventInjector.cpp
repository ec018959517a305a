// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "input/CGEventInjector.h"

#include "core/Overloaded.h"
#include "protocol/HidKeyboard.h"

namespace kavora {
namespace {

// The media-key type of Mute.
constexpr std::int64_t kKeyTypeMute = 7;

} // namespace

std::shared_ptr<CGEventInjector> CGEventInjector::create(const Services& services)
{
    return std::shared_ptr<CGEventInjector>(new CGEventInjector(services));
}

CGEventInjector::CGEventInjector(const Services& services)
    : scheduler_(services.scheduler)
    , settings_(services.settings)
    , events_(services.events)
    , pasteboard_(services.pasteboard)
    , accessibility_(services.accessibility)
    , audio_(services.audio)
    , launcher_(services.launcher)
    , log_(services.log)
{
}

CGEventInjector::~CGEventInjector()
{
    // The timer's action would find the injector gone anyway; cancelling spares the main loop
    // a timer that fires for nothing.
    stopFrameTimer();
}

void CGEventInjector::inject(const ControlMessage& message)
{
    // Nothing overtakes text still being typed: a key or a click would land in the middle of it.
    if (isTyping() && !inTypingSlice_) {
        waitBehindText(message);
        return;
    }
    std::visit(
        Overloaded {
            [this](const msg::MouseDelta& m) { moveBy(m.dx, m.dy); },
            // The drag shows because isDragging_ selects the dragged event type of the frames.
            [this](const msg::DragDelta& m) { moveBy(m.dx, m.dy); },
            [this](const msg::Scroll& m) { scrollBy(m.deltaY); },
            [this](const msg::LeftClickDown&) {
                postButton(MouseEventType::LeftMouseDown, MouseButton::Left);
            },
            [this](const msg::LeftClickUp&) {
                postButton(MouseEventType::LeftMouseUp, MouseButton::Left);
            },
            [this](const msg::RightClickDown&) {
                postButton(MouseEventType::RightMouseDown, MouseButton::Right);
            },
            [this](const msg::RightClickUp&) {
                postButton(MouseEventType::RightMouseUp, MouseButton::Right);
            },
            [this](const msg::DragStart&) { dragStart(); },
            [this](const msg::DragEnd&) { dragEnd(); },
            [this](const msg::KeyDown& m) { pressKey(m.modifier, m.keyCode); },
            [this](const msg::TextInput& m) { enterText(m.text); },
            [this](const msg::SwipeBack&) {
                pressKey(hidmodifier::kLeftCommand, hidusage::kLeftBracket);
            },
            [this](const msg::SwipeForward&) {
                pressKey(hidmodifier::kLeftCommand, hidusage::kRightBracket);
            },
            [this](const msg::Pinch& m) { pinch(m.scale); },
            [this](const msg::VolumeDelta& m) { adjustVolume(m.steps); },
            [this](const msg::SetMuted& m) { setMuted(m.muted); },
            [this](const msg::MuteToggle&) { postSystemKey(kKeyTypeMute); },
            [this](const msg::MissionControl&) { openMissionControl(); },
            // The release was posted with its keyDown.
            [](const msg::KeyUp&) {},
            // Requests and replies are the controller's to handle: nothing to inject.
            []<class M> requires(!InputCase<M>)(const M&) {},
        },
        message);
}

void CGEventInjector::releaseAll()
{
    if (heldButtons_[static_cast<std::size_t>(MouseButton::Left)])
        postButton(MouseEventType::LeftMouseUp, MouseButton::Left);
    if (heldButtons_[static_cast<std::size_t>(MouseButton::Right)])
        postButton(MouseEventType::RightMouseUp, MouseButton::Right);
    isDragging_ = false;
    dropTyping();
    waitingZooms_.clear();
}

} // namespace kavora
