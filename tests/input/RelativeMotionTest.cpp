// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The injector where the system has no pointer position: the same smoothing, posted as steps.
#include "input/InjectorFixture.h"

#include <cmath>
#include <regex>

namespace kavora::test {
namespace {

// The steps of the posted lines, summed, and how many there were.
struct Steps {
    double dx = 0;
    double dy = 0;
    int count = 0;
};

Steps sumSteps(const Lines& lines)
{
    static const std::regex step(R"(step \(([-0-9.e]+),([-0-9.e]+)\))");
    Steps sum;
    for (const auto& line : lines) {
        std::smatch match;
        if (std::regex_match(line, match, step)) {
            sum.dx += std::stod(match[1]);
            sum.dy += std::stod(match[2]);
            ++sum.count;
        }
    }
    return sum;
}

struct RelativeHarness : InjectorHarness {
    RelativeHarness() { events.positioned = false; }
};

class RelativeMotion : public ::testing::Test, protected RelativeHarness { };

TEST(RelativeMotionTable, StepsFollowTheSameSmoothingAsPositionsAndAddUpToTheMotion)
{
    // speed, smoothing: the positioned run posts positions from (500,500) whose differences
    // must be the relative run's steps, frame by frame.
    const std::pair<double, double> rows[] = { { 1, 0 }, { 2, 0.3 }, { -1, 1 } };
    for (const auto& [speed, smoothing] : rows) {
        SCOPED_TRACE(speed);
        InjectorHarness positioned;
        RelativeHarness relative;
        positioned.events.cursor = { 500, 500 };
        Point previous = positioned.events.cursor;
        for (InjectorHarness* h :
             std::initializer_list<InjectorHarness*> { &positioned, &relative }) {
            h->settings.setCursorSpeed(speed);
            h->defaults.setDouble("macCursorSmoothing", smoothing);
        }
        for (int frame = 0; frame < 40; ++frame) {
            if (frame < 3) {
                positioned.inject(msg::MouseDelta { 30, -12 });
                relative.inject(msg::MouseDelta { 30, -12 });
            }
            positioned.frames(1);
            relative.frames(1);
            const auto steps = sumSteps(relative.events.lines());
            relative.events.clear();
            const Point now = positioned.events.cursor;
            EXPECT_NEAR(steps.dx, now.x - previous.x, 1e-9) << frame;
            EXPECT_NEAR(steps.dy, now.y - previous.y, 1e-9) << frame;
            previous = now;
        }
        EXPECT_NEAR(previous.x - 500, 90 * speed, 1e-9);
        EXPECT_NEAR(previous.y - 500, -36 * speed, 1e-9);
    }
}

TEST_F(RelativeMotion, NothingIsClampedOrReadAfterAPauseTheCompositorKeepsThePointerOnScreen)
{
    landAtOnce();
    events.cursor = { 100, 100 }; // never read
    inject(msg::MouseDelta { -5000, 0 });
    frames(1);
    advance(1); // a pause: the next motion carries on, there is no position to start afresh from
    inject(msg::MouseDelta { 30, 40 });
    frames(1);
    EXPECT_EQ(events.lines(), (Lines { "step (-5000,0)", "step (30,40)" }));
}

TEST_F(RelativeMotion, AClickDuringMotionStepsOntoTheTargetFirstThenPressesThere)
{
    inject(msg::MouseDelta { 100, 0 });
    frames(1);
    inject(msg::LeftClickDown {});
    advance(1);
    inject(msg::LeftClickUp {});
    EXPECT_EQ(events.lines(),
              (Lines { "step (55,0)", "step (45,0)", "mouse 1 (0,0) button 0 click 1",
                       "mouse 2 (0,0) button 0 click 1" }));
}

TEST_F(RelativeMotion, ADragHoldsTheButtonAcrossItsSteps)
{
    landAtOnce();
    inject(msg::DragStart {});
    inject(msg::DragDelta { 10, 5 });
    frames(1);
    inject(msg::DragDelta { -4, 0 });
    frames(1);
    inject(msg::DragEnd {});
    EXPECT_EQ(events.lines(),
              (Lines { "mouse 1 (0,0) button 0 click 1", "step (10,5)", "step (-4,0)",
                       "mouse 2 (0,0) button 0 click 1" }));
    EXPECT_FALSE(injector->isDragging());
}

} // namespace
} // namespace kavora::test
