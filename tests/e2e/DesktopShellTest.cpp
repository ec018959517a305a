// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The desktop program end to end: the real kavora on a private X display, session bus and
// accessibility bus, driven the way a person and their screen reader drive it (AT-SPI), with
// xfce4-panel's status tray as the tray host and kavora-remote as the controller device.
#include "AtSpiTree.h"
#include "ReceiverProcess.h"
#include "support/linux/ChildProcess.h"
#include "support/linux/FreePort.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"
#include "support/linux/X11TestClient.h"
#include "support/linux/XfcePanel.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace kavora::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kGuardLine
    = "KVGUARD 既に起動済みのインスタンスを検出 → 二重起動を防ぐため終了";
constexpr const char* kPromptTitle = "Kavora 接続の許可";

bool isBrandColour(QRgb pixel)
{
    return qAlpha(pixel) > 128 && std::abs(qRed(pixel) - 0x3B) < 40
        && std::abs(qGreen(pixel) - 0x9E) < 40 && std::abs(qBlue(pixel) - 0xDB) < 40;
}

bool hasBrandColour(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (isBrandColour(image.pixel(x, y)))
                return true;
        }
    }
    return false;
}

bool windowListed(const std::string& title)
{
    return run({ "wmctrl", "-l" }).output.find(title) != std::string::npos;
}

class DesktopShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& session = PrivateSession::instance();
        session.application();
        session.startWindowManager();
        // The accessibility bus, switched on, as a desktop with a screen reader has it.
        auto bus = QDBusConnection::sessionBus();
        const QDBusMessage address = bus.call(QDBusMessage::createMethodCall(
            "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"));
        ASSERT_EQ(address.type(), QDBusMessage::ReplyMessage);
        QDBusMessage enable = QDBusMessage::createMethodCall(
            "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set");
        enable << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled")
               << QVariant::fromValue(QDBusVariant(true));
        ASSERT_EQ(bus.call(enable).type(), QDBusMessage::ReplyMessage);
        initAtSpi();
    }

    // The session's tray, xfce4-panel's, started once for the suite's cases.
    static XfcePanel& tray()
    {
        static auto* panel = [] {
            auto* started = new XfcePanel;
            PrivateSession::instance().onStop([started] { started->stop(); });
            return started;
        }();
        return *panel;
    }

    std::string logPath(const std::string& name) const
    {
        return (PrivateSession::instance().root() / name).string();
    }

    ChildProcess startKavora(std::vector<std::string> arguments, const std::string& log,
                             bool headless = false)
    {
        arguments.insert(arguments.begin(), KAVORA_PROGRAM);
        EnvironmentChanges environment {
            { "LANG", "ja_JP.UTF-8" }, // whose locale this machine need not have generated
            { "LANGUAGE", "" },
            { "LC_ALL", "" },
            { "QT_QPA_PLATFORM", headless ? "offscreen" : "xcb" },
            { "QT_XCB_GL_INTEGRATION", "none" },
            { "QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1" },
            { "PULSE_SERVER", "unix:" + logPath("no-sound-server") },
            qtTrayLeakSuppression(),
        };
        return ChildProcess({ arguments, environment, true, logPath(log) });
    }

    // The accessible element of the program, found once it is there.
    static AtSpiNode waitFor(const std::function<AtSpiNode()>& find)
    {
        AtSpiNode found;
        pollUntil([&] { return (found = find()) != nullptr; }, kUiTimeout);
        return found;
    }
};

