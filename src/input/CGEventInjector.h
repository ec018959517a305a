#pragma once

#include "core/Scheduler.h"
#include "platform/EventServices.h"
#include "platform/Geometry.h"
#include "protocol/ControlMessage.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
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
    // controller that goes away mid-gesture leaves no button stuck.
    void releaseAll();

    bool isDragging() const { return isDragging_; }

private:
    enum class Zoom { In, Out };

    // Idle gap after which motion re-reads the real cursor, a click stops aiming at the target
    // and the frame timer may stop.
    static constexpr Seconds kResyncGap { 0.2 };
    static constexpr double kFrameHz = 120;
    // A motion message runs the frame that is due within this window at once, in place of the
    // timer, and the frames after it keep their times. Messages sent at the frame rate then
    // lead the frames, and the process wakes once per message instead of twice; there are never
    // more frames than deadlines, so the rate stays 120 a second.
    static constexpr Seconds kFrameLeadWindow { 0.004 };
    // When a message first leads a frame, the later frames are due whole intervals plus this
    // after it: the messages that follow, early or late by up to half the window, then fall
    // within the window before a deadline, and a late one still finds its frame not yet run.
    static constexpr Seconds kFrameLeadOffset { 0.002 };

    explicit CGEventInjector(const Services& services);

    // Pointer motion (PointerMotion.cpp).
    void moveBy(double dx, double dy);
    Point currentCursorLocation();
    Point clampToDisplays(Point p);
    void startFrameTimer();
    void stopFrameTimer();
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
    // False, with nothing pasted, when the pasteboard could not be taken.
    bool pasteText(std::string_view text);
    void restorePasteboard(const std::vector<PasteboardItem>& items);

    // Zoom, volume and system actions (SystemActions.cpp).
    void pinch(float scale);
    bool pressMenuItem(Zoom direction);
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
    // Present exactly while frames are being produced.
    std::optional<TimerHandle> frameTimer_;
    // Whether a message has led a frame of the running timer and set its grid.
    bool frameLeadAligned_ = false;
    // The buttons whose press was posted and whose release was not, indexed by MouseButton.
    std::array<bool, 2> heldButtons_ {};
};

} // namespace kavora
