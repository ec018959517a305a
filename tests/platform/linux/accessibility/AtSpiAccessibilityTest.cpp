// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/accessibility/AtSpiAccessibility.h"

#include "platform/linux/accessibility/AtSpiElement.h"
#include "support/linux/ChildProcess.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"
#include "support/linux/ScopedVariable.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>
#include <sstream>

namespace kavora::test {
namespace {

using namespace std::chrono_literals;
using Element = std::shared_ptr<AccessibilityElement>;

constexpr std::chrono::seconds kWindowTimeout { 20 };

// The answer to one question, once it came.
template <class T> T answerTo(const std::function<void(AccessibilityElement::Answer<T>)>& ask)
{
    auto answer = std::make_shared<std::optional<T>>();
    ask([answer](T value) { *answer = std::move(value); });
    EXPECT_TRUE(pollUntil([&] { return answer->has_value(); }, 10s)) << "no answer";
    return answer->value_or(T {});
}

std::optional<std::string> titleOf(const Element& element)
{
    return answerTo<std::optional<std::string>>([&](auto answer) { element->title(answer); });
}

std::optional<AccessibilityElement::Elements> childrenOf(const Element& element)
{
    return answerTo<std::optional<AccessibilityElement::Elements>>(
        [&](auto answer) { element->children(answer); });
}

bool pressed(const Element& element)
{
    return answerTo<bool>([&](auto answer) { element->press(answer); });
}

Element frontmostMenuBar(AtSpiAccessibility& accessibility)
{
    return answerTo<Element>([&](auto answer) { accessibility.frontmostMenuBar(answer); });
}

// The search the input injector makes: depth first, an element before its children, the first
// element whose title matches.
Element findTitled(const Element& element, const std::string& title)
{
    if (titleOf(element) == title)
        return element;
    if (const auto children = childrenOf(element)) {
        for (const auto& child : *children) {
            if (auto found = findTitled(child, title))
                return found;
        }
    }
    return nullptr;
}

std::vector<std::string> childTitles(const Element& element)
{
    std::vector<std::string> titles;
    if (const auto children = childrenOf(element)) {
        for (const auto& child : *children)
            titles.push_back(titleOf(child).value_or("-"));
    }
    return titles;
}

// A session with a window manager and an accessibility bus that Qt applications register with;
// each case starts windows of ZoomMenuWindow, whose first menu is titled with their label.
class AtSpiAccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const auto missing = missingPrograms({ "Xvfb", "openbox", "dbus-daemon", "wmctrl" });
            !missing.empty())
            GTEST_SKIP() << missing;
        auto& session = PrivateSession::instance();
        session.application();
        session.startWindowManager();
        // Start the accessibility bus before the applications, as a desktop session does.
        auto bus = QDBusConnection::sessionBus();
        const QDBusMessage address = bus.call(QDBusMessage::createMethodCall(
            "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"));
        if (address.type() != QDBusMessage::ReplyMessage)
            GTEST_SKIP() << "no accessibility bus: " << address.errorMessage().toStdString();
        QDBusMessage enable = QDBusMessage::createMethodCall(
            "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set");
        enable << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled")
               << QVariant::fromValue(QDBusVariant(true));
        ASSERT_EQ(bus.call(enable).type(), QDBusMessage::ReplyMessage);
    }

    // A window that becomes the active one; its frontmost menu bar once the search sees it.
    Element startWindow(ChildProcess& window, const std::string& label)
    {
        window = ChildProcess({ { KAVORA_ZOOM_MENU_WINDOW, label },
                                { { "QT_QPA_PLATFORM", "xcb" },
                                  { "QT_XCB_GL_INTEGRATION", "none" },
                                  { "QT_ACCESSIBILITY", "1" },
                                  { "QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1" } },
                                true,
                                {} });
        EXPECT_EQ(window.readLine(kWindowTimeout), "READY");
        return menuBarOf(label);
    }

    Element menuBarOf(const std::string& label)
    {
        Element menuBar;
        const bool found = pollUntil(
            [&] {
                menuBar = frontmostMenuBar(accessibility_);
                const auto titles = menuBar ? childTitles(menuBar) : std::vector<std::string> {};
                return !titles.empty() && titles.front() == label;
            },
            kWindowTimeout);
        return found ? menuBar : nullptr;
    }

    static void activate(const ChildProcess& window)
    {
        // wmctrl -l -p: "<window id> <desktop> <pid> <host> <title>"
        std::istringstream listing(run({ "wmctrl", "-l", "-p" }).output);
        for (std::string line; std::getline(listing, line);) {
            std::istringstream fields(line);
            std::string id, desktop;
            pid_t pid = 0;
            if (fields >> id >> desktop >> pid && pid == window.pid()) {
                EXPECT_EQ(run({ "wmctrl", "-i", "-a", id }).exitStatus, 0);
                return;
            }
        }
        ADD_FAILURE() << "no window of process " << window.pid();
    }

    AtSpiAccessibility accessibility_;
};