TEST_F(DesktopShellTest, ASecondLaunchShowsTheRunningWindowAndExits)
{
    if (!tray().missing().empty())
        GTEST_SKIP() << tray().missing();
    ASSERT_TRUE(tray().ready()) << readFile(tray().log());
    const std::string port = std::to_string(freePort());
    const std::vector<std::string> arguments { "--listen", "127.0.0.1", "--port", port,
                                               "--advertise" };
    ChildProcess first = startKavora(arguments, "first.log");
    const auto banner = first.readLine(kStartTimeout);
    ASSERT_TRUE(banner && banner->find("listening on port " + port) != std::string::npos)
        << readFile(logPath("first.log"));
    ASSERT_TRUE(pollUntil([] { return windowListed(kWindowTitle); }, kUiTimeout));

    // With a tray, closing the window only hides it.
    run({ "wmctrl", "-c", kWindowTitle });
    ASSERT_TRUE(pollUntil([] { return !windowListed(kWindowTitle); }, kUiTimeout));
    EXPECT_TRUE(first.running());

    ChildProcess second = startKavora(arguments, "second.log");
    EXPECT_EQ(second.waitForExit(kStartTimeout), 0);
    EXPECT_EQ(second.readLine(100ms), std::nullopt) << "no banner: it never listened";
    EXPECT_NE(readFile(logPath("second.log")).find(kGuardLine), std::string::npos)
        << readFile(logPath("second.log"));
    EXPECT_TRUE(pollUntil([] { return windowListed(kWindowTitle); }, kUiTimeout))
        << "the running copy shows its window again";
    EXPECT_TRUE(first.running());
}

TEST_F(DesktopShellTest, CopiesStartedTogetherLeaveOneAndADeadCopyBlocksNothing)
{
    const std::vector<std::string> headless { "--headless", "--advertise", "--listen",
                                              "127.0.0.1",  "--port",      "0" };
    ChildProcess a = startKavora(headless, "a.log", true);
    ChildProcess b = startKavora(headless, "b.log", true);
    std::optional<int> aExit;
    std::optional<int> bExit;
    ASSERT_TRUE(pollUntil(
        [&] {
            aExit = a.running() ? std::nullopt : a.waitForExit(0ms);
            bExit = b.running() ? std::nullopt : b.waitForExit(0ms);
            return aExit.has_value() != bExit.has_value();
        },
        kStartTimeout));
    ChildProcess& survivor = aExit ? b : a;
    EXPECT_EQ(aExit ? *aExit : *bExit, 0);
    EXPECT_NE(readFile(logPath(aExit ? "a.log" : "b.log")).find(kGuardLine), std::string::npos);
    const auto banner = survivor.readLine(kStartTimeout);
    ASSERT_TRUE(banner && banner->find("listening on port") != std::string::npos);
    EXPECT_TRUE(survivor.running());

    // Killed: no chance to clean up its lock or its socket.
    ::kill(survivor.pid(), SIGKILL);
    survivor.waitForExit(kStartTimeout);
    ChildProcess next = startKavora(headless, "next.log", true);
    const auto nextBanner = next.readLine(kStartTimeout);
    EXPECT_TRUE(nextBanner && nextBanner->find("listening on port") != std::string::npos)
        << readFile(logPath("next.log"));
}

