// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Scheduler.h"
#include "platform/EventServices.h"
#include "platform/Geometry.h"
#include "protocol/ControlMessage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

class Accessibility;
class AccessibilityElement;
class AudioControl;
class LaunchServices;
class Log;
class Pasteboard;
class InputSettings;
struct PasteboardItem;

// Turns the controller's input messages into pointer, button, scroll, keyboard, media-key and
// system actions. Relative motion moves a target that a 120 Hz frame timer chases with smoothing.
// Lives on the main thread; owned through std::shared_ptr so that its timers can hold it weakly.
class CGEventInjector final : public std::enable_shared_from_this<CGEventInjector> {
public:
    // The services the injector reaches the system through; all must outlive the injector.
    struct Services {
        Scheduler& scheduler;
        const InputSettings& settings;
        EventServices& events;
        Pasteboard& pasteboard;
        Accessibility& accessibility;
        AudioControl& audio;
        LaunchServices& launcher;
        Log& log;
    };

    static std::shared_ptr<CGEventInjector> create(const Services& services);
    ~CGEventInjector();
    CGEventInjector(const CGEventInjector&) = delete;
    CGEventInjector& operator=(const CGEventInjector&) = delete;

    // The one entry for input messages. Cases that are not input do nothing here.
    void inject(const ControlMessage& message);

    // Lifts every mouse button this injector holds down and ends a drag in progress, so that a
    // controller that goes away mid-gesture leaves no button stuck. Text still being typed, and
    // the input waiting behind it, is dropped: nobody is left to see where it goes.
    void releaseAll();

    bool isDragging() const { return isDragging_; }

private:
    enum class Zoom { In, Out };

    // Idle gap after which motion re-reads the real cursor, a click stops aiming at the target
    // and the frame timer may stop.
    static constexpr Seconds kResyncGap { 0.2 };
    static constexpr double kFrameHz = 120;
    static constexpr Seconds kFrameInterval { 1.0 / kFrameHz };
    // A motion message runs the frame that is due within this window at once, in place of the
    // timer, and the frames after it keep their times. Messages sent at the frame rate then
    // lead the frames, and the process wakes once per message instead of twice; there are never
    // more frames than deadlines, so the rate stays 120 a second.
    static constexpr Seconds kFrameLeadWindow { 0.004 };
    // When a message first leads a frame, the later frames are due whole intervals plus this
    // after it: the messages that follow, early or late by up to half the window, then fall
    // within the window before a deadline, and a late one still finds its frame not yet run.
    static constexpr Seconds kFrameLeadOffset { 0.002 };

    // Long text is typed a slice per turn of the main queue, so that messages such as heartbeats
    // are answered between the slices: at most this many UTF-16 units, for at most this long (a
    // character the keyboard map lacks may take milliseconds).
    static constexpr std::size_t kTypingSliceUnits = 256;
    static constexpr Seconds kTypingSliceTime { 0.002 };
    // Input that comes while text is being typed waits behind it, in order, up to this many
    // messages and this much text in them; more is dropped.
    static constexpr std::size_t kMaxWaitingMessages = 4096;
    static constexpr std::size_t kMaxWaitingTextBytes = std::size_t { 8 } * 1024 * 1024;
    // Zoom steps that wait while the menus are searched for the one before; more are dropped.
    static constexpr std::size_t kMaxWaitingZooms = 4;

    explicit CGEventInjector(const Services& services);

    // Pointer motion (PointerMotion.cpp).
    void moveBy(double dx, double dy);
    Point currentCursorLocation();
    Point clampToDisplays(Point p);
    void startFrameTimer();
    void stopFrameTimer();
    // The frame deadline has come: the next one is set, then the frame runs.
    void frameDue();
    // The deadline of the frame after the one due now.
    void takeFrameDeadline(Seconds now);
    void tick(); // one frame: from the frame timer, or from a motion message in its place
    // One motion event: at `to`, or the step from `from` to `to` where there are no positions.
    void postMotion(Point from, Point to);

    // Buttons, drag and scroll (ButtonsAndScroll.cpp).
    // Where a click aims: the motion target while motion is under way, else nothing (the
    // pointer's own position). Without positions the pointer is first stepped onto the target.
    std::optional<Point> clickTarget();
    void postButton(MouseEventType type, MouseButton button);
    void dragStart();
    void dragEnd();
    void scrollBy(double deltaY);

    // Keys and text (KeysAndText.cpp).
    void pressKey(std::uint8_t modifier, std::uint8_t usage);
    void enterText(std::string_view text);
    void typeUnicode(std::string_view text);
    // One slice of the text being typed, then the input that waited for it, within one budget.
    void typeSlice();
    bool isTyping() const { return typed_ < typing_.size() || !waitingInput_.empty(); }
    void waitBehindText(const ControlMessage& message);
    void dropTyping();
    // False, with nothing pasted, when the pasteboard could not be taken.
    bool pasteText(std::string_view text);
    void restorePasteboard(const std::vector<PasteboardItem>& items);

    // Zoom, volume and system actions (SystemActions.cpp).
    void pinch(float scale);
    void zoom(Zoom direction);
    void pressMenuItem(Zoom direction, std::function<void(bool pressed)> done);
    void adjustVolume(std::int64_t steps);
    void setMuted(bool muted);
    void postSystemKey(std::int64_t keyType);
    void openMissionControl();

    Scheduler& scheduler_;
    const InputSettings& settings_;
    EventServices& events_;
    Pasteboard& pasteboard_;
    Accessibility& accessibility_;
    AudioControl& audio_;
    LaunchServices& launcher_;
    Log& log_;

    bool isDragging_ = false;
    std::optional<Point> targetPos_;
    std::optional<Point> renderPos_;
    Seconds lastInputTime_ { 0.0 };
    // The deadline of the next frame, present exactly while frames are being produced. The
    // timer is made once and follows it: moving it costs nothing, so a message that runs the
    // frame due soon wakes nothing more.
    std::optional<Seconds> nextFrame_;
    std::unique_ptr<DeadlineTimer> frameTimer_;
    // Whether a message has led a frame of the running timer and set its grid.
    bool frameLeadAligned_ = false;
    // The buttons whose press was posted and whose release was not, indexed by MouseButton.
    std::array<bool, 2> heldButtons_ {};
    // The text being typed, as UTF-16 units, and how many of them are typed.
    std::u16string typing_;
    std::size_t typed_ = 0;
    // Input that came while text was being typed, in arrival order, and the bytes of its text.
    std::deque<ControlMessage> waitingInput_;
    std::size_t waitingTextBytes_ = 0;
    bool droppedWaitingInput_ = false; // logged once until the queue is empty again
    bool inTypingSlice_ = false;
    // A menu search for a zoom step is under way, and the steps that came meanwhile.
    bool zooming_ = false;
    std::deque<Zoom> waitingZooms_;
};

} // namespace kavora
