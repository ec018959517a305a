#include "platform/linux/accessibility/AtSpiAccessibility.h"

#include "platform/linux/accessibility/AtSpiElement.h"
#include "support/XvfbServer.h"
#include "support/linux/ChildProcess.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"
#include "support/linux/ScopedVariable.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

namespace kavora {
namespace {

using test::ChildProcess;
using test::PrivateSession;
using test::ScopedVariable;
using namespace std::chrono_literals;

constexpr std::chrono::seconds kWindowTimeout { 20 };

// The search the input injector makes: depth first, an element before its children, the first
// element whose title matches.
std::shared_ptr<AccessibilityElement>
findTitled(const std::shared_ptr<AccessibilityElement>& element, const std::string& title)
{
    if (element->title() == title)
        return element;
    const auto children = element->children();
    if (!children)
        return nullptr;
    for (const auto& child : *children) {
        if (auto found = findTitled(child, title))
            return found;
    }
    return nullptr;
}

std::optional<std::string> firstChildTitle(const std::shared_ptr<AccessibilityElement>& element)
{
    const auto children = element->children();
    if (!children || children->empty())
        return std::nullopt;
    return children->front()->title();
}

// A session with a window manager and an accessibility bus that Qt applications register with.
class AtSpiAccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& session = PrivateSession::instance();
        session.application();
        session.startWindowManager();
        // Start the accessibility bus before the applications, as a desktop session does.
        auto bus = QDBusConnection::sessionBus();
        const QDBusMessage address = bus.call(QDBusMessage::createMethodCall(
            "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"));
        ASSERT_EQ(address.type(), QDBusMessage::ReplyMessage)
            << address.errorMessage().toStdString();
        QDBusMessage enable = QDBusMessage::createMethodCall(
            "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set");
        enable << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled")
               << QVariant::fromValue(QDBusVariant(true));
        ASSERT_EQ(bus.call(enable).type(), QDBusMessage::ReplyMessage);
    }

    // A Qt window with zoom menus whose first menu is titled with the label; it becomes the
    // active window.
    static ChildProcess startWindow(const std::string& label)
    {
        ChildProcess window({ { KAVORA_ZOOM_MENU_WINDOW, label },
                              { { "QT_QPA_PLATFORM", "xcb" },
                                { "QT_XCB_GL_INTEGRATION", "none" },
                                { "QT_ACCESSIBILITY", "1" },
                                { "QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1" } },
                              true,
                              {} });
        EXPECT_EQ(window.readLine(kWindowTimeout), "READY");
        return window;
    }

    // Waits until the frontmost menu bar is the one of the window with that label.
    std::shared_ptr<AccessibilityElement> menuBarOf(const std::string& label)
    {
        std::shared_ptr<AccessibilityElement> menuBar;
        test::pollUntil(
            [&] {
                menuBar = accessibility_.frontmostMenuBar();
                return menuBar && firstChildTitle(menuBar) == label;
            },
            kWindowTimeout);
        return menuBar && firstChildTitle(menuBar) == label ? menuBar : nullptr;
    }

    static void activate(const ChildProcess& window)
    {
        // wmctrl -l -p: "<window id> <desktop> <pid> <host> <title>"
        std::istringstream listing(test::run({ "wmctrl", "-l", "-p" }).output);
        std::string line;
        while (std::getline(listing, line)) {
            std::istringstream fields(line);
            std::string id, desktop;
            pid_t pid = 0;
            fields >> id >> desktop >> pid;
            if (pid == window.pid()) {
                EXPECT_EQ(test::run({ "wmctrl", "-i", "-a", id }).exitStatus, 0);
                return;
            }
        }
        ADD_FAILURE() << "no window of process " << window.pid();
    }

    AtSpiAccessibility accessibility_;
};

TEST_F(AtSpiAccessibilityTest, PressesZoomInOfTheFrontmostApplication)
{
    ChildProcess window = startWindow("Alpha");
    const auto menuBar = menuBarOf("Alpha");
    ASSERT_TRUE(menuBar);

    const auto children = menuBar->children();
    ASSERT_TRUE(children);
    ASSERT_EQ(children->size(), 3U);
    EXPECT_EQ((*children)[1]->title(), "View");
    EXPECT_EQ((*children)[2]->title(), "表示");

    // The item has a shortcut, which some toolkits append to the name after a tab. "Zoom in"
    // in the first menu comes earlier in the walk and must not match.
    const auto zoomIn = findTitled(menuBar, "Zoom In");
    ASSERT_TRUE(zoomIn);
    EXPECT_TRUE(zoomIn->press());
    EXPECT_EQ(window.readLine(10s), "TRIGGERED Zoom In");
}

TEST_F(AtSpiAccessibilityTest, PressesAJapaneseItemInANestedMenu)
{
    ChildProcess window = startWindow("Beta");
    const auto menuBar = menuBarOf("Beta");
    ASSERT_TRUE(menuBar);

    const auto zoomOut = findTitled(menuBar, "縮小");
    ASSERT_TRUE(zoomOut);
    EXPECT_TRUE(zoomOut->press());
    EXPECT_EQ(window.readLine(10s), "TRIGGERED 縮小");
    EXPECT_EQ(findTitled(menuBar, "ズームイン"), nullptr);
}