TEST_F(DesktopShellTest, SwitchedOnInTheWindowAControllerConnectsAndTheQuitReleasesItsButton)
{
    if (const auto missing = missingPrograms({ "xdotool" }); !missing.empty())
        GTEST_SKIP() << missing;
    if (!tray().missing().empty())
        GTEST_SKIP() << tray().missing();
    ASSERT_TRUE(tray().ready()) << readFile(tray().log());
    const std::string port = std::to_string(freePort());
    ChildProcess kavora = startKavora({ "--listen", "127.0.0.1", "--port", port }, "kavora.log");
    ASSERT_EQ(kavora.readLine(kStartTimeout), "kavora: ready; advertising is off")
        << readFile(logPath("kavora.log"));

    const AtSpiNode app = waitFor([&] { return atSpiApplication(kavora.pid()); });
    const AtSpiNode window = waitFor([&] { return findAtSpi(app, "frame", kWindowTitle); });
    ASSERT_TRUE(window) << atSpiOutline(app);
    EXPECT_FALSE(atSpiShowing(findAtSpi(window, "push button", "終了")))
        << "with a tray, quitting is the panel's";
    const AtSpiNode toggle = findAtSpi(window, "check box", "Kavora");
    ASSERT_TRUE(toggle);
    EXPECT_FALSE(atSpiChecked(toggle));
    ASSERT_TRUE(atSpiAct(toggle));
    EXPECT_TRUE(waitFor([&] { return findAtSpi(window, "label", "接続を待機中…"); }));

    ChildProcess remote(
        { { KAVORA_REMOTE_PROGRAM, "connect", "127.0.0.1:" + port, "--name", "Pad", "--wait", "0" },
          {},
          true,
          logPath("remote.log"),
          true });
    // Unknown, it is held: the prompt shows the code kavora-remote shows, and 許可 lets it in.
    const AtSpiNode prompt = waitFor([&] { return findAtSpi(app, "dialog", kPromptTitle); });
    ASSERT_TRUE(prompt) << atSpiOutline(app);
    std::string printed;
    ASSERT_TRUE(pollUntil(
        [&] {
            const auto log = readFile(logPath("remote.log"));
            const auto at = log.find("verification code ");
            printed = at == std::string::npos ? "" : log.substr(at + 18, 6);
            return printed.size() == 6;
        },
        kReplyTimeout))
        << readFile(logPath("remote.log"));
    EXPECT_TRUE(findAtSpi(prompt, "label", printed.substr(0, 3) + " " + printed.substr(3)))
        << "the prompt shows the code kavora-remote printed, " << printed << "\n"
        << atSpiOutline(prompt, 6);
    ASSERT_TRUE(atSpiAct(findAtSpi(prompt, "push button", "許可")));
    ASSERT_TRUE(remote.writeInput("{\"heartbeat\":{}}\n"));
    ASSERT_TRUE(remote.readLine(kReplyTimeout)) << readFile(logPath("remote.log"));
    EXPECT_TRUE(waitFor([&] { return findAtSpi(window, "label", "接続中 · Pad"); }));

    // The panel's tray shows the connected icon, brand-coloured rays, at its left end; a click on
    // it opens the panel just under it, which says the same.
    const QRect icon(0, 0, XfcePanel::kHeight, XfcePanel::kHeight);
    EXPECT_TRUE(pollUntil(
        [&] {
            return hasBrandColour(
                QGuiApplication::primaryScreen()
                    ->grabWindow(0, icon.x(), icon.y(), icon.width(), icon.height())
                    .toImage());
        },
        kUiTimeout))
        << "the tray shows the connected icon";
    run({ "xdotool", "mousemove", std::to_string(icon.center().x()),
          std::to_string(icon.center().y()), "click", "1" });
    AtSpiNode panelStatus;
    ASSERT_TRUE(pollUntil(
        [&] {
            const AtSpiNode panel = findAtSpi(app, "frame", "Kavora");
            panelStatus = findAtSpi(panel, "label", "接続中 · Pad");
            return atSpiShowing(panelStatus);
        },
        kUiTimeout))
        << atSpiOutline(app, 2) << readFile(logPath("kavora.log"));
    const auto panel = atSpiExtents(findAtSpi(app, "frame", "Kavora"));
    ASSERT_TRUE(panel);
    EXPECT_NEAR(panel->top(), XfcePanel::kHeight, 2) << "right under the bar";
    EXPECT_EQ(panel->left(), 0) << "as close to the icon as the screen lets it";
    const auto status = atSpiExtents(panelStatus);
    ASSERT_TRUE(status);
    // The dot stands just left of the status text, once the panel has been painted.
    EXPECT_TRUE(pollUntil(
        [&] {
            return hasBrandColour(
                QGuiApplication::primaryScreen()
                    ->grabWindow(0, status->x() - 16, status->y(), 16, status->height())
                    .toImage());
        },
        kUiTimeout));

    const X11TestClient probe(PrivateSession::instance().display());
    ASSERT_TRUE(remote.writeInput("{\"leftClickDown\":{}}\n"));
    ASSERT_TRUE(pollUntil([&] { return probe.pointer().value().held(1); }, kUiTimeout));

    const AtSpiNode quit = findAtSpi(findAtSpi(app, "frame", "Kavora"), "push button", "終了");
    ASSERT_TRUE(atSpiAct(quit));
    EXPECT_EQ(kavora.waitForExit(kStartTimeout), 0) << readFile(logPath("kavora.log"));
    EXPECT_FALSE(probe.pointer().value().held(1)) << "nothing is left held";
    EXPECT_TRUE(remote.waitForExit(kReplyTimeout)) << "the controller was disconnected";
}

} // namespace
} // namespace kavora::test