TEST_F(AtSpiAccessibilityTest, PressesTheItemsOfTheActiveApplicationsMenus)
{
    ChildProcess first;
    ASSERT_TRUE(startWindow(first, "First"));
    ChildProcess second;
    ASSERT_TRUE(startWindow(second, "Second"));
    activate(first);
    const auto menuBar = menuBarOf("First");
    ASSERT_TRUE(menuBar) << "the search did not follow the active window";
    EXPECT_EQ(childTitles(menuBar), (std::vector<std::string> { "First", "View", "表示" }));

    struct Row {
        const char* shows;
        const char* title;
    };
    const Row rows[] = {
        // "Zoom in" in the first menu comes earlier in the walk: the case must match.
        { "an item with a shortcut", "Zoom In" },
        { "an item whose text is \"Zoom &Out\\tCtrl+-\": the title stops at the tab", "Zoom Out" },
        { "a Japanese item in a nested menu", "縮小" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        const auto item = findTitled(menuBar, row.title);
        ASSERT_TRUE(item);
        EXPECT_TRUE(pressed(item));
        EXPECT_EQ(first.readLine(10s), std::string("TRIGGERED ") + row.title);
    }
    EXPECT_EQ(findTitled(menuBar, "ズームイン"), nullptr);
    EXPECT_EQ(second.unreadOutput(), "");
}

TEST_F(AtSpiAccessibilityTest, DeadApplicationGivesNothing)
{
    ChildProcess window;
    const auto menuBar = startWindow(window, "Gone");
    ASSERT_TRUE(menuBar);
    const auto children = childrenOf(menuBar);
    ASSERT_TRUE(children && !children->empty());

    ASSERT_EQ(kill(window.pid(), SIGKILL), 0);
    ASSERT_TRUE(window.waitForExit(10s));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(pollUntil([&] { return !childrenOf(menuBar); }, 10s));
    EXPECT_FALSE(pressed(children->front()));
    EXPECT_TRUE(pollUntil([&] { return frontmostMenuBar(accessibility_) == nullptr; }, 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
}

// A stopped application answers nothing: the call runs into its timeout while the event loop
// goes on turning (the receiver answers its controller meanwhile), and the rest of the search
// knows at once.
TEST_F(AtSpiAccessibilityTest, HungApplicationCostsOneTimeoutThenAnswersAtOnce)
{
    ChildProcess window;
    const auto menuBar = startWindow(window, "Frozen");
    ASSERT_TRUE(menuBar);
    const auto zoomIn = findTitled(menuBar, "Zoom In");
    const auto zoomOut = findTitled(menuBar, "Zoom Out");
    ASSERT_TRUE(zoomIn && zoomOut);

    using Clock = std::chrono::steady_clock;
    Clock::duration longestGap {};
    auto lastTurn = Clock::now();
    QTimer turns;
    QObject::connect(&turns, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, Clock::now() - lastTurn);
        lastTurn = Clock::now();
    });
    ASSERT_EQ(kill(window.pid(), SIGSTOP), 0);
    const auto started = Clock::now();
    turns.start(10);
    const bool pressedIn = pressed(zoomIn);
    turns.stop();
    const auto timedOut = Clock::now();
    const bool pressedOut = pressed(zoomOut);
    const auto title = titleOf(zoomOut);
    const auto children = childrenOf(menuBar);
    const auto answered = Clock::now();
    frontmostMenuBar(accessibility_); // a new search gets at most one more timeout
    const auto searchedAgain = Clock::now();
    kill(window.pid(), SIGCONT);

    EXPECT_FALSE(pressedIn);
    EXPECT_GE(timedOut - started, kAtSpiCallTimeout * 9 / 10);
    EXPECT_LT(timedOut - started, 2 * kAtSpiCallTimeout);
    EXPECT_LT(longestGap, 400ms) << "nothing waited for the application";
    RecordProperty("longest_event_loop_gap_ms",
                   static_cast<int>(
                       std::chrono::duration_cast<std::chrono::milliseconds>(longestGap).count()));
    EXPECT_FALSE(pressedOut);
    EXPECT_EQ(title, std::nullopt);
    EXPECT_EQ(children, std::nullopt);
    EXPECT_LT(answered - timedOut, 500ms);
    EXPECT_LT(searchedAgain - answered, 2 * kAtSpiCallTimeout);
}

// Trust is a yes while XTEST is usable on $DISPLAY; the yes is kept between calls, but not past
// the end of the X server, which the event loop notices without the trust check reading anything.
TEST(AtSpiAccessibilityTrustTest, TrustedExactlyWhileXTestIsUsable)
{
    if (const auto missing = missingPrograms({ "Xvfb" }); !missing.empty())
        GTEST_SKIP() << missing;
    PrivateSession::instance().display();
    PrivateSession::instance().application();
    EXPECT_TRUE(AtSpiAccessibility().isTrusted());
    EXPECT_TRUE(AtSpiAccessibility().requestTrust());
    {
        XvfbServer withoutXTest({ "1280x800x24", { "-extension", "XTEST" } });
        ASSERT_TRUE(withoutXTest.running());
        const ScopedVariable display("DISPLAY", withoutXTest.displayName());
        AtSpiAccessibility accessibility;
        EXPECT_FALSE(accessibility.isTrusted());
        EXPECT_FALSE(accessibility.requestTrust());
    }
    {
        const ScopedVariable display("DISPLAY", std::nullopt);
        EXPECT_FALSE(AtSpiAccessibility().isTrusted());
    }
    XvfbServer server;
    ASSERT_TRUE(server.running());
    std::optional<ScopedVariable> display(std::in_place, "DISPLAY", server.displayName());
    AtSpiAccessibility accessibility;
    EXPECT_TRUE(accessibility.isTrusted());
    EXPECT_TRUE(accessibility.isTrusted());
    server.stop();
    EXPECT_TRUE(pollUntil([&] { return !accessibility.isTrusted(); }));
    XvfbServer successor;
    ASSERT_TRUE(successor.running());
    display.emplace("DISPLAY", successor.displayName());
    EXPECT_TRUE(accessibility.isTrusted());
}

TEST(AtSpiAccessibilityBusTest, NoAccessibilityBusGivesNoMenuBarAgainAndAgain)
{
    if (const auto missing = missingPrograms({ "Xvfb" }); !missing.empty())
        GTEST_SKIP() << missing;
    PrivateSession::instance().application();
    const ScopedVariable bus("AT_SPI_BUS_ADDRESS", "unix:path=/nonexistent/kavora-no-bus");
    const ScopedVariable display("DISPLAY", std::nullopt);
    AtSpiAccessibility accessibility;
    EXPECT_EQ(frontmostMenuBar(accessibility), nullptr);
    EXPECT_EQ(frontmostMenuBar(accessibility), nullptr);
}

} // namespace
} // namespace kavora::test
