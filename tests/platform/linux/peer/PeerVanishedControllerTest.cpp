#include "support/linux/PeerTestSupport.h"

#include "platform/linux/peer/LinuxPeerAdvertiser.h"
#include "platform/linux/peer/LinuxPeerFramework.h"
#include "platform/linux/peer/LinuxPeerSession.h"
#include "support/CapturingLog.h"
#include "support/linux/ChildProcess.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace kavora::test {
namespace {

using namespace std::chrono_literals;

std::string namespaceName(const char* role)
{
    return std::string("kav") + role + "-" + std::to_string(::getpid());
}

// A controller written from the protocol description alone: TLS 1.3 without verification, the
// invitation frame, the answer printed, then silence.
constexpr const char* kController = R"(
import json, socket, ssl, struct, sys, time
def exactly(s, n):
    data = b''
    while len(data) < n:
        chunk = s.recv(n - len(data))
        if not chunk:
            sys.exit(1)
        data += chunk
    return data
context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
context.check_hostname = False
context.verify_mode = ssl.CERT_NONE
context.minimum_version = ssl.TLSVersion.TLSv1_3
s = context.wrap_socket(socket.create_connection((sys.argv[1], int(sys.argv[2])), timeout=10))
invitation = json.dumps({"invitation": {"displayName": "Vanishing Pad"}}).encode()
s.sendall(struct.pack(">I", len(invitation)) + invitation)
length = struct.unpack(">I", exactly(s, 4))[0]
print(exactly(s, length).decode(), flush=True)
time.sleep(60)
)";

// The receiver listens inside a network namespace of its own; a controller in a second one joins
// over a veth link, then its link goes down without a word, as when a phone leaves the network.
class PeerVanishedControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureQtApplication();
        if (run({ "ip", "netns", "add", namespaceName("R") }, {}, 5s).exitStatus != 0)
            GTEST_SKIP() << "ip netns is not permitted here (it needs root)";
        made_ = true;
        const std::vector<std::vector<std::string>> commands {
            { "ip", "netns", "add", namespaceName("C") },
            { "ip", "link", "add", "vethR", "netns", namespaceName("R"), "type", "veth", "peer",
              "name", "vethC", "netns", namespaceName("C") },
            { "ip", "-n", namespaceName("R"), "addr", "add", "169.254.99.1/16", "dev", "vethR" },
            { "ip", "-n", namespaceName("C"), "addr", "add", "169.254.99.2/16", "dev", "vethC" },
            { "ip", "-n", namespaceName("R"), "link", "set", "vethR", "up" },
            { "ip", "-n", namespaceName("C"), "link", "set", "vethC", "up" },
        };
        for (const auto& command : commands)
            ASSERT_EQ(run(command, {}, 5s).exitStatus, 0) << testing::PrintToString(command);
    }
    void TearDown() override
    {
        controller_.stop();
        advertiser_.reset();
        session_.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (made_) {
            run({ "ip", "netns", "del", namespaceName("R") }, {}, 5s);
            run({ "ip", "netns", "del", namespaceName("C") }, {}, 5s);
        }
    }

    // Starts the receiver's listener inside namespace R: a socket belongs to the namespace of the
    // thread that makes it, so this thread enters R just for the listen() call.
    bool listenInReceiverNamespace(const LinkLimits& limits)
    {
        const int home = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        const int receiver
            = ::open(("/run/netns/" + namespaceName("R")).c_str(), O_RDONLY | O_CLOEXEC);
        if (home < 0 || receiver < 0 || ::setns(receiver, CLONE_NEWNET) != 0)
            return false;

        session_ = std::make_unique<LinuxPeerSession>("Test Desk-Mac");
        PeerSession::Callbacks callbacks;
        callbacks.stateChanged = [this](const PeerID& peer, PeerState state) {
            if (state == PeerState::Connected)
                connected_ = peer.displayName;
            else
                notConnected_ = true;
        };
        session_->setCallbacks(std::move(callbacks));
        PeerLinkOptions options;
        options.listenAddress = QHostAddress(QStringLiteral("169.254.99.1"));
        options.limits = limits;
        options.publishDnsSd = false;
        const auto& identity = testIdentity();
        advertiser_ = std::make_unique<LinuxPeerAdvertiser>(
            LinuxPeerAdvertiser::Identity { "Test Desk-Mac", {}, "kavora-v2" }, *session_, options,
            LinuxPeerFramework::serverConfiguration(identity.certificate, identity.privateKey),
            std::string(), log_);
        advertiser_->setInvitationHandler(
            [this](const PeerID&) { return session_->connectedPeers().empty(); });
        advertiser_->startAdvertisingPeer();

        const bool back = ::setns(home, CLONE_NEWNET) == 0;
        ::close(home);
        ::close(receiver);
        return back && advertiser_->serverPort() != 0;
    }

    CapturingLog log_;
    std::unique_ptr<LinuxPeerSession> session_;
    std::unique_ptr<LinuxPeerAdvertiser> advertiser_;
    ChildProcess controller_;
    std::string connected_;
    bool notConnected_ = false;
    bool made_ = false;
};

TEST_F(PeerVanishedControllerTest, VanishedControllerIsNoticedWithinTheKeepaliveBudget)
{
    auto limits = shortLimits();
    limits.keepAliveIdle = 1s;
    limits.keepAliveInterval = 1s;
    limits.keepAliveProbes = 2;
    limits.userTimeout = 3s;
    ASSERT_TRUE(listenInReceiverNamespace(limits));

    controller_
        = ChildProcess({ { "ip", "netns", "exec", namespaceName("C"), "/usr/bin/python3", "-c",
                           kController, "169.254.99.1", std::to_string(advertiser_->serverPort()) },
                         {},
                         true,
                         {} });
    const auto answer = controller_.readLine(10s);
    ASSERT_TRUE(answer.has_value()) << "the controller got no answer";
    EXPECT_EQ(*answer, R"({"invitationAnswer":{"accepted":true}})");
    ASSERT_TRUE(waitUntil([&] { return !connected_.empty(); }));
    EXPECT_EQ(connected_, "Vanishing Pad");

    ASSERT_EQ(
        run({ "ip", "-n", namespaceName("C"), "link", "set", "vethC", "down" }, {}, 5s).exitStatus,
        0);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(waitUntil([&] { return notConnected_; }, 15s))
        << "the dead connection was never noticed";
    // idle 1 s + 2 probes 1 s apart, with the user timeout at 3 s: about 3 s, never at once.
    EXPECT_GE(clock.elapsed(), 2000);
    EXPECT_LE(clock.elapsed(), 6000);
    EXPECT_TRUE(session_->connectedPeers().empty());
}

} // namespace
} // namespace kavora::test
