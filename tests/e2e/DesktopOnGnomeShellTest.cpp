// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The desktop program in a real GNOME Shell session on Wayland (HeadlessGnome), the desktop most
// people start: no tray, so the settings window is the program's face, and a receiver that keeps
// running without its window shows in the shell's notifications.
#include "AtSpiTree.h"
#include "ReceiverProcess.h"
#include "support/linux/HeadlessGnome.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"
#include "support/linux/XfcePanel.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kavora::test {
namespace {

constexpr const char* kNoticeTitle = "Kavora は動作中です";

class DesktopOnGnomeShell : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!gnome.problem().empty())
            GTEST_SKIP() << gnome.problem();
        environment = gnome.environment();
        environment.insert(
            environment.end(),
            { { "LANG", "ja_JP.UTF-8" }, // whose locale this machine need not have generated
              { "LANGUAGE", "" },
              { "LC_ALL", "" },
              { "DISPLAY", gnome.xDisplay() },
              { "XAUTHORITY", gnome.xauthority() },
              { "DBUS_SESSION_BUS_ADDRESS", PrivateSession::instance().sessionBus() },
              // What Qt 6.4 picks on GNOME, also where the tests run with another platform.
              { "QT_QPA_PLATFORM", "xcb" },
              { "QT_XCB_GL_INTEGRATION", "none" },
              { "QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1" },
              { "PULSE_SERVER", "unix:" + log("no-sound-server") },
              qtTrayLeakSuppression() });
        initAtSpi();
    }

    std::string log(const std::string& name) const
    {
        return (PrivateSession::instance().root() / name).string();
    }

    ChildProcess startKavora(const std::string& logName)
    {
        return ChildProcess({ { KAVORA_PROGRAM, "--listen", "127.0.0.1", "--port", "0" },
                              environment,
                              true,
                              log(logName) });
    }

    // Closes the window as its title bar's button does, once the shell manages it (Qt on GNOME
    // puts its windows on Xwayland).
    void closeWindow()
    {
        pollUntil(
            [&] {
                return run({ "wmctrl", "-c", kWindowTitle }, environment).exitStatus == 0;
            },
            kUiTimeout);
    }

    static AtSpiNode waitFor(const std::function<AtSpiNode()>& find)
    {
        AtSpiNode found;
        pollUntil([&] { return (found = find()) != nullptr; }, kUiTimeout);
        return found;
    }

    // The program's window of that title, as a screen reader finds it.
    static AtSpiNode frame(const ChildProcess& program, const std::string& title)
    {
        return findAtSpi(atSpiApplication(program.pid()), "frame", title);
    }

    // The shell lists the notification in its message tray (its banner may wait behind the
    // shell's own).
    bool noticeListed() const
    {
        return findAtSpi(atSpiApplication(gnome.compositorPid()), "label", kNoticeTitle) != nullptr;
    }

    HeadlessGnome& gnome = HeadlessGnome::instance(HeadlessGnome::Compositor::Shell);
    EnvironmentChanges environment;
};

TEST_F(DesktopOnGnomeShell, ClosedWhileOnItKeepsRunningInANoticeAndItsQuitEndsIt)
{
    ChildProcess kavora = startKavora("kavora.log");
    ASSERT_EQ(kavora.readLine(kStartTimeout), "kavora: ready; advertising is off")
        << readFile(log("kavora.log"));
    const AtSpiNode window = waitFor([&] { return frame(kavora, kWindowTitle); });
    ASSERT_TRUE(window) << atSpiOutline(atSpiApplication(kavora.pid()));
    ASSERT_TRUE(pollUntil([&] { return atSpiShowing(findAtSpi(window, "push button", "終了")); },
                          kUiTimeout))
        << "without a tray the window offers the quit\n"
        << atSpiOutline(window, 8);
    ASSERT_TRUE(atSpiAct(findAtSpi(window, "check box", "Kavora")));
    ASSERT_TRUE(waitFor([&] { return findAtSpi(window, "label", "接続を待機中…"); }));

    closeWindow();
    ASSERT_TRUE(pollUntil([&] { return noticeListed(); }, kUiTimeout))
        << readFile(log("kavora.log"));
    EXPECT_TRUE(kavora.running());

    // Chosen from the menu again, the program brings its window back in place of the notice.
    ChildProcess fromMenu({ { KAVORA_PROGRAM }, environment, false, log("again.log") });
    EXPECT_EQ(fromMenu.waitForExit(kStartTimeout), 0);
    EXPECT_TRUE(pollUntil([&] { return atSpiShowing(frame(kavora, kWindowTitle)); }, kUiTimeout));
    EXPECT_TRUE(pollUntil([&] { return !noticeListed(); }, kUiTimeout));

    ASSERT_TRUE(atSpiAct(findAtSpi(frame(kavora, kWindowTitle), "push button", "終了")));
    EXPECT_EQ(kavora.waitForExit(kStartTimeout), 0) << readFile(log("kavora.log"));
}

