// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/DesktopNotification.h"

#include "support/linux/ChildProcess.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavora::test {
namespace {

// A call to the notification server fake (python3-dbusmock's template); its printed reply.
std::string callServer(const std::string& method, std::vector<std::string> arguments = {})
{
    // clang-format off
    std::vector<std::string> argv { "gdbus", "call", "--session", "--dest", "org.freedesktop.Notifications",
                                    "--object-path", "/org/freedesktop/Notifications", "--method", method };
    // clang-format on
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return run(argv).output;
}

void serverSays(const std::string& signal, const std::string& signature, const std::string& args)
{
    callServer("org.freedesktop.DBus.Mock.EmitSignal",
               { "org.freedesktop.Notifications", signal, signature, args });
}

TEST(DesktopNotification, StaysUntilWithdrawnAndReportsWhatTheUserDid)
{
    if (auto missing = missingPrograms({ kPython, "gdbus" }); !missing.empty())
        GTEST_SKIP() << missing;
    if (run({ kPython, "-c", "import dbusmock" }).exitStatus != 0)
        GTEST_SKIP() << "not installed: python3-dbusmock";
    PrivateSession::instance().application();
    DesktopNotification notice;
    std::vector<std::string> heard;
    QObject::connect(&notice, &DesktopNotification::failed, [&] { heard.emplace_back("failed"); });
    QObject::connect(&notice, &DesktopNotification::dismissed,
                     [&] { heard.emplace_back("dismissed"); });
    QObject::connect(&notice, &DesktopNotification::actionInvoked,
                     [&](const QString& key) { heard.push_back(key.toStdString()); });
    const DesktopNotification::Content content { QStringLiteral("Running"),
                                                 QStringLiteral("Body"),
                                                 { QStringLiteral("quit"), QStringLiteral("Quit") },
                                                 false };

    notice.show(content);
    ASSERT_TRUE(pollUntil([&] { return !heard.empty(); })) << "no server: it says so";
    EXPECT_EQ(heard, std::vector<std::string> { "failed" });

    ChildProcess server({ { kPython, "-m", "dbusmock", "--template", "notification_daemon" },
                          {},
                          false,
                          (PrivateSession::instance().root() / "notifications.log").string() });
    ASSERT_TRUE(pollUntil(
        [] { return !callServer("org.freedesktop.Notifications.GetCapabilities").empty(); }));
    heard.clear();
    notice.show(content);
    std::string calls;
    ASSERT_TRUE(pollUntil([&] {
        calls = callServer("org.freedesktop.DBus.Mock.GetCalls");
        return calls.find("'Notify'") != std::string::npos;
    }));
    // Resident and never expiring: it stays until the program withdraws it.
    EXPECT_NE(calls.find("'resident': <true>"), std::string::npos) << calls;
    EXPECT_NE(calls.find("<['quit', 'Quit']>, "), std::string::npos) << calls;
    EXPECT_NE(calls.find(", <0>])"), std::string::npos) << calls;

    // Notifications of others, and then this one's (the fake numbers them from 1).
    serverSays("ActionInvoked", "us", "[<uint32 7>, <'quit'>]");
    serverSays("ActionInvoked", "us", "[<uint32 1>, <'quit'>]");
    serverSays("NotificationClosed", "uu", "[<uint32 1>, <uint32 2>]");
    EXPECT_TRUE(pollUntil([&] { return heard.size() >= 2; }));
    EXPECT_EQ(heard, (std::vector<std::string> { "quit", "dismissed" }));
}

} // namespace
} // namespace kavora::test
