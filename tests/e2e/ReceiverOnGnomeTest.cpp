// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The kavora program in a Wayland session (HeadlessGnome): input through the portal once the
// user allows it, held only while the controller is there.
#include "ReceiverProcess.h"
#include "support/linux/HeadlessGnome.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

using nlohmann::json;

// The remote-desktop sessions the portal holds, as the lines naming their objects.
int portalSessions()
{
    const auto listing
        = run({ "gdbus", "introspect", "--session", "--dest", "org.freedesktop.portal.Desktop",
                "--object-path", "/org/freedesktop/portal/desktop/session", "--recurse" })
              .output;
    int sessions = 0;
    for (std::size_t at = 0;
         (at = listing.find("interface org.freedesktop.portal.Session", at)) != std::string::npos;
         ++at)
        ++sessions;
    return sessions;
}

TEST(ReceiverOnGnome, InputFlowsOnceAllowedAndStopsWhenTheControllerLeaves)
{
    auto& gnome = HeadlessGnome::instance();
    if (!gnome.problem().empty())
        GTEST_SKIP() << gnome.problem();
    auto desktop = gnome.environment();
    std::erase_if(desktop, [](const auto& entry) { return entry.first == "WAYLAND_DISPLAY"; });
    desktop.emplace_back("WAYLAND_DISPLAY",
                         (PrivateSession::instance().root() / gnome.waylandDisplay()).string());
    desktop.emplace_back("DBUS_SESSION_BUS_ADDRESS", PrivateSession::instance().sessionBus());
    ReceiverProcess receiver({}, true, ReceiverProcess::Browser::Off, desktop);
    ASSERT_TRUE(receiver.ready()) << receiver.log();
    auto observer = gnome.startObserver(HeadlessGnome::Client::Wayland);
    ASSERT_TRUE(observer.started());
    auto answer = gnome.answerDialog(true);

    RemoteController remote(receiver, "Wayland Pad");
    ASSERT_TRUE(remote.inSession()) << remote.errors();
    // The first clicks wait for the user's answer in the desktop's dialog.
    const bool allowed = pollUntil(
        [&] {
            remote.send({ { "rightClickDown", json::object() } });
            remote.send({ { "rightClickUp", json::object() } });
            return nextLine(observer, "BUP 3", std::chrono::milliseconds(300)).has_value();
        },
        HeadlessGnome::kDialogTimeout + kReplyTimeout);
    ASSERT_TRUE(allowed) << receiver.log();
    EXPECT_EQ(portalSessions(), 1);

    // Leaving mid-drag: the button comes up and the session ends with the controller.
    ASSERT_TRUE(remote.send({ { "dragStart", json::object() } }));
    EXPECT_TRUE(nextLine(observer, "BDOWN 1"));
    remote.leave();
    EXPECT_TRUE(nextLine(observer, "BUP 1")) << receiver.log();
    EXPECT_TRUE(pollUntil([] { return portalSessions() == 0; }, kReplyTimeout));
}

} // namespace
} // namespace kavora::test