TEST_F(DesktopOnGnomeShell, ClosedWhileOffItEnds)
{
    ChildProcess kavora = startKavora("off.log");
    ASSERT_EQ(kavora.readLine(kStartTimeout), "kavora: ready; advertising is off");
    ASSERT_TRUE(waitFor([&] { return frame(kavora, kWindowTitle); }));
    closeWindow();
    EXPECT_EQ(kavora.waitForExit(kStartTimeout), 0) << readFile(log("off.log"));
    EXPECT_FALSE(noticeListed());
}

// GNOME with the AppIndicator extension is a tray: switched on while the program runs, it gets the
// status icon and the window stops being the face; a double click on the icon (Activate) opens the
// panel in the middle of the screen, as nothing tells a program on Wayland where the icon is.
TEST_F(DesktopOnGnomeShell, ATrayThatArrivesLaterGetsTheIconAndOpensThePanelCentred)
{
    const std::string extension = "ubuntu-appindicators@ubuntu.com";
    if (auto missing = missingPrograms({ "gnome-extensions" }); !missing.empty())
        GTEST_SKIP() << missing;
    if (!std::filesystem::exists("/usr/share/gnome-shell/extensions/" + extension))
        GTEST_SKIP() << "not installed: gnome-shell-extension-appindicator";
    ChildProcess kavora = startKavora("tray.log");
    ASSERT_EQ(kavora.readLine(kStartTimeout), "kavora: ready; advertising is off");
    const AtSpiNode window = waitFor([&] { return frame(kavora, kWindowTitle); });
    ASSERT_TRUE(pollUntil([&] { return atSpiShowing(findAtSpi(window, "push button", "終了")); },
                          kUiTimeout));

    ASSERT_EQ(run({ "gnome-extensions", "enable", extension }, environment).exitStatus, 0);
    std::string item;
    ASSERT_TRUE(pollUntil(
        [&] {
            const auto items = statusNotifierWatcher("RegisteredStatusNotifierItems");
            const auto start = items.find("['");
            item = start == std::string::npos
                ? ""
                : items.substr(start + 2, items.find('\'', start + 2) - start - 2);
            return !item.empty();
        },
        kUiTimeout))
        << "the status icon registers with the extension's tray\n"
        << readFile(log("tray.log"));
    EXPECT_TRUE(pollUntil([&] { return !atSpiShowing(findAtSpi(window, "push button", "終了")); },
                          kUiTimeout))
        << "with a tray, quitting is the panel's";

    // The extension lists BUS@PATH.
    const auto slash = item.find('/');
    const std::string bus = item.substr(0, item[slash - 1] == '@' ? slash - 1 : slash);
    ASSERT_EQ(
        run({ "gdbus", "call", "--session", "--dest", bus, "--object-path", item.substr(slash),
              "--method", "org.kde.StatusNotifierItem.Activate", "600", "10" },
            environment)
            .exitStatus,
        0);
    AtSpiNode panel;
    ASSERT_TRUE(
        pollUntil([&] { return atSpiShowing(panel = frame(kavora, "Kavora")); }, kUiTimeout));
    const auto placed = atSpiExtents(panel);
    ASSERT_TRUE(placed);
    // The virtual monitor is 1280 x 800, of which the top bar takes the first rows.
    EXPECT_NEAR(placed->center().x(), 640, 2);
    EXPECT_GT(placed->top(), 100);

    // The tray leaves: the window is the face again.
    ASSERT_EQ(run({ "gnome-extensions", "disable", extension }, environment).exitStatus, 0);
    EXPECT_TRUE(pollUntil([&] { return atSpiShowing(findAtSpi(window, "push button", "終了")); },
                          kUiTimeout));
    ASSERT_TRUE(atSpiAct(findAtSpi(window, "push button", "終了")));
    EXPECT_EQ(kavora.waitForExit(kStartTimeout), 0) << readFile(log("tray.log"));
}

} // namespace
} // namespace kavora::test