TEST_F(AtSpiAccessibilityTest, FollowsTheActiveWindowFromOneApplicationToAnother)
{
    ChildProcess first = startWindow("First");
    ASSERT_TRUE(menuBarOf("First"));
    ChildProcess second = startWindow("Second");
    ASSERT_TRUE(menuBarOf("Second"));

    activate(first);
    const auto menuBar = menuBarOf("First");
    ASSERT_TRUE(menuBar);
    // Its text is "Zoom &Out\tCtrl+-": the title stops at the tab.
    const auto zoomOut = findTitled(menuBar, "Zoom Out");
    ASSERT_TRUE(zoomOut);
    EXPECT_TRUE(zoomOut->press());
    EXPECT_EQ(first.readLine(10s), "TRIGGERED Zoom Out");
    EXPECT_EQ(second.unreadOutput(), "");
}

TEST_F(AtSpiAccessibilityTest, DeadApplicationGivesNothing)
{
    ChildProcess window = startWindow("Gone");
    const auto menuBar = menuBarOf("Gone");
    ASSERT_TRUE(menuBar);
    const auto children = menuBar->children();
    ASSERT_TRUE(children && !children->empty());

    ASSERT_EQ(kill(window.pid(), SIGKILL), 0);
    ASSERT_TRUE(window.waitForExit(10s));

    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(test::pollUntil([&] { return !menuBar->children(); }, 10s));
    EXPECT_FALSE(children->front()->press());
    EXPECT_TRUE(test::pollUntil([&] { return accessibility_.frontmostMenuBar() == nullptr; }, 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
}

TEST_F(AtSpiAccessibilityTest, HungApplicationCostsOneTimeoutThenAnswersAtOnce)
{
    ChildProcess window = startWindow("Frozen");
    const auto menuBar = menuBarOf("Frozen");
    ASSERT_TRUE(menuBar);
    const auto zoomIn = findTitled(menuBar, "Zoom In");
    const auto zoomOut = findTitled(menuBar, "Zoom Out");
    ASSERT_TRUE(zoomIn && zoomOut);

    ASSERT_EQ(kill(window.pid(), SIGSTOP), 0);
    const auto started = std::chrono::steady_clock::now();
    const bool pressed = zoomIn->press();
    const auto timedOut = std::chrono::steady_clock::now();
    // The rest of the tree knows the application stopped answering.
    const bool pressedAgain = zoomOut->press();
    const auto title = zoomOut->title();
    const auto children = menuBar->children();
    const auto answered = std::chrono::steady_clock::now();
    // A new search gets at most one more timeout.
    const auto again = accessibility_.frontmostMenuBar();
    if (again)
        findTitled(again, "Zoom In"); // served partly from libatspi's cache, partly not
    const auto searchedAgain = std::chrono::steady_clock::now();
    kill(window.pid(), SIGCONT);

    EXPECT_FALSE(pressed);
    EXPECT_GE(timedOut - started, kAtSpiCallTimeout * 9 / 10);
    EXPECT_LT(timedOut - started, 2 * kAtSpiCallTimeout);
    EXPECT_FALSE(pressedAgain);
    EXPECT_EQ(title, std::nullopt);
    EXPECT_EQ(children, std::nullopt);
    EXPECT_LT(answered - timedOut, 500ms);
    EXPECT_LT(searchedAgain - answered, 2 * kAtSpiCallTimeout);
}

TEST(AtSpiAccessibilityTrustTest, TrustedExactlyWhereXTestIsUsable)
{
    PrivateSession::instance().display();
    EXPECT_TRUE(AtSpiAccessibility().isTrusted());
    EXPECT_TRUE(AtSpiAccessibility().requestTrust());

    test::XvfbServer withoutXTest({ "1280x800x24", { "-extension", "XTEST" } });
    ASSERT_TRUE(withoutXTest.running());
    {
        const ScopedVariable display("DISPLAY", withoutXTest.displayName());
        AtSpiAccessibility accessibility;
        EXPECT_FALSE(accessibility.isTrusted());
        EXPECT_FALSE(accessibility.requestTrust());
    }
    {
        const ScopedVariable display("DISPLAY", std::nullopt);
        EXPECT_FALSE(AtSpiAccessibility().isTrusted());
    }
}

// The yes is kept between calls, but not past the end of the X server.
TEST(AtSpiAccessibilityTrustTest, TrustEndsWithTheServerAndReturnsWithANewOne)
{
    test::XvfbServer server;
    ASSERT_TRUE(server.running());
    const ScopedVariable display("DISPLAY", server.displayName());
    AtSpiAccessibility accessibility;
    EXPECT_TRUE(accessibility.isTrusted());
    EXPECT_TRUE(accessibility.isTrusted());

    server.stop();
    EXPECT_FALSE(accessibility.isTrusted());

    test::XvfbServer successor;
    ASSERT_TRUE(successor.running());
    const ScopedVariable sameProcessNewDisplay("DISPLAY", successor.displayName());
    EXPECT_TRUE(accessibility.isTrusted());
}

// libatspi's connection is process-wide and, once made, stays: the case without a bus runs in a
// fresh process of its own.
TEST(AtSpiAccessibilityBusTest, NoAccessibilityBusGivesNoMenuBarAgainAndAgain)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("AT_SPI_BUS_ADDRESS", "unix:path=/nonexistent/kavora-no-bus", 1);
            unsetenv("DISPLAY");
            AtSpiAccessibility accessibility;
            const bool none
                = !accessibility.frontmostMenuBar() && !accessibility.frontmostMenuBar();
            std::_Exit(none ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace kavora
