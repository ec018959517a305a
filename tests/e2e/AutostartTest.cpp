// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Start at login end to end: the entry the settings window's switch writes, launched as the
// session launches it, puts the real kavora in the tray (xfce4-panel's) of a private X display
// without opening its settings window, switched on: a trusted controller connects without a
// click. A launch from the menu afterwards still brings the window.
#include "ReceiverProcess.h"
#include "platform/linux/settings/XdgAutostartEntry.h"
#include "support/linux/ChildProcess.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"
#include "support/linux/XfcePanel.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kavora::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kSettingsTitle = "Kavora 設定";
constexpr std::chrono::milliseconds kWindowTimeout { 30'000 };
// How long a window the program opened at start has to show up once its status icon is there.
constexpr std::chrono::milliseconds kNoWindowGrace { 3'000 };

bool settingsWindowListed()
{
    return run({ "wmctrl", "-l" }).output.find(kSettingsTitle) != std::string::npos;
}

// The WM_CLASS class of the settings window ("instance.class" in wmctrl -lx); empty when none is
// listed.
std::string settingsWindowClass()
{
    std::istringstream lines(run({ "wmctrl", "-lx" }).output);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(kSettingsTitle) == std::string::npos)
            continue;
        std::istringstream columns(line);
        std::string id, desktop, wmClass;
        columns >> id >> desktop >> wmClass;
        return wmClass.substr(wmClass.find('.') + 1);
    }
    return {};
}

// The value of `key` in the installed desktop entry's source.
std::string desktopEntryValue(const std::string& key)
{
    std::istringstream lines(readFile(KAVORA_SOURCE_DIR "/packaging/kavora.desktop.in"));
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(key + "="))
            return line.substr(key.size() + 1);
    }
    return {};
}

// The words of the entry's Exec line, for paths without quoting (the build folder's).
std::vector<std::string> execWords(const std::string& entry)
{
    std::istringstream lines(entry);
    std::string line;
    std::vector<std::string> words;
    while (std::getline(lines, line)) {
        if (!line.starts_with("Exec="))
            continue;
        std::istringstream split(line.substr(5));
        for (std::string word; split >> word;)
            words.push_back(word);
    }
    return words;
}

TEST(Autostart, TheEntryStartsTheProgramSwitchedOnInItsTrayWithoutItsWindow)
{
    if (const auto missing = missingPrograms({ "wmctrl" }); !missing.empty())
        GTEST_SKIP() << missing;
    auto& session = PrivateSession::instance();
    session.application();
    session.startWindowManager();
    XfcePanel tray;
    if (!tray.missing().empty())
        GTEST_SKIP() << tray.missing();
    ASSERT_TRUE(tray.ready()) << readFile(tray.log());
    const std::string itemsBefore = statusNotifierWatcher("RegisteredStatusNotifierItems");

    XdgAutostartEntry entry(XdgAutostartEntry::userFile(), KAVORA_PROGRAM);
    ASSERT_EQ(entry.setEnabled(true), std::nullopt);
    const auto arguments = execWords(readFile(XdgAutostartEntry::userFile().string()));
    ASSERT_EQ(arguments, (std::vector<std::string> { KAVORA_PROGRAM, "--autostart" }));

    const EnvironmentChanges environment {
        { "LANG", "ja_JP.UTF-8" }, // whose locale this machine need not have generated
        { "LANGUAGE", "" },
        { "LC_ALL", "" },
        { "QT_QPA_PLATFORM", "xcb" },
        { "QT_XCB_GL_INTEGRATION", "none" },
        { "PULSE_SERVER", "unix:" + (session.root() / "no-sound-server").string() },
        // Switched on, it would announce itself on the network through the system's Avahi.
        { "DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (session.root() / "no-system-bus").string() },
        qtTrayLeakSuppression(),
    };
    // The controller was allowed once before, as a user who uses it daily has it.
    auto identity = run({ KAVORA_REMOTE_PROGRAM, "identity" }, environment, kStartTimeout).output;
    while (!identity.empty() && identity.back() == '\n')
        identity.pop_back();
    ASSERT_EQ(run({ KAVORA_PROGRAM, "devices", "allow", identity }, environment).exitStatus, 0);
    const std::string log = (session.root() / "autostart.log").string();
    ChildProcess started({ arguments, environment, true, log });
    const auto banner = started.readLine(kStartTimeout);
    ASSERT_TRUE(banner && banner->find("listening on port ") != std::string::npos) << readFile(log);
    const std::string port = banner->substr(banner->rfind(' ') + 1);
    ASSERT_TRUE(pollUntil(
        [&] { return statusNotifierWatcher("RegisteredStatusNotifierItems") != itemsBefore; },
        kWindowTimeout))
        << "the status icon registers with the tray host";
    EXPECT_FALSE(pollUntil(settingsWindowListed, kNoWindowGrace)) << readFile(log);

    ChildProcess remote({ { KAVORA_REMOTE_PROGRAM, "connect", "127.0.0.1:" + port, "--wait", "0" },
                          environment,
                          true,
                          (session.root() / "remote.log").string(),
                          true });
    ASSERT_TRUE(remote.writeInput("{\"heartbeat\":{}}\n"));
    EXPECT_TRUE(remote.readLine(kStartTimeout))
        << "answered without anyone's click\n"
        << readFile((session.root() / "remote.log").string());
    remote.closeInput();

    // Chosen from the menu later, the program shows the running copy's window.
    ChildProcess fromMenu({ { KAVORA_PROGRAM }, environment, false, log });
    EXPECT_EQ(fromMenu.waitForExit(kStartTimeout), 0);
    ASSERT_TRUE(pollUntil(settingsWindowListed, kWindowTimeout)) << readFile(log);
    EXPECT_TRUE(started.running());
    // Docks match the window to the menu's entry by its class.
    const std::string startupClass = desktopEntryValue("StartupWMClass");
    ASSERT_FALSE(startupClass.empty());
    EXPECT_EQ(settingsWindowClass(), startupClass);
    EXPECT_EQ(entry.setEnabled(false), std::nullopt);
}

} // namespace
} // namespace kavora::test
