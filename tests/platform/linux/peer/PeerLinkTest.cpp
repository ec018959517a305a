#include "support/linux/PeerTestSupport.h"

#include "platform/linux/peer/LinuxPeerAdvertiser.h"
#include "platform/linux/peer/LinuxPeerFramework.h"
#include "platform/linux/peer/LinuxPeerSession.h"
#include "platform/linux/peer/PeerClient.h"
#include "support/CapturingLog.h"

#include "platform/linux/peer/PeerSocketOptions.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace kavora::test {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

std::string header(std::uint32_t length)
{
    return { static_cast<char>(length >> 24), static_cast<char>((length >> 16) & 0xFF),
             static_cast<char>((length >> 8) & 0xFF), static_cast<char>(length & 0xFF) };
}

// The session and advertiser of the Linux link on 127.0.0.1, with the receiver's invitation
// rule and short deadlines.
class PeerLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureQtApplication();
        start(shortLimits());
    }
    void TearDown() override
    {
        advertiser.reset();
        session.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void start(const LinkLimits& limits)
    {
        advertiser.reset();
        session = std::make_unique<LinuxPeerSession>("Test Receiver-Mac");
        PeerSession::Callbacks callbacks;
        callbacks.stateChanged = [this](const PeerID& peer, PeerState state) {
            states.push_back((state == PeerState::Connected ? "connected " : "not connected ")
                             + peer.displayName);
        };
        callbacks.received = [this](std::vector<std::uint8_t> packet, const PeerID& peer) {
            packets.push_back(peer.displayName + ": " + std::string(packet.begin(), packet.end()));
        };
        session->setCallbacks(std::move(callbacks));

        advertiser = listenOnLoopback(
            *session, { "Test Receiver-Mac", { { "app", "KavoraMac" } }, "kavora-v2" }, limits, log,
            invitations);
        port = advertiser->serverPort();
        ASSERT_NE(port, 0);
    }

    bool join(PeerClient& client, const std::string& name)
    {
        return joinAsController(client, port, name);
    }

    CapturingLog log;
    std::unique_ptr<LinuxPeerSession> session;
    std::unique_ptr<LinuxPeerAdvertiser> advertiser;
    std::uint16_t port = 0;
    Lines states;
    Lines packets;
    Lines invitations;
};

TEST_F(PeerLinkTest, ProductionLimits)
{
    const LinkLimits limits;
    EXPECT_EQ(limits.handshakeTimeout, 5s);
    EXPECT_EQ(limits.invitationTimeout, 10s);
    EXPECT_EQ(limits.frameTimeout, 10s);
    EXPECT_EQ(limits.lingerTimeout, 2s);
    EXPECT_EQ(limits.maxInvitationBytes, 8U * 1024);
    EXPECT_EQ(limits.maxFrameBytes, 1024U * 1024);
    EXPECT_EQ(limits.maxWriteBacklogBytes, 16U * 1024 * 1024);
    EXPECT_EQ(limits.maxPendingConnections, 4);
    EXPECT_EQ(limits.maxPendingPerAddress, 2);
    EXPECT_EQ(limits.keepAliveIdle + limits.keepAliveProbes * limits.keepAliveInterval, 30s)
        << "a vanished controller is noticed within about 30 s";
    EXPECT_EQ(limits.userTimeout, 30s);
}

