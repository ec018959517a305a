#include "support/linux/X11DisplayFixture.h"

#include <X11/Xlib.h>

#include <cmath>

namespace kavora::test {
namespace {

using Kind = X11TestWindow::Event::Kind;

std::vector<std::string> lines(const std::vector<X11TestWindow::Event>& events)
{
    std::vector<std::string> described;
    for (const auto& event : events)
        described.push_back(X11TestWindow::describe(event));
    return described;
}

MouseEvent mouse(MouseEventType type, double x, double y)
{
    const bool button
        = type != MouseEventType::MouseMoved && type != MouseEventType::LeftMouseDragged;
    const bool right
        = type == MouseEventType::RightMouseDown || type == MouseEventType::RightMouseUp;
    return { type,
             { x, y },
             right ? MouseButton::Right : MouseButton::Left,
             button ? std::optional<std::int64_t>(1) : std::nullopt };
}

class X11EventServicesTest : public X11DisplayFixture {
protected:
    // The button events that arrive before a move to a spot no test uses, posted as an end mark.
    std::vector<std::string> buttonsBeforeMark()
    {
        EXPECT_TRUE(services_->postMouse(mouse(MouseEventType::MouseMoved, 1917, 1077)));
        auto events = window_->takeUntil(
            [](const auto& e) { return e.kind == Kind::Motion && e.x == 1917 && e.y == 1077; });
        EXPECT_FALSE(events.empty()) << "the end mark did not arrive";
        std::erase_if(events, [](const auto& e) { return e.kind == Kind::Motion; });
        return lines(events);
    }
};

TEST_F(X11EventServicesTest, PointerLandsWherePostedInRootPixels)
{
    ASSERT_TRUE(services_->postMouse(mouse(MouseEventType::MouseMoved, 700.4, 399.6)));
    const auto motion = window_->waitFor([](const auto& e) { return e.kind == Kind::Motion; });
    ASSERT_TRUE(motion);
    EXPECT_EQ(std::pair(motion->x, motion->y), std::pair(700, 400));
    EXPECT_EQ(services_->cursorLocation(), (Point { 700, 400 }));
    EXPECT_EQ(window_->pointer(), std::pair(700, 400));
}

TEST_F(X11EventServicesTest, CursorLocationFollowsOtherClients)
{
    XWarpPointer(window_->display(), None, DefaultRootWindow(window_->display()), 0, 0, 0, 0, 321,
                 123);
    XSync(window_->display(), False);
    EXPECT_EQ(services_->cursorLocation(), (Point { 321, 123 }));
}

TEST_F(X11EventServicesTest, DisplaysAreTheMonitorsPrimaryFirst)
{
    ASSERT_TRUE(
        xvfb_.runClient({ "xrandr", "--setmonitor", "A", "1000/260x700/180+0+0", "screen" }));
    ASSERT_TRUE(
        xvfb_.runClient({ "xrandr", "--setmonitor", "*B", "800/200x600/150+1000+300", "none" }));
    const Rect a { 0, 0, 1000, 700 };
    const Rect b { 1000, 300, 800, 600 };
    const auto displays = services_->activeDisplayBounds();
    EXPECT_EQ(displays, (std::vector<Rect> { b, a }));
    EXPECT_EQ(services_->mainDisplayBounds(), b);
    ASSERT_EQ(displays.size(), 2u);
    EXPECT_EQ(displays[0].united(displays[1]), (Rect { 0, 0, 1800, 900 }));
}

TEST_F(X11EventServicesTest, WithoutAPrimaryMonitorTheMainDisplayIsTheRootWindow)
{
    ASSERT_TRUE(
        xvfb_.runClient({ "xrandr", "--setmonitor", "A", "1000/260x700/180+0+0", "screen" }));
    EXPECT_EQ(services_->activeDisplayBounds(), (std::vector<Rect> { { 0, 0, 1000, 700 } }));
    EXPECT_EQ(services_->mainDisplayBounds(), (Rect { 0, 0, 1920, 1080 }));
}

TEST_F(X11EventServicesTest, ButtonsArriveWhereAndAsPosted)
{
    using enum MouseEventType;
    for (const auto& event : { mouse(LeftMouseDown, 150, 250), mouse(LeftMouseUp, 160, 250),
                               mouse(RightMouseDown, 400, 300), mouse(RightMouseUp, 400, 300) })
        ASSERT_TRUE(services_->postMouse(event));
    EXPECT_EQ(buttonsBeforeMark(),
              (std::vector<std::string> { "press 1 (150,250)", "release 1 (160,250) +Button1",
                                          "press 3 (400,300)", "release 3 (400,300) +Button3" }));
}

TEST_F(X11EventServicesTest, DragIsMotionWithTheButtonHeld)
{
    using enum MouseEventType;
    for (const auto& event : { mouse(LeftMouseDown, 100, 100), mouse(LeftMouseDragged, 300, 300),
                               mouse(LeftMouseUp, 320, 310) })
        ASSERT_TRUE(services_->postMouse(event));
    const auto events = window_->takeUntil([](const auto& e) { return e.kind == Kind::ButtonUp; });
    EXPECT_EQ(lines(events),
              (std::vector<std::string> { "motion (100,100)", "press 1 (100,100)",
                                          "motion (300,300) +Button1", "motion (320,310) +Button1",
                                          "release 1 (320,310) +Button1" }));
}

TEST_F(X11EventServicesTest, LeftHandedPointerMapStillGivesTheLogicalButtons)
{
    unsigned char map[256];
    const int buttons = XGetPointerMapping(window_->display(), map, sizeof map);
    ASSERT_GE(buttons, 3);
    std::swap(map[0], map[2]);
    ASSERT_EQ(XSetPointerMapping(window_->display(), map, buttons), MappingSuccess);
    XSync(window_->display(), False);
    ASSERT_TRUE(services_->postMouse(mouse(MouseEventType::LeftMouseDown, 50, 60)));
    ASSERT_TRUE(services_->postMouse(mouse(MouseEventType::LeftMouseUp, 50, 60)));
    EXPECT_EQ(buttonsBeforeMark(),
              (std::vector<std::string> { "press 1 (50,60)", "release 1 (50,60) +Button1" }));
}

TEST_F(X11EventServicesTest, ScrollUpIsWheelButtonFourAndTheRestIsCarried)
{
    ASSERT_TRUE(services_->postMouse(mouse(MouseEventType::MouseMoved, 5, 5)));
    EXPECT_TRUE(services_->postScroll(100)); // two clicks, 20 pixels left
    EXPECT_TRUE(services_->postScroll(20)); // one more
    EXPECT_TRUE(services_->postScroll(-79)); // one click down, 39 pixels short of another
    auto events = buttonsBeforeMark();
    std::erase_if(events, [](const std::string& line) { return line.starts_with("release"); });
    EXPECT_EQ(events,
              (std::vector<std::string> { "press 4 (5,5)", "press 4 (5,5)", "press 4 (5,5)",
                                          "press 5 (5,5)" }));
}

TEST_F(X11EventServicesTest, PositionsThatAreNoNumbersAreRefused)
{
    EXPECT_FALSE(services_->postMouse(mouse(MouseEventType::MouseMoved, std::nan(""), 5)));
    EXPECT_FALSE(services_->postMouse(mouse(MouseEventType::LeftMouseDown, 5, INFINITY)));
}

TEST_F(X11EventServicesTest, AServerThatWentAwayFailsEveryCallWithoutEndingTheProcess)
{
    window_.reset();
    xvfb_.stop();
    EXPECT_FALSE(services_->postMouse(mouse(MouseEventType::MouseMoved, 10, 10)));
    EXPECT_FALSE(services_->postScroll(400));
    EXPECT_FALSE(services_->postKey({ 0, KeyState::Down, std::nullopt, std::nullopt }));
    EXPECT_FALSE(services_->postMediaKey({ 0xA00, 8, 0x70A00, -1 }));
    EXPECT_FALSE(services_->cursorLocation());
    EXPECT_TRUE(services_->activeDisplayBounds().empty());
    EXPECT_FALSE(services_->isXTestUsable());
    services_.reset();
}

TEST(X11EventServicesWithoutXTest, PostsFailButTheDisplaysAnswer)
{
    XvfbServer xvfb({ "1920x1080x24", { "-extension", "XTEST" } });
    ASSERT_TRUE(xvfb.running());
    InMemoryUserDefaults defaults;
    InputSettings settings(defaults);
    X11EventServices services(settings, xvfb.displayName());
    EXPECT_FALSE(services.isXTestUsable());
    EXPECT_FALSE(isXTestUsableOnDisplay(xvfb.displayName()));
    EXPECT_FALSE(services.postMouse(mouse(MouseEventType::MouseMoved, 10, 10)));
    EXPECT_FALSE(services.postKey({ 0, KeyState::Down, std::nullopt, std::nullopt }));
    EXPECT_TRUE(services.cursorLocation());
    EXPECT_EQ(services.activeDisplayBounds(), (std::vector<Rect> { { 0, 0, 1920, 1080 } }));
}

TEST(X11EventServicesWithoutDisplay, EverythingAnswersNothing)
{
    InMemoryUserDefaults defaults;
    InputSettings settings(defaults);
    X11EventServices services(settings, ":65000");
    EXPECT_FALSE(services.isXTestUsable());
    EXPECT_FALSE(isXTestUsableOnDisplay(":65000"));
    EXPECT_FALSE(services.cursorLocation());
    EXPECT_TRUE(services.activeDisplayBounds().empty());
    EXPECT_EQ(services.mainDisplayBounds(), Rect {});
    EXPECT_FALSE(services.postMouse(mouse(MouseEventType::MouseMoved, 10, 10)));
    EXPECT_FALSE(services.postScroll(40));
    EXPECT_FALSE(services.postMediaKey({ 0xA00, 8, 0xA00, -1 }));
}

TEST(X11EventServicesOnDisplay, XTestIsUsableOnAnOrdinaryServer)
{
    XvfbServer xvfb;
    ASSERT_TRUE(xvfb.running());
    EXPECT_TRUE(isXTestUsableOnDisplay(xvfb.displayName()));
}

} // namespace
} // namespace kavora::test
