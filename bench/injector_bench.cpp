// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The injector's two hot paths with the recording backend: one motion message, and one frame of
// the 120 Hz pointer timer while the pointer is still approaching its target.
#include "input/CGEventInjector.h"
#include "platform/InputSettings.h"
#include "support/CapturingLog.h"
#include "support/FakeAccessibility.h"
#include "support/InMemoryUserDefaults.h"
#include "support/RecordingAudioControl.h"
#include "support/RecordingEventServices.h"
#include "support/RecordingLaunchServices.h"
#include "support/RecordingPasteboard.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>

namespace kavora {
namespace {

// Keeps the one deadline timer (the frame timer) so that a frame can be fired directly, without
// a queue in between whose cost would blur the figure.
class FrameClock final : public Scheduler {
public:
    void post(Task) override { }
    TimerHandle after(Seconds, Task) override { return {}; }
    TimerHandle every(Seconds, Task) override { return {}; }
    std::unique_ptr<DeadlineTimer> deadlineTimer(Task task) override
    {
        return std::make_unique<Deadline>(*this, std::move(task));
    }
    Seconds now() const override { return now_; }

    // Moves the clock to the frame's deadline and runs it.
    void fireFrame()
    {
        if (!deadline_)
            return;
        now_ = *deadline_;
        deadline_.reset();
        task_();
    }

private:
    class Deadline final : public DeadlineTimer {
    public:
        Deadline(FrameClock& clock, Task task)
            : clock_(clock)
        {
            clock_.task_ = std::move(task);
        }
        void setDeadline(Seconds at) override { clock_.deadline_ = at; }
        void clear() override { clock_.deadline_.reset(); }

    private:
        FrameClock& clock_;
    };

    Seconds now_ { 0.0 };
    std::optional<Seconds> deadline_;
    Task task_;
};

struct Rig {
    explicit Rig(double smoothing)
    {
        defaults.setDouble("macCursorSpeed", 1.5);
        defaults.setDouble("macCursorSmoothing", smoothing);
        events.displays = { Rect { 0, 0, 2560, 1440 }, Rect { 2560, 0, 1e9, 1e9 } };
        events.cursor = { 1000, 700 };
    }

    FrameClock clock;
    test::InMemoryUserDefaults defaults;
    InputSettings settings { defaults };
    test::RecordingEventServices events;
    test::RecordingPasteboard pasteboard;
    test::FakeAccessibility accessibility;
    test::RecordingAudioControl audio;
    test::RecordingLaunchServices launcher;
    test::CapturingLog log;
    std::shared_ptr<CGEventInjector> injector = CGEventInjector::create(
        { clock, settings, events, pasteboard, accessibility, audio, launcher, log });
};

// moveBy: a clock read, two settings reads, the display list and the clamp; the frame timer is
// already running after the first message.
void BM_MouseDeltaInject(benchmark::State& state)
{
    Rig rig(0);
    const ControlMessage right = msg::MouseDelta { 3, 1 };
    const ControlMessage left = msg::MouseDelta { -3, -1 };
    bool toRight = true;
    for (auto _ : state) {
        rig.injector->inject(toRight ? right : left);
        toRight = !toRight;
    }
}
BENCHMARK(BM_MouseDeltaInject);

// tick on the approaching path: distance, one settings read, one posted motion event. The
// smallest fraction and a far target keep every frame approaching; a new target every 256 frames
// and clearing the record cost a fraction of a nanosecond per frame.
void BM_Frame(benchmark::State& state)
{
    Rig rig(0.05);
    const ControlMessage far = msg::MouseDelta { 1e6F, 1e6F };
    const ControlMessage back = msg::MouseDelta { -1e6F, -1e6F };
    rig.injector->inject(far);
    std::size_t frame = 0;
    bool outward = false;
    for (auto _ : state) {
        rig.clock.fireFrame();
        if (++frame % 256 == 0) {
            rig.injector->inject(outward ? far : back);
            outward = !outward;
            rig.events.clear();
        }
    }
}
BENCHMARK(BM_Frame);

} // namespace
} // namespace kavora