TEST_F(PeerLinkTest, SocketOptionsFollowTheLimits)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.serverPort());
    ASSERT_TRUE(waitUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }));

    LinkLimits limits;
    limits.keepAliveIdle = 7s;
    limits.keepAliveInterval = 3s;
    limits.keepAliveProbes = 4;
    limits.userTimeout = 21s;
    const auto fd = static_cast<int>(socket.socketDescriptor());
    applyPeerSocketOptions(fd, limits);
    const auto option = [fd](int level, int name) {
        int value = -1;
        socklen_t size = sizeof value;
        ::getsockopt(fd, level, name, &value, &size);
        return value;
    };
    EXPECT_EQ(option(IPPROTO_TCP, TCP_NODELAY), 1);
    EXPECT_EQ(option(SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(option(IPPROTO_TCP, TCP_KEEPIDLE), 7);
    EXPECT_EQ(option(IPPROTO_TCP, TCP_KEEPINTVL), 3);
    EXPECT_EQ(option(IPPROTO_TCP, TCP_KEEPCNT), 4);
    EXPECT_EQ(option(IPPROTO_TCP, TCP_USER_TIMEOUT), 21000);
}

TEST_F(PeerLinkTest, AcceptedControllerExchangesPacketsOverTls13)
{
    RawPeer raw;
    ASSERT_TRUE(raw.join(port, "Pad A"));
    EXPECT_EQ(raw.socket.sessionProtocol(), QSsl::TlsV1_3);
    EXPECT_EQ(invitations, (Lines { "Pad A" }));
    EXPECT_EQ(states, (Lines { "connected Pad A" }));
    ASSERT_EQ(session->connectedPeers().size(), 1U);
    EXPECT_EQ(session->connectedPeers().front().displayName, "Pad A");

    raw.write(encodeFrame(R"({"heartbeat":{}})"));
    ASSERT_TRUE(waitUntil([&] { return !packets.empty(); }));
    EXPECT_EQ(packets, (Lines { R"(Pad A: {"heartbeat":{}})" }));

    EXPECT_TRUE(session->send(R"({"heartbeat":{}})", session->connectedPeers()));
    ASSERT_TRUE(waitUntil([&] { return !raw.frames.empty(); }));
    EXPECT_EQ(raw.frames, (Lines { R"({"heartbeat":{}})" }));
}

TEST_F(PeerLinkTest, SecondControllerDeclinedWhileOneIsConnected)
{
    PeerClient first;
    ASSERT_TRUE(join(first, "Pad A"));

    RawPeer second;
    EXPECT_FALSE(second.join(port, "Pad B"));
    EXPECT_TRUE(second.waitClosed()) << "a declined controller is sent away";
    EXPECT_EQ(invitations, (Lines { "Pad A", "Pad B" }));

    PeerClient third;
    PeerClient::Failure failure {};
    std::string description;
    bool failed = false;
    third.onFailed = [&](PeerClient::Failure kind, const std::string& text) {
        failure = kind;
        description = text;
        failed = true;
    };
    third.connectToReceiver(QStringLiteral("127.0.0.1"), port, "Pad C");
    ASSERT_TRUE(waitUntil([&] { return failed; }));
    EXPECT_EQ(failure, PeerClient::Failure::Declined);

    // The first one still works.
    EXPECT_TRUE(first.send(R"({"heartbeat":{}})"));
    ASSERT_TRUE(waitUntil([&] { return !packets.empty(); }));

    first.disconnectFromReceiver();
    ASSERT_TRUE(waitUntil([&] { return session->connectedPeers().empty(); }));
    EXPECT_EQ(states, (Lines { "connected Pad A", "not connected Pad A" }));

    PeerClient fourth;
    EXPECT_TRUE(join(fourth, "Pad D")) << "the slot is free again";
}

TEST_F(PeerLinkTest, StuckConnectionsDoNotBlockAnotherController)
{
    QTcpSocket inHandshake; // never says hello
    inHandshake.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0);
    inHandshake.connectToHost(QStringLiteral("127.0.0.1"), port);
    RawPeer withoutInvitation("127.0.0.3");
    ASSERT_TRUE(withoutInvitation.connectEncrypted(port));
    ASSERT_TRUE(waitUntil([&] { return advertiser->pendingCount() == 2; }));

    PeerClient controller;
    EXPECT_TRUE(join(controller, "Pad"));
    EXPECT_EQ(invitations, (Lines { "Pad" }));

    bool handshakeClosed = false;
    QObject::connect(&inHandshake, &QTcpSocket::disconnected, [&] { handshakeClosed = true; });
    EXPECT_TRUE(waitUntil([&] { return handshakeClosed && withoutInvitation.closed; }, 2s))
        << "the deadlines end both";
    EXPECT_TRUE(waitUntil([&] { return advertiser->pendingCount() == 0; }));
    EXPECT_EQ(session->connectedPeers().size(), 1U);
}

