// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The session's own rules against a stand-in portal (FakeRemoteDesktopPortal.py) on a private
// session bus: no dialog while the screen is locked, and a portal that can remember the grant is
// asked to, with the token it hands back.
#include "platform/linux/portal/PortalSession.h"

#include "support/CapturingLog.h"
#include "support/InMemoryUserDefaults.h"
#include "support/VirtualScheduler.h"
#include "support/linux/ChildProcess.h"
#include "support/linux/HeadlessGnome.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>

namespace kavora::test {
namespace {

using State = PortalSession::State;

// A stand-in portal on the tests' private session bus, with no system bus (so logind does not
// answer and the session's screen saver is asked); the screen counts as locked while `locked`
// exists.
class PortalSessionRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (auto missing = missingPrograms({ "/usr/bin/python3" }); !missing.empty())
            GTEST_SKIP() << missing;
        auto& session = PrivateSession::instance();
        session.sessionBus();
        setenv("DBUS_SYSTEM_BUS_ADDRESS",
               ("unix:path=" + (session.root() / "none").string()).c_str(), 1);
        if (QCoreApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "portal-session-tests";
            static char* argv[] = { name, nullptr };
            new QCoreApplication(argc, argv); // lives until the process ends
        }
        locked = session.root() / "locked";
        std::ofstream(locked).put('\n');
        portal
            = ChildProcess({ { "/usr/bin/python3", "-u",
                               KAVORA_SOURCE_DIR "/tests/support/linux/FakeRemoteDesktopPortal.py",
                               locked.string() },
                             {},
                             true,
                             (session.root() / "fake-portal.log").string() });
        const auto started = nextLine(portal, "");
        if (started && started->starts_with("TAKEN"))
            GTEST_SKIP() << "a real portal runs on this bus (" << *started
                         << "): run this suite in a process of its own, as ctest does";
        ASSERT_EQ(started, "READY");
    }

    std::filesystem::path locked;
    ChildProcess portal;
    VirtualScheduler scheduler;
    InMemoryUserDefaults defaults;
    CapturingLog log;
};

TEST_F(PortalSessionRules, WaitsForTheUnlockThenAsksToRememberAndPassesTheTokenBack)
{
    PortalSession remote(scheduler, defaults, log);
    remote.open();
    ASSERT_TRUE(pollUntil([&] { return remote.state() == State::Locked; }));
    scheduler.advance(Seconds(2));
    // The answer to the second question sets the next try.
    ASSERT_TRUE(pollUntil([&] { return scheduler.pendingCount() > 0; }));
    EXPECT_EQ(remote.state(), State::Locked) << "asked again, still locked";
    std::filesystem::remove(locked);
    scheduler.advance(Seconds(1.9));
    EXPECT_EQ(remote.state(), State::Locked);
    scheduler.advance(Seconds(0.1));
    ASSERT_TRUE(pollUntil([&] { return remote.state() == State::Granted; }));
    EXPECT_EQ(nextLine(portal, "CALL CreateSession"), "CALL CreateSession");
    EXPECT_EQ(nextLine(portal, "CALL SelectDevices"), "CALL SelectDevices persist_mode=2 types=3");
    EXPECT_EQ(defaults.string(PortalSession::kRestoreTokenKey), "token-1");

    remote.close();
    EXPECT_TRUE(nextLine(portal, "CALL Close"));
    remote.open();
    ASSERT_TRUE(pollUntil([&] { return remote.state() == State::Granted; }));
    EXPECT_EQ(nextLine(portal, "CALL SelectDevices"),
              "CALL SelectDevices persist_mode=2 restore_token=token-1 types=3");
    EXPECT_EQ(defaults.string(PortalSession::kRestoreTokenKey), "token-2");
    remote.close();
}

// The screen saver and the portal hang (stopped) while the session is asked for: the event loop
// goes on turning, as it must for the controller's heartbeats, and the session goes on once
// they answer.
TEST_F(PortalSessionRules, NothingWaitsForABusServiceThatHangs)
{
    using Clock = std::chrono::steady_clock;
    std::filesystem::remove(locked);
    ASSERT_EQ(kill(portal.pid(), SIGSTOP), 0);
    PortalSession remote(scheduler, defaults, log);
    Clock::duration longestGap {};
    auto last = Clock::now();
    QTimer turns;
    QObject::connect(&turns, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, Clock::now() - last);
        last = Clock::now();
    });
    turns.start(10);
    remote.open();
    // Past the screen saver's timeout (0.5 s), within the portal's (5 s).
    pollUntil([] { return false; }, std::chrono::milliseconds(1200));
    EXPECT_EQ(remote.state(), State::Opening) << "still asking";
    kill(portal.pid(), SIGCONT);
    EXPECT_TRUE(pollUntil([&] { return remote.state() == State::Granted; }));
    EXPECT_LT(longestGap, std::chrono::milliseconds(400)) << "shorter than any of the timeouts";
    RecordProperty("longest_event_loop_gap_ms",
                   static_cast<int>(
                       std::chrono::duration_cast<std::chrono::milliseconds>(longestGap).count()));
    remote.close();
}

} // namespace
} // namespace kavora::test
