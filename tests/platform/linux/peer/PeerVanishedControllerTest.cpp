// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/linux/PeerTestSupport.h"

#include "support/CapturingLog.h"

#include <QElapsedTimer>

#include <fstream>

#include <fcntl.h>
#include <sched.h>

namespace kavora::test {
namespace {

using namespace std::chrono_literals;

// Runs make() with this thread in the network namespace of host: a socket belongs to the
// namespace of the thread that makes it.
template <class Make> bool inNamespace(char host, Make make)
{
    const int home = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int other
        = ::open(("/run/netns/" + LinkedNamespaces::name(host)).c_str(), O_RDONLY | O_CLOEXEC);
    const bool entered = home >= 0 && other >= 0 && ::setns(other, CLONE_NEWNET) == 0;
    if (entered)
        make();
    const bool back = entered && ::setns(home, CLONE_NEWNET) == 0;
    ::close(home);
    ::close(other);
    return back;
}

// The receiver listens in namespace R; a controller (VanishingController.py) in namespace C joins
// over the veth link, then its link goes down without a word, as when a phone leaves the network.
TEST(PeerVanishedControllerTest, IsNoticedWithinTheKeepaliveBudgetAndFreesTheSlot)
{
    ensureQtApplication();
    LinkedNamespaces network('R', 'C', "169.254.99");
    if (network.problem())
        GTEST_SKIP() << *network.problem();

    auto limits = shortLimits();
    limits.keepAliveIdle = 1s;
    limits.keepAliveInterval = 1s;
    limits.keepAliveProbes = 2;
    limits.userTimeout = 3s;
    CapturingLog log;
    LinuxPeerSession session("Test Desk-Mac");
    std::vector<std::string> invitations;
    std::unique_ptr<LinuxPeerAdvertiser> advertiser;
    ASSERT_TRUE(inNamespace('R', [&] {
        advertiser = listenFor(session, limits, log, invitations,
                               QHostAddress(QStringLiteral("169.254.99.1")));
    }));
    ASSERT_NE(advertiser->serverPort(), 0);

    TemporaryFolder identity;
    const auto certificate = identity.path() / "certificate.pem";
    const auto key = identity.path() / "key.pem";
    std::ofstream(certificate) << testControllerIdentity().certificate.toPem().toStdString();
    std::ofstream(key) << testControllerIdentity().privateKey.toPem().toStdString();
    ChildProcess controller(
        { { "ip", "netns", "exec", LinkedNamespaces::name('C'), kPython,
            KAVORA_SOURCE_DIR "/tests/platform/linux/peer/VanishingController.py", "169.254.99.1",
            std::to_string(advertiser->serverPort()), certificate.string(), key.string() },
          {},
          true,
          {} });
    const auto answer = controller.readLine(10s);
    ASSERT_TRUE(answer.has_value()) << "the controller got no answer";
    EXPECT_EQ(*answer, R"({"invitationAnswer":{"accepted":true}})");
    ASSERT_TRUE(pollUntil([&] { return session.connectedPeers().size() == 1; }));
    EXPECT_EQ(invitations, std::vector<std::string> { "Vanishing Pad" });

    ASSERT_TRUE(network.cut('C'));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(pollUntil([&] { return session.connectedPeers().empty(); }, 15s))
        << "the dead connection was never noticed";
    // idle 1 s + 2 probes 1 s apart, with the user timeout at 3 s: about 3 s, never at once.
    EXPECT_GE(clock.elapsed(), 2000);
    EXPECT_LE(clock.elapsed(), 6000);
    controller.stop();
    advertiser.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
} // namespace kavora::test