TEST_F(PeerLinkTest, ConnectionsOverThePendingCapsAreClosedAtOnce)
{
    auto limits = shortLimits();
    limits.handshakeTimeout = 1500ms; // long enough to hold four while the test opens them
    start(limits);
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    const auto open = [&](const char* from) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->bind(QHostAddress(QString::fromLatin1(from)), 0);
        socket->connectToHost(QStringLiteral("127.0.0.1"), port);
        waitUntil([&] {
            return socket->state() == QAbstractSocket::ConnectedState
                || socket->state() == QAbstractSocket::UnconnectedState;
        });
        sockets.push_back(std::move(socket));
        return sockets.back().get();
    };
    const auto closedSoon = [](QTcpSocket* socket) {
        return waitUntil([&] { return socket->state() == QAbstractSocket::UnconnectedState; },
                         200ms);
    };

    open("127.0.0.2");
    open("127.0.0.2");
    ASSERT_TRUE(waitUntil([&] { return advertiser->pendingCount() == 2; }));
    EXPECT_TRUE(closedSoon(open("127.0.0.2"))) << "a third from one address";

    open("127.0.0.3");
    open("127.0.0.4");
    ASSERT_TRUE(waitUntil([&] { return advertiser->pendingCount() == 4; }));
    EXPECT_TRUE(closedSoon(open("127.0.0.5"))) << "a fifth in all";

    // Once the handshake deadline has cleared them, there is room again.
    ASSERT_TRUE(waitUntil([&] { return advertiser->pendingCount() == 0; }, 3s));
    PeerClient controller;
    EXPECT_TRUE(join(controller, "Pad"));
}

TEST_F(PeerLinkTest, PlainTcpClientNeverReachesTheInvitation)
{
    QTcpSocket plain;
    bool closed = false;
    QObject::connect(&plain, &QTcpSocket::disconnected, [&] { closed = true; });
    plain.connectToHost(QStringLiteral("127.0.0.1"), port);
    ASSERT_TRUE(waitUntil([&] { return plain.state() == QAbstractSocket::ConnectedState; }));
    const auto frame = encodeFrame(encodeInvitation("Plain Pad"));
    plain.write(frame.data(), static_cast<qint64>(frame.size()));

    EXPECT_TRUE(waitUntil([&] { return closed; }, 2s));
    EXPECT_TRUE(invitations.empty());
    EXPECT_TRUE(session->connectedPeers().empty());
}

TEST_F(PeerLinkTest, OlderTlsIsRefused)
{
    RawPeer old;
    auto configuration = old.socket.sslConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2);
    old.socket.setSslConfiguration(configuration);
    EXPECT_FALSE(old.connectEncrypted(port));
    EXPECT_TRUE(old.waitClosed(1s));
    EXPECT_TRUE(invitations.empty());
}

TEST_F(PeerLinkTest, OversizedLengthClosesOnlyThatConnection)
{
    for (const std::uint32_t length : { 4097U, 0xFFFFFFFFU, 0U }) {
        SCOPED_TRACE(length);
        states.clear();
        RawPeer peer;
        ASSERT_TRUE(peer.join(port, "Pad A"));
        peer.write(header(length) + "xyz");
        EXPECT_TRUE(peer.waitClosed(1s));
        EXPECT_TRUE(waitUntil([&] { return session->connectedPeers().empty(); }));
        EXPECT_EQ(states, (Lines { "connected Pad A", "not connected Pad A" }));
        EXPECT_TRUE(packets.empty());
    }
    RawPeer next;
    EXPECT_TRUE(next.join(port, "Pad B")) << "the receiver keeps working";
}

TEST_F(PeerLinkTest, OversizedInvitationIsRefusedBeforeTheHandler)
{
    RawPeer peer;
    ASSERT_TRUE(peer.connectEncrypted(port));
    peer.write(header(513) + std::string(513, ' '));
    EXPECT_TRUE(peer.waitClosed(1s));
    EXPECT_TRUE(invitations.empty());
}

TEST_F(PeerLinkTest, FrameOfExactlyTheLimitIsDelivered)
{
    RawPeer peer;
    ASSERT_TRUE(peer.join(port, "Pad A"));
    peer.write(encodeFrame(std::string(4096, 'x')));
    ASSERT_TRUE(waitUntil([&] { return !packets.empty(); }));
    EXPECT_EQ(packets.front().size(), std::string("Pad A: ").size() + 4096);
    EXPECT_FALSE(peer.closed);
}

TEST_F(PeerLinkTest, FrameSplitAcrossReadsIsReassembled)
{
    RawPeer peer;
    ASSERT_TRUE(peer.join(port, "Pad A"));
    const auto frame = encodeFrame(R"({"scroll":{"deltaY":-3}})");
    peer.write(frame.substr(0, 3));
    runFor(50ms);
    peer.write(frame.substr(3, 5));
    runFor(50ms);
    EXPECT_TRUE(packets.empty());
    peer.write(frame.substr(8) + encodeFrame("one") + encodeFrame("two"));
    ASSERT_TRUE(waitUntil([&] { return packets.size() == 3; }));
    EXPECT_EQ(packets,
              (Lines { R"(Pad A: {"scroll":{"deltaY":-3}})", "Pad A: one", "Pad A: two" }));
}

