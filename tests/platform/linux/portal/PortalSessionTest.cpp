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

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace kavora::test {
namespace {

using State = PortalSession::State;

TEST(PortalSessionRules, WaitsForTheUnlockThenAsksToRememberAndPassesTheTokenBack)
{
    if (auto missing = missingPrograms({ "/usr/bin/python3" }); !missing.empty())
        GTEST_SKIP() << missing;
    auto& session = PrivateSession::instance();
    session.sessionBus();
    // No system bus: logind does not answer, so the session's screen saver is asked.
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + (session.root() / "none").string()).c_str(),
           1);
    static int argc = 1;
    static char name[] = "portal-session-tests";
    static char* argv[] = { name, nullptr };
    const QCoreApplication application(argc, argv);
    const auto locked = session.root() / "locked";
    std::ofstream(locked).put('\n');
    ChildProcess portal(
        { { "/usr/bin/python3", "-u",
            KAVORA_SOURCE_DIR "/tests/support/linux/FakeRemoteDesktopPortal.py", locked.string() },
          {},
          true,
          (session.root() / "fake-portal.log").string() });
    const auto started = nextLine(portal, "");
    if (started && started->starts_with("TAKEN"))
        GTEST_SKIP() << "a real portal runs on this bus (" << *started
                     << "): run this suite in a process of its own, as ctest does";
    ASSERT_EQ(started, "READY");

    VirtualScheduler scheduler;
    InMemoryUserDefaults defaults;
    CapturingLog log;
    PortalSession remote(scheduler, defaults, log);
    remote.open();
    EXPECT_EQ(remote.state(), State::Locked);
    scheduler.advance(Seconds(2));
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

} // namespace
} // namespace kavora::test
