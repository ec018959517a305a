// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "input/InjectorFixture.h"

#include <limits>

namespace kavora::test {
namespace {

std::string lastLine(const RecordingEventServices& events)
{
    const auto lines = events.lines();
    return lines.empty() ? "" : lines.back();
}

using PointerMotion = InjectorTest;

// How a stored speed or smoothing reads (absent, 0, out of range) is InputSettingsTest's.
TEST(PointerMotionTable, MotionStartsFromTheRealCursorScaledBySpeedAndPostsOnFrames)
{
    const std::pair<double, std::string> rows[] = {
        { 1, "mouse 5 (510,290) button 0" },
        { 2, "mouse 5 (520,280) button 0" },
        { -1, "mouse 5 (490,310) button 0" },
    };
    for (const auto& [speed, expected] : rows) {
        InjectorHarness h;
        h.events.cursor = { 500, 300 };
        h.settings.setCursorSpeed(speed);
        h.landAtOnce();
        h.inject(msg::MouseDelta { 10, -10 });
        EXPECT_TRUE(h.events.lines().empty());
        h.frames(1);
        EXPECT_EQ(h.events.lines(), (Lines { expected })) << speed;
    }
}

TEST(PointerMotionTable, AfterAnIdleGapMotionRestartsFromTheRealCursor)
{
    const std::pair<double, std::string> rows[] = {
        { 0.19, "mouse 5 (120,100) button 0" }, // continues from the target
        { 0.2, "mouse 5 (410,400) button 0" }, // honours the physical mouse
    };
    for (const auto& [gap, expected] : rows) {
        InjectorHarness h;
        h.advance(5); // the gap is measured from the last motion, not from the clock's origin
        h.events.cursor = { 100, 100 };
        h.landAtOnce();
        h.inject(msg::MouseDelta { 10, 0 });
        h.advance(gap);
        h.events.cursor = { 400, 400 };
        h.inject(msg::MouseDelta { 10, 0 });
        h.frames(1);
        EXPECT_EQ(lastLine(h.events), expected) << gap;
    }
}

TEST(PointerMotionTable, ConvergesOntoTheTargetThenPostsNothingAndStopsItsTimer)
{
    // Jumps of length 100 in each direction: 100 × 0.45⁹ < 0.1 ≤ 100 × 0.45⁸, so nine
    // approaching frames, then one frame snaps onto the target.
    // clang-format off
    const std::tuple<msg::MouseDelta, Lines> rows[] = {
        { { 100, 0 }, { "mouse 5 (55,0) button 0", "mouse 5 (99.92433194,0) button 0", "mouse 5 (100,0) button 0" } },
        { { 0, 100 }, { "mouse 5 (0,55) button 0", "mouse 5 (0,99.92433194) button 0", "mouse 5 (0,100) button 0" } },
        { { 60, 80 }, { "mouse 5 (33,44) button 0", "mouse 5 (59.95459916,79.93946555) button 0", "mouse 5 (60,80) button 0" } },
    };
    // clang-format on
    for (const auto& [delta, expected] : rows) {
        InjectorHarness h;
        h.inject(delta);
        h.advance(1);
        const auto lines = h.events.lines();
        ASSERT_EQ(lines.size(), 10u) << expected.back();
        EXPECT_EQ((Lines { lines[0], lines[8], lines[9] }), expected);
        EXPECT_EQ(h.scheduler.pendingCount(), 0u) << expected.back();
    }
}

TEST(PointerMotionTable, ExactlyAtTheArrivalDistanceThePointerStillApproaches)
{
    const std::pair<double, std::string> rows[] = {
        { 0.1, "mouse 5 (0.055,0) button 0" },
        { 0.0999, "mouse 5 (0.0999,0) button 0" },
    };
    for (const auto& [distance, expected] : rows) {
        InjectorHarness h;
        h.settings.setCursorSpeed(distance);
        h.inject(msg::MouseDelta { 1, 0 });
        h.frames(1);
        EXPECT_EQ(h.events.lines(), (Lines { expected })) << distance;
    }
}

TEST_F(PointerMotion, TimerRunsUntilArrivedAndIdleForTheResyncGap)
{
    landAtOnce();
    inject(msg::MouseDelta { 10, 0 });
    inject(msg::MouseDelta { 10, 0 });
    EXPECT_EQ(scheduler.pendingCount(), 1u); // a second motion does not add a second timer
    frames(1);
    EXPECT_EQ(events.lines(), (Lines { "mouse 5 (20,0) button 0" }));
    advance(0.19 - kFrame.count());
    EXPECT_EQ(scheduler.pendingCount(), 1u);
    advance(0.02);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    EXPECT_EQ(events.lines().size(), 1u);

    inject(msg::MouseDelta { 5, 0 });
    frames(1);
    EXPECT_EQ(lastLine(events), "mouse 5 (25,0) button 0");
}

TEST_F(PointerMotion, SettingsAreReadAtEveryUse)
{
    landAtOnce();
    inject(msg::MouseDelta { 10, 0 });
    defaults.setDouble("macCursorSpeed", 3);
    inject(msg::MouseDelta { 10, 0 });
    frames(1);
    EXPECT_EQ(lastLine(events), "mouse 5 (40,0) button 0");

    defaults.setDouble("macCursorSmoothing", 0.5);
    inject(msg::MouseDelta { 20, 0 }); // target 100
    frames(1);
    EXPECT_EQ(lastLine(events), "mouse 5 (70,0) button 0");
}

TEST(PointerMotionTable, TargetIsClampedToTheUnionOfDisplaysWithoutTheLastRowAndColumn)
{
    // From (1000, 500). Side by side, the union spans x 0..3200 and y −200..1080; away from the
    // origin, x 100..1380 and y 50..1074.
    const std::vector<Rect> sideBySide { { 0, 0, 1920, 1080 }, { 1920, -200, 1280, 1024 } };
    const std::vector<Rect> awayFromOrigin { { 100, 50, 640, 512 }, { 740, 50, 640, 1024 } };
    // clang-format off
    const std::tuple<const char*, const std::vector<Rect>&, msg::MouseDelta, Point> rows[] = {
        { "past the right edge", sideBySide, { 5000, 0 }, { 3199, 500 } },
        { "exactly at maxX - 1", sideBySide, { 2199, 0 }, { 3199, 500 } },
        { "between maxX - 1 and maxX", sideBySide, { 2199.5F, 0 }, { 3199, 500 } },
        { "just inside", sideBySide, { 2198.5F, 0 }, { 3198.5, 500 } },
        { "past the left edge", sideBySide, { -5000, 0 }, { 0, 500 } },
        { "exactly at minX", sideBySide, { -1000, 0 }, { 0, 500 } },
        { "past the bottom edge", sideBySide, { 0, 5000 }, { 1000, 1079 } },
        { "past the top edge", sideBySide, { 0, -5000 }, { 1000, -200 } },
        { "inside the union but on no display", sideBySide, { 1500, 400 }, { 2500, 900 } },
        { "away from the origin: past the left and top edges", awayFromOrigin, { -5000, -5000 }, { 100, 50 } },
        { "away from the origin: exactly at minX and minY", awayFromOrigin, { -900, -450 }, { 100, 50 } },
        { "away from the origin: past the right and bottom edges", awayFromOrigin, { 5000, 5000 }, { 1379, 1073 } },
    };
    // clang-format on
    for (const auto& [name, displays, delta, expected] : rows) {
        InjectorHarness h;
        h.events.displays = displays;
        h.events.cursor = { 1000, 500 };
        h.landAtOnce();
        h.inject(delta);
        h.frames(1);
        EXPECT_EQ(h.events.cursor, expected) << name;
    }
}

TEST_F(PointerMotion, WithoutActiveDisplaysTheMainDisplayBoundsAndBeyondSixteenNone)
{
    events.displays.clear();
    events.mainDisplay = { 0, 0, 800, 600 };
    landAtOnce();
    inject(msg::MouseDelta { 5000, 5000 });
    frames(1);
    EXPECT_EQ(lastLine(events), "mouse 5 (799,599) button 0");

    // Only the first sixteen displays are asked for; a seventeenth does not widen the bounds.
    events.displays.assign(15, Rect { 0, 0, 100, 100 });
    events.displays.push_back({ 0, 0, 200, 200 });
    events.displays.push_back({ 0, 0, 5000, 5000 });
    advance(1);
    inject(msg::MouseDelta { 1000, 1000 });
    frames(1);
    EXPECT_EQ(lastLine(events), "mouse 5 (199,199) button 0");
}

TEST_F(PointerMotion, UnreadableCursorCountsAsOrigin)
{
    events.cursor = { 300, 300 };
    events.failToCreate = true;
    landAtOnce();
    inject(msg::MouseDelta { 10, 20 });
    events.failToCreate = false;
    frames(1);
    EXPECT_EQ(lastLine(events), "mouse 5 (10,20) button 0");
}

TEST_F(PointerMotion, NaNDeltaIsDropped)
{
    inject(msg::MouseDelta { std::numeric_limits<float>::quiet_NaN(), 1 });
    advance(1);
    EXPECT_TRUE(events.lines().empty());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(PointerMotion, DestroyedInjectorCancelsItsTimerAndPostsNothingMore)
{
    inject(msg::MouseDelta { 100, 0 });
    injector.reset();
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    advance(1);
    EXPECT_TRUE(events.lines().empty());
}

} // namespace
} // namespace kavora::test

namespace kavora::test {
namespace {

// Messages near a frame's deadline run that frame themselves (one wake instead of two); the
// frames still come at 120 a second whatever the message rate. The pointer chases a target far
// ahead, so every frame posts.
TEST(PointerMotionTable, MessagesLeadTheFramesDueSoonWithoutRaisingTheFrameRate)
{
    struct Row {
        const char* shows;
        double intervalMs;
        std::vector<double> jitterMs; // added to the messages' times in turn
        int ledMin; // of the frames in one second, how many a message ran
        int ledMax;
    };
    const Row rows[] = {
        { "at the frame rate, early or late by up to 0.9 ms: messages lead nearly all",
          1000.0 / 120,
          { 0, 0.9, -0.9, 0.5, -0.5 },
          117,
          120 },
        { "at half the frame rate: each message leads one frame, the timer runs the other",
          1000.0 / 60,
          { 0, 0.9, -0.9 },
          57,
          60 },
        { "at 200 a second: still 120 frames", 5, { 0 }, 0, 120 },
        { "at 100 a second: the timer keeps the rate", 10, { 0 }, 0, 120 },
    };
    for (const auto& row : rows) {
        InjectorHarness h;
        h.events.displays = { Rect { 0, 0, 1e12, 1e12 } };
        // Two bursts, the second after the frame timer stopped: each sets its own grid.
        for (const double start : { 1.0, 3.0 }) {
            int led = 0;
            const auto linesBefore = h.events.lines().size();
            const int messages = static_cast<int>(1000 / row.intervalMs) + 1;
            for (int i = 0; i < messages; ++i) {
                const double at
                    = start + (i * row.intervalMs + row.jitterMs[i % row.jitterMs.size()]) / 1000;
                h.advance(at - h.scheduler.now().count());
                const auto before = h.events.lines().size();
                h.inject(msg::MouseDelta { 1000, 0 });
                led += h.events.lines().size() > before ? 1 : 0;
            }
            const auto frames = static_cast<int>(h.events.lines().size() - linesBefore);
            EXPECT_GE(frames, 118) << row.shows << ", burst at " << start;
            EXPECT_LE(frames, 121) << row.shows << ", burst at " << start;
            EXPECT_GE(led, row.ledMin) << row.shows << ", burst at " << start;
            EXPECT_LE(led, row.ledMax) << row.shows << ", burst at " << start;
            h.advance(0.5); // idle past the resync gap: the timer stops
            ASSERT_EQ(h.scheduler.pendingCount(), 0u) << row.shows;
        }
    }
}

} // namespace
} // namespace kavora::test