TEST_F(PeerLinkTest, InvitationSentAlongWithPacketsKeepsThem)
{
    RawPeer peer;
    ASSERT_TRUE(peer.connectEncrypted(port));
    peer.write(encodeFrame(encodeInvitation("Eager Pad")) + encodeFrame(std::string(1000, 'p')));
    ASSERT_TRUE(waitUntil([&] { return !packets.empty(); }));
    EXPECT_EQ(packets.front(), "Eager Pad: " + std::string(1000, 'p'))
        << "the session's frame limit applies right after acceptance";
}

TEST_F(PeerLinkTest, HalfFrameIsClosedAtTheFrameDeadline)
{
    RawPeer peer;
    ASSERT_TRUE(peer.join(port, "Pad A"));
    QElapsedTimer clock;
    clock.start();
    peer.write(header(10).substr(0, 2));
    ASSERT_TRUE(peer.waitClosed(2s));
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(waitUntil([&] { return session->connectedPeers().empty(); }));
}

TEST_F(PeerLinkTest, DrippedFrameDoesNotExtendTheDeadline)
{
    RawPeer peer;
    ASSERT_TRUE(peer.join(port, "Pad A"));
    QElapsedTimer clock;
    clock.start();
    peer.write(header(100));
    while (!peer.closed && clock.elapsed() < 2000) {
        peer.write("d");
        runFor(50ms);
    }
    EXPECT_TRUE(peer.closed);
    EXPECT_LT(clock.elapsed(), 1000) << "closed by the deadline from the first byte";
    EXPECT_TRUE(packets.empty());
}

TEST_F(PeerLinkTest, SilenceAfterTheHandshakeMissesTheInvitationDeadline)
{
    RawPeer peer;
    ASSERT_TRUE(peer.connectEncrypted(port));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(peer.waitClosed(2s));
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_TRUE(invitations.empty());
}

TEST_F(PeerLinkTest, SomethingElseThanAnInvitationIsRefused)
{
    RawPeer peer;
    ASSERT_TRUE(peer.connectEncrypted(port));
    peer.write(encodeFrame(R"({"heartbeat":{}})"));
    EXPECT_TRUE(peer.waitClosed(1s));
    EXPECT_TRUE(invitations.empty());
    EXPECT_TRUE(peer.frames.empty()) << "no answer to a peer that did not invite";
}

TEST_F(PeerLinkTest, PeerThatStopsReadingIsCutOff)
{
    auto limits = shortLimits();
    limits.maxWriteBacklogBytes = 64 * 1024;
    start(limits);
    RawPeer peer;
    ASSERT_TRUE(peer.join(port, "Pad A"));
    const std::string reply(4000, 'r');
    bool refused = false;
    for (int i = 0; i < 100 && !refused; ++i)
        refused = !session->send(reply, session->connectedPeers());
    EXPECT_TRUE(refused);
    EXPECT_TRUE(session->connectedPeers().empty());
    EXPECT_EQ(states, (Lines { "connected Pad A", "not connected Pad A" }));
    EXPECT_TRUE(peer.waitClosed());
}

TEST_F(PeerLinkTest, StoppingClosesTheListenerAndStartingReopensIt)
{
    RawPeer waiting;
    ASSERT_TRUE(waiting.connectEncrypted(port));
    advertiser->stopAdvertisingPeer();
    EXPECT_EQ(advertiser->serverPort(), 0);
    EXPECT_TRUE(waiting.waitClosed(1s)) << "connections not yet accepted go too";

    QTcpSocket refused;
    bool error = false;
    QObject::connect(&refused, &QTcpSocket::errorOccurred, [&] { error = true; });
    refused.connectToHost(QStringLiteral("127.0.0.1"), port);
    ASSERT_TRUE(waitUntil([&] { return error; }, 1s));
    EXPECT_EQ(refused.error(), QAbstractSocket::ConnectionRefusedError);

    advertiser->startAdvertisingPeer();
    EXPECT_EQ(advertiser->serverPort(), port) << "the same port as before when it is free";
    PeerClient controller;
    EXPECT_TRUE(join(controller, "Pad"));
}

} // namespace
} // namespace kavora::test
