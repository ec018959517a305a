// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "input/InjectorFixture.h"

#include <limits>

namespace kavora::test {
namespace {

using Buttons = InjectorTest;

TEST(ButtonsTable, EachButtonMessagePostsOneEventAtTheCursorWithClickStateOne)
{
    const std::pair<ControlMessage, std::string> rows[] = {
        { msg::LeftClickDown {}, "mouse 1 (300,200) button 0 click 1" },
        { msg::LeftClickUp {}, "mouse 2 (300,200) button 0 click 1" },
        { msg::RightClickDown {}, "mouse 3 (300,200) button 1 click 1" },
        { msg::RightClickUp {}, "mouse 4 (300,200) button 1 click 1" },
    };
    for (const auto& [message, expected] : rows) {
        InjectorHarness h;
        h.events.cursor = { 300, 200 };
        h.inject(message);
        EXPECT_EQ(h.events.lines(), (Lines { expected }));
        EXPECT_EQ(h.scheduler.pendingCount(), 0u) << expected << ": no frame timer";
    }
}

TEST(ButtonsTable, ClickAimsAtTheTargetUntilTheResyncGap)
{
    const std::pair<double, std::string> rows[] = {
        { 0.19, "mouse 1 (150,100) button 0 click 1" },
        { 0.2, "mouse 1 (700,700) button 0 click 1" },
    };
    for (const auto& [gap, expected] : rows) {
        InjectorHarness h;
        h.events.cursor = { 100, 100 };
        h.inject(msg::MouseDelta { 50, 0 });
        h.advance(gap);
        h.events.cursor = { 700, 700 };
        h.inject(msg::LeftClickDown {});
        EXPECT_EQ(h.events.lines().back(), expected) << gap;
    }
}

TEST_F(Buttons, ClickDuringSmoothingLandsOnTheTargetAndEndsTheSmoothing)
{
    inject(msg::MouseDelta { 100, 0 });
    frames(1);
    inject(msg::LeftClickDown {});
    advance(1);
    EXPECT_EQ(events.lines(),
              (Lines { "mouse 5 (55,0) button 0", "mouse 1 (100,0) button 0 click 1" }));
}

TEST_F(Buttons, DragPostsDraggedFramesBetweenPressAndRelease)
{
    events.cursor = { 10, 10 };
    landAtOnce();
    inject(msg::DragStart {});
    EXPECT_TRUE(injector->isDragging());
    inject(msg::DragDelta { 5, 0 });
    frames(1);
    inject(msg::DragDelta { 5, 0 });
    frames(1);
    inject(msg::DragEnd {});
    EXPECT_FALSE(injector->isDragging());
    inject(msg::MouseDelta { 5, 0 });
    frames(1);
    EXPECT_EQ(events.lines(),
              (Lines { "mouse 1 (10,10) button 0 click 1", "mouse 6 (15,10) button 0",
                       "mouse 6 (20,10) button 0", "mouse 2 (20,10) button 0 click 1",
                       "mouse 5 (25,10) button 0" }));
}

TEST_F(Buttons, UnpairedDragMessagesPostTheirButtonAndAFailedReleaseStillEndsTheDrag)
{
    inject(msg::DragEnd {});
    inject(msg::DragStart {});
    inject(msg::DragStart {});
    EXPECT_TRUE(injector->isDragging());
    events.failToCreate = true;
    inject(msg::DragEnd {});
    EXPECT_FALSE(injector->isDragging());
    EXPECT_EQ(events.lines(),
              (Lines { "mouse 2 (0,0) button 0 click 1", "mouse 1 (0,0) button 0 click 1",
                       "mouse 1 (0,0) button 0 click 1" }));
}

// How the stored settings read (absent, 0, another type) is InputSettingsTest's.
TEST(ScrollTable, SpeedDirectionAndRounding)
{
    constexpr auto kNaN = std::numeric_limits<float>::quiet_NaN();
    struct Row {
        const char* name;
        bool natural;
        double speed;
        float deltaY;
        Lines expected;
    };
    // clang-format off
    const Row rows[] = {
        { "natural as sent", true, 1, -4, { "scroll -4" } },
        { "natural off inverts", false, 1, 3, { "scroll -3" } },
        { "2.5 rounds away from zero", true, 2.5, 1, { "scroll 3" } },
        { "-2.5 rounds away from zero", true, 2.5, -1, { "scroll -3" } },
        { "0.49 rounds to 0", true, 0.49, 1, { "scroll 0" } },
        { "-0.6 rounds to -1", true, 0.6, -1, { "scroll -1" } },
        { "above int32 clamps", true, 1e10, 1, { "scroll 2147483647" } },
        { "below int32 clamps", true, 1e10, -1, { "scroll -2147483648" } },
        { "half past int32 max clamps", true, 2147483647.5, 1, { "scroll 2147483647" } },
        { "half past int32 min clamps", true, 2147483648.5, -1, { "scroll -2147483648" } },
        { "infinite is skipped", true, 1e300, 1e10F, {} },
        { "NaN is skipped", true, 1, kNaN, {} },
    };
    // clang-format on
    for (const auto& row : rows) {
        InjectorHarness h;
        h.settings.setNaturalScroll(row.natural);
        h.settings.setScrollSpeed(row.speed);
        h.inject(msg::Scroll { row.deltaY });
        EXPECT_EQ(h.events.lines(), row.expected) << row.name;
    }
}

TEST(ReleaseAllTable, LiftsEveryHeldButtonAndEndsTheDrag)
{
    const auto leftUp = "mouse 2 (300,200) button 0 click 1";
    const auto rightUp = "mouse 4 (300,200) button 1 click 1";
    struct Row {
        const char* name;
        std::vector<ControlMessage> messages;
        Lines released;
    };
    // clang-format off
    const Row rows[] = {
        { "nothing held", {}, {} },
        { "drag in progress", { msg::DragStart {}, msg::DragDelta { 5, 0 } }, { "mouse 2 (305,200) button 0 click 1" } },
        { "left held", { msg::LeftClickDown {} }, { leftUp } },
        { "right held", { msg::RightClickDown {} }, { rightUp } },
        { "both held", { msg::RightClickDown {}, msg::LeftClickDown {} }, { leftUp, rightUp } },
        { "click completed", { msg::LeftClickDown {}, msg::LeftClickUp {} }, {} },
        { "drag completed", { msg::DragStart {}, msg::DragEnd {} }, {} },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        InjectorHarness h;
        h.events.cursor = { 300, 200 };
        for (const auto& message : row.messages)
            h.inject(message);
        h.events.clear();
        h.injector->releaseAll();
        EXPECT_FALSE(h.injector->isDragging());
        h.injector->releaseAll(); // nothing is released twice
        EXPECT_EQ(h.events.lines(), row.released);
    }
}

TEST_F(Buttons, ReleaseAllFollowsWhatTheSystemWasActuallySent)
{
    events.failToCreate = true;
    inject(msg::RightClickDown {}); // never pressed
    events.failToCreate = false;
    inject(msg::LeftClickDown {});
    events.failToCreate = true;
    inject(msg::LeftClickUp {}); // the release did not get through
    events.failToCreate = false;
    events.clear();
    injector->releaseAll();
    EXPECT_EQ(events.lines(), (Lines { "mouse 2 (0,0) button 0 click 1" }));
}

} // namespace
} // namespace kavora::test
