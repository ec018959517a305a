// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "X11InputTest.h"

#include <cmath>

namespace kavora::test {
namespace {

using enum MouseEventType;

MouseEvent mouse(MouseEventType type, double x, double y)
{
    const bool right = type == RightMouseDown || type == RightMouseUp;
    const bool click = type != MouseMoved && type != LeftMouseDragged;
    const auto button = right ? MouseButton::Right : MouseButton::Left;
    return { type, { x, y }, button, click ? std::optional<std::int64_t>(1) : std::nullopt };
}

using X11EventServicesTest = X11InputTest;

TEST_F(X11EventServicesTest, PointerLandsWherePostedInRootPixels)
{
    ASSERT_TRUE(services_->postMouse(mouse(MouseMoved, 700.4, 399.6)));
    EXPECT_EQ(arrived(), "motion (700,400)");
    EXPECT_FALSE(services_->postMouse(mouse(MouseMoved, std::nan(""), 5)));
    EXPECT_FALSE(services_->postMouse(mouse(LeftMouseDown, 5, INFINITY)));
}

TEST_F(X11EventServicesTest, DisplaysAreTheMonitorsPrimaryFirstElseTheRootIsMain)
{
    if (const auto missing = missingPrograms({ "xrandr" }); !missing.empty())
        GTEST_SKIP() << missing;
    const struct Removal {
        std::string display;
        ~Removal()
        {
            for (const char* monitor : { "A", "B" })
                run({ "xrandr", "--delmonitor", monitor }, { { "DISPLAY", display } });
        }
    } removal { display_ };
    const Rect a { 0, 0, 1000, 700 };
    const Rect b { 1000, 300, 800, 600 };
    // The server does not announce monitors set by a client (the only layout change Xvfb
    // allows), so each change is seen from the next pointer read, where a motion starts.
    EXPECT_EQ(services_->activeDisplayBounds(), (std::vector<Rect> { { 0, 0, 1920, 1080 } }));
    ASSERT_TRUE(runClient({ "xrandr", "--setmonitor", "A", "1000/260x700/180+0+0", "screen" }));
    EXPECT_TRUE(services_->cursorLocation());
    EXPECT_EQ(services_->activeDisplayBounds(), std::vector<Rect> { a });
    EXPECT_EQ(services_->mainDisplayBounds(), (Rect { 0, 0, 1920, 1080 }));
    ASSERT_TRUE(runClient({ "xrandr", "--setmonitor", "*B", "800/200x600/150+1000+300", "none" }));
    EXPECT_TRUE(services_->cursorLocation());
    EXPECT_EQ(services_->activeDisplayBounds(), (std::vector<Rect> { b, a }));
    EXPECT_EQ(services_->mainDisplayBounds(), b);
}

TEST_F(X11EventServicesTest, ButtonsAndDragsArriveWhereAndAsPosted)
{
    const std::tuple<const char*, std::vector<MouseEvent>, const char*> rows[] = {
        { "a click of each button, each where posted",
          { mouse(LeftMouseDown, 150, 250), mouse(LeftMouseUp, 160, 250),
            mouse(RightMouseDown, 400, 300), mouse(RightMouseUp, 400, 300) },
          "motion (150,250), press 1 (150,250), motion (160,250) +Button1, release 1 (160,250) "
          "+Button1, motion (400,300), press 3 (400,300), motion (400,300) +Button3, release 3 "
          "(400,300) +Button3" },
        { "a drag is motion with the button held",
          { mouse(LeftMouseDown, 100, 100), mouse(LeftMouseDragged, 300, 300),
            mouse(LeftMouseUp, 320, 310) },
          "motion (100,100), press 1 (100,100), motion (300,300) +Button1, motion (320,310) "
          "+Button1, release 1 (320,310) +Button1" },
    };
    for (const auto& [shows, posts, expected] : rows) {
        for (const auto& event : posts)
            EXPECT_TRUE(services_->postMouse(event));
        EXPECT_EQ(arrived(), expected) << shows;
    }
}

TEST_F(X11EventServicesTest, APointerMapChangeBetweenClicksIsHonouredByTheNext)
{
    const auto click = [this] {
        EXPECT_TRUE(services_->postMouse(mouse(LeftMouseDown, 50, 60)));
        EXPECT_TRUE(services_->postMouse(mouse(LeftMouseUp, 50, 60)));
        EXPECT_TRUE(services_->postButtonAtCursor(RightMouseDown, MouseButton::Right));
        EXPECT_TRUE(services_->postButtonAtCursor(RightMouseUp, MouseButton::Right));
        // Taken by the server before the other client changes the map: it does not order the
        // requests of two clients by when they were sent.
        EXPECT_TRUE(services_->isXTestUsable());
    };
    constexpr const char* kLogicalClicks
        = "motion (50,60), press 1 (50,60), motion (50,60) +Button1, release 1 (50,60) +Button1, "
          "press 3 (50,60), release 3 (50,60) +Button3";
    // Before, under and after a left-handed map, which swaps the physical buttons 1 and 3.
    click();
    EXPECT_EQ(arrived(), kLogicalClicks) << "right-handed";
    ASSERT_TRUE(client_->swapPointerButtons(1, 3));
    struct Restore {
        X11TestClient& client;
        bool swapped = true;
        ~Restore()
        {
            if (swapped)
                client.swapPointerButtons(1, 3);
        }
    } restore { *client_ };
    click();
    EXPECT_EQ(arrived(), kLogicalClicks) << "left-handed";
    ASSERT_TRUE(client_->swapPointerButtons(1, 3));
    restore.swapped = false;
    click();
    EXPECT_EQ(arrived(), kLogicalClicks) << "right-handed again";
}

TEST_F(X11EventServicesTest, TheCursorAndButtonsAtItAreWhereAnotherClientPutThePointer)
{
    client_->warpPointer(321, 123);
    EXPECT_EQ(services_->cursorLocation(), (Point { 321, 123 }));
    EXPECT_TRUE(services_->postButtonAtCursor(LeftMouseDown, MouseButton::Left));
    EXPECT_TRUE(services_->postButtonAtCursor(LeftMouseUp, MouseButton::Left));
    EXPECT_FALSE(services_->postButtonAtCursor(MouseMoved, MouseButton::Left));
    EXPECT_EQ(arrived(), "motion (321,123), press 1 (321,123), release 1 (321,123) +Button1");
}

TEST_F(X11EventServicesTest, ScrollingUpIsWheelButtonFourAndDownFive)
{
    EXPECT_TRUE(services_->postScroll(80));
    EXPECT_TRUE(services_->postScroll(-40));
    EXPECT_EQ(arrived(),
              "press 4 (0,0), release 4 (0,0), press 4 (0,0), release 4 (0,0), press 5 "
              "(0,0), release 5 (0,0)");
}

// Posts fail without the server or without XTEST, queries answer what they still can, and nothing
// ends the process.
TEST(X11EventServicesUnavailable, PostsFailWithoutAServerOrXTest)
{
    if (const auto missing = missingPrograms({ "Xvfb" }); !missing.empty())
        GTEST_SKIP() << missing;
    InMemoryUserDefaults defaults;
    InputSettings settings(defaults);
    const auto postsFail = [](X11EventServices& services) {
        EXPECT_FALSE(services.isXTestUsable());
        EXPECT_FALSE(services.postMouse(mouse(MouseMoved, 10, 10)));
        EXPECT_FALSE(services.postScroll(400));
        EXPECT_FALSE(services.postKey({ 0, KeyState::Down, std::nullopt, std::nullopt }));
        EXPECT_FALSE(services.postMediaKey({ 0xA00, 8, 0x70A00, -1 }));
    };
    {
        SCOPED_TRACE("no XTEST: the display still answers");
        XvfbServer server({ "1920x1080x24", { "-extension", "XTEST" } });
        ASSERT_TRUE(server.running());
        X11EventServices services(settings, server.displayName());
        postsFail(services);
        EXPECT_FALSE(isXTestUsableOnDisplay(server.displayName()));
        EXPECT_TRUE(services.cursorLocation());
        EXPECT_EQ(services.activeDisplayBounds(), (std::vector<Rect> { { 0, 0, 1920, 1080 } }));
    }
    XvfbServer server;
    ASSERT_TRUE(server.running());
    EXPECT_TRUE(isXTestUsableOnDisplay(server.displayName()));
    X11EventServices services(settings, server.displayName());
    ASSERT_TRUE(services.isXTestUsable());
    server.stop();
    X11EventServices neverConnected(settings, ":65000");
    for (auto* unavailable : { &services, &neverConnected }) {
        SCOPED_TRACE(unavailable == &services ? "the server went away" : "no server");
        postsFail(*unavailable);
        EXPECT_FALSE(unavailable->cursorLocation());
        EXPECT_TRUE(unavailable->activeDisplayBounds().empty());
        EXPECT_EQ(unavailable->mainDisplayBounds(), Rect {});
    }
    EXPECT_FALSE(isXTestUsableOnDisplay(":65000"));
}

} // namespace
} // namespace kavora::test
