// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/linux/PeerTestSupport.h"

#include "link/PeerConsent.h"
#include "platform/linux/peer/PeerSocketOptions.h"
#include "support/CapturingLog.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace kavora::test {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

const std::string kHeartbeat = R"({"heartbeat":{}})";

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
        callbacks.received = [this](std::string_view packet, const PeerID& peer) {
            packets.push_back(peer.displayName + ": " + std::string(packet));
        };
        session->setCallbacks(std::move(callbacks));
        advertiser = listenFor(*session, limits, log, invitations);
        advertiser->setInvitationHandler([this](const PeerID& peer) {
            invitations.push_back(peer.displayName);
            peers.push_back(peer);
            if (holdInvitations)
                return InvitationDecision::Hold;
            return session->connectedPeers().empty() ? InvitationDecision::Accept
                                                     : InvitationDecision::Decline;
        });
        advertiser->setHeldPeerLeftHandler(
            [this](const PeerID& peer) { heldPeersLeft.push_back(peer.displayName); });
        port = advertiser->serverPort();
        ASSERT_NE(port, 0);
    }
    // Deadlines far away, for tests that must tell a rule from a deadline that would end the
    // connection anyway.
    void startWithLongDeadlines()
    {
        auto limits = shortLimits();
        limits.invitationTimeout = limits.frameTimeout = 10s;
        start(limits);
    }

    CapturingLog log;
    std::unique_ptr<LinuxPeerSession> session;
    std::unique_ptr<LinuxPeerAdvertiser> advertiser;
    std::uint16_t port = 0;
    Lines states;
    Lines packets;
    Lines invitations;
    std::vector<PeerID> peers; // as the invitation handler saw them
    bool holdInvitations = false;
    Lines heldPeersLeft;
};

TEST(PeerLinkLimits, ProductionValuesKeepTheirPromises)
{
    const LinkLimits limits;
    EXPECT_GT(limits.heldTimeout, 2 * PeerConsent::kAnswerTimeout)
        << "longer than the wait for a turn and the answer window after it";
    EXPECT_GT(PeerClient::Options().pendingAnswerTimeout, limits.heldTimeout)
        << "the client waits for as long as it may be held";
    EXPECT_EQ(limits.keepAliveIdle + limits.keepAliveProbes * limits.keepAliveInterval, 30s)
        << "a vanished controller is noticed within about 30 s";
    EXPECT_EQ(limits.userTimeout, 30s);
}

TEST(PeerLinkLimits, SocketOptionsFollowTheLimits)
{
    ensureQtApplication();
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.serverPort());
    ASSERT_TRUE(pollUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }));

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
    // The peer is known by its certificate, and the code comes from both certificates.
    const auto controller = certificateSha256(testControllerIdentity().certificate);
    ASSERT_EQ(peers.size(), 1U);
    EXPECT_EQ(peers.front().fingerprint, controller);
    EXPECT_EQ(peers.front().verificationCode,
              verificationCode(certificateSha256(raw.socket.peerCertificate()), controller));
    EXPECT_EQ(peers.front().verificationCode.size(), 6U);
    EXPECT_EQ(states, (Lines { "connected Pad A" }));
    ASSERT_EQ(session->connectedPeers().size(), 1U);
    EXPECT_EQ(session->connectedPeers().front().displayName, "Pad A");

    raw.write(encodeFrame(kHeartbeat));
    ASSERT_TRUE(pollUntil([&] { return !packets.empty(); }));
    EXPECT_EQ(packets, (Lines { "Pad A: " + kHeartbeat }));

    EXPECT_TRUE(session->send(kHeartbeat, session->connectedPeers()));
    ASSERT_TRUE(pollUntil([&] { return !raw.frames.empty(); }));
    EXPECT_EQ(raw.frames, (Lines { kHeartbeat }));
}

TEST_F(PeerLinkTest, OnlyTls13WithAClientCertificateReachesTheInvitation)
{
    // A controller without a certificate: refused before its invitation is read.
    RawPeer anonymous("127.0.0.1", nullptr);
    if (anonymous.connectEncrypted(port))
        anonymous.write(encodeFrame(encodeInvitation("Anonymous Pad")));
    EXPECT_TRUE(anonymous.waitClosed(2s));
    EXPECT_TRUE(anonymous.frames.empty()) << "no answer";

    // A controller that speaks the protocol but skipped the encryption.
    QTcpSocket plain;
    plain.connectToHost(QStringLiteral("127.0.0.1"), port);
    ASSERT_TRUE(pollUntil([&] { return plain.state() == QAbstractSocket::ConnectedState; }));
    const auto frame = encodeFrame(encodeInvitation("Plain Pad"));
    plain.write(frame.data(), static_cast<qint64>(frame.size()));
    EXPECT_TRUE(pollUntil([&] { return plain.state() == QAbstractSocket::UnconnectedState; }, 2s));

    RawPeer old;
    auto configuration = old.socket.sslConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2);
    old.socket.setSslConfiguration(configuration);
    EXPECT_FALSE(old.connectEncrypted(port));
    EXPECT_TRUE(old.waitClosed(1s));
    EXPECT_TRUE(invitations.empty());
    EXPECT_TRUE(session->connectedPeers().empty());
}

TEST_F(PeerLinkTest, OneControllerAtATimeUntilTheFirstIsGone)
{
    RawPeer first;
    ASSERT_TRUE(first.join(port, "Pad A"));

    RawPeer second;
    EXPECT_FALSE(second.join(port, "Pad B"));
    EXPECT_EQ(second.answer, InvitationAnswer::Declined);
    EXPECT_TRUE(second.waitClosed()) << "a declined controller is sent away";
    EXPECT_EQ(invitations, (Lines { "Pad A", "Pad B" }));

    first.write(encodeFrame(kHeartbeat));
    ASSERT_TRUE(pollUntil([&] { return !packets.empty(); })) << "the first one still works";

    // Gone in the middle of a frame, without a word.
    first.write(encodeFrame(kHeartbeat).substr(0, 7));
    first.socket.abort();
    ASSERT_TRUE(pollUntil([&] { return session->connectedPeers().empty(); }));
    EXPECT_EQ(states, (Lines { "connected Pad A", "not connected Pad A" }));
    RawPeer third;
    EXPECT_TRUE(third.join(port, "Pad C")) << "the slot is free again";
}

TEST_F(PeerLinkTest, AHeldControllerIsIgnoredUntilAcceptedAndThenJoins)
{
    startWithLongDeadlines();
    holdInvitations = true;
    RawPeer peer;
    ASSERT_TRUE(peer.connectEncrypted(port));
    std::string early;
    for (int i = 0; i < 8; ++i)
        early += encodeFrame(kHeartbeat);
    peer.write(encodeFrame(encodeInvitation("Pad A")) + early);
    EXPECT_EQ(peer.nextAnswer(), InvitationAnswer::Pending);
    runFor(100ms);
    EXPECT_TRUE(packets.empty()) << "what a held controller sends is dropped";
    EXPECT_TRUE(states.empty());
    EXPECT_EQ(advertiser->heldCount(), 1);

    ASSERT_EQ(peers.size(), 1U);
    advertiser->answerHeldInvitation(peers.front(), true);
    EXPECT_EQ(peer.nextAnswer(), InvitationAnswer::Accepted);
    EXPECT_EQ(states, (Lines { "connected Pad A" }));
    EXPECT_EQ(session->connectedPeers(), peers) << "joined as the peer the handler saw";
    peer.write(encodeFrame(kHeartbeat));
    ASSERT_TRUE(pollUntil([&] { return !packets.empty(); }));
    EXPECT_EQ(packets, (Lines { "Pad A: " + kHeartbeat }));
    EXPECT_EQ(advertiser->heldCount(), 0);
    EXPECT_TRUE(heldPeersLeft.empty());
}

TEST_F(PeerLinkTest, AHeldControllerEndsByAnswerRuleDeadlineOrLeaving)
{
    auto limits = shortLimits();
    limits.invitationTimeout = limits.frameTimeout = 10s;
    limits.heldTimeout = 300ms;
    limits.maxPairingRequestsPerAddress = 2;
    start(limits);
    holdInvitations = true;
    struct Row {
        const char* shows;
        const char* from; // the rate limit counts per address
        std::function<void(RawPeer&)> act;
        bool reported; // as a held peer that left, rather than answered
        std::optional<InvitationAnswer> lastAnswer;
    };
    const auto tooMany = [](RawPeer& peer) {
        for (int i = 0; i < 9; ++i)
            peer.write(encodeFrame(kHeartbeat));
    };
    const std::vector<Row> rows {
        { "declined by the user", "127.0.0.2",
          [this](RawPeer&) { advertiser->answerHeldInvitation(peers.back(), false); }, false,
          InvitationAnswer::Declined },
        { "more frames than allowed", "127.0.0.3", tooMany, true, std::nullopt },
        { "the controller leaves", "127.0.0.4", [](RawPeer& peer) { peer.socket.abort(); }, true,
          std::nullopt },
        { "no answer by the backstop deadline", "127.0.0.5", [](RawPeer&) {}, true, std::nullopt },
    };
    for (const auto& row : rows) {
        heldPeersLeft.clear();
        RawPeer peer(row.from);
        ASSERT_TRUE(peer.connectEncrypted(port)) << row.shows;
        peer.write(encodeFrame(encodeInvitation(row.shows)));
        ASSERT_EQ(peer.nextAnswer(), InvitationAnswer::Pending) << row.shows;
        row.act(peer);
        if (!peer.socket.isOpen())
            peer.closed = true;
        EXPECT_TRUE(peer.waitClosed(2s)) << row.shows;
        EXPECT_EQ(peer.nextAnswer(), row.lastAnswer) << row.shows;
        ASSERT_TRUE(pollUntil([&] { return advertiser->heldCount() == 0; })) << row.shows;
        EXPECT_EQ(heldPeersLeft, row.reported ? Lines { row.shows } : Lines {}) << row.shows;
    }
    EXPECT_TRUE(packets.empty());
    EXPECT_TRUE(states.empty());

    // Pairing requests from one address: the third within the window is declined at once, and
    // the owner, who asked for it to be held, hears that it left.
    for (int i = 0; i < 2; ++i) {
        heldPeersLeft.clear();
        RawPeer peer("127.0.0.6");
        ASSERT_TRUE(peer.connectEncrypted(port));
        peer.write(encodeFrame(encodeInvitation("Pad")));
        EXPECT_EQ(peer.nextAnswer(), InvitationAnswer::Pending);
        peer.socket.abort();
        ASSERT_TRUE(pollUntil([&] { return heldPeersLeft.size() == 1; }));
    }
    heldPeersLeft.clear();
    EXPECT_FALSE(advertiser->mayHold(peers.back())) << "asked before holding";
    EXPECT_EQ(peers.back().address, "127.0.0.6");
    RawPeer third("127.0.0.6");
    EXPECT_FALSE(third.join(port, "Pad"));
    EXPECT_EQ(third.answer, InvitationAnswer::Declined);
    EXPECT_EQ(heldPeersLeft, (Lines { "Pad" }));
    RawPeer elsewhere("127.0.0.7");
    ASSERT_TRUE(elsewhere.connectEncrypted(port));
    elsewhere.write(encodeFrame(encodeInvitation("Pad")));
    EXPECT_EQ(elsewhere.nextAnswer(), InvitationAnswer::Pending) << "other addresses may ask";
}

TEST_F(PeerLinkTest, ConnectionsNotYetAcceptedAreCappedAndNeverHoldTheSlot)
{
    auto limits = shortLimits();
    // Long enough to hold them while the test opens them.
    limits.handshakeTimeout = limits.invitationTimeout = 1500ms;
    limits.maxPendingConnections = 4;
    limits.maxPendingPerAddress = 2;
    start(limits);
    std::vector<std::unique_ptr<QTcpSocket>> sockets; // TCP only: stuck in the handshake
    const auto open = [&](const char* from) {
        auto& socket = sockets.emplace_back(std::make_unique<QTcpSocket>());
        socket->bind(QHostAddress(QString::fromLatin1(from)), 0);
        socket->connectToHost(QStringLiteral("127.0.0.1"), port);
        pollUntil([&] {
            return socket->state() == QAbstractSocket::ConnectedState
                || socket->state() == QAbstractSocket::UnconnectedState;
        });
        return socket.get();
    };
    const auto closedSoon = [](QTcpSocket* socket) {
        return pollUntil([&] { return socket->state() == QAbstractSocket::UnconnectedState; },
                         200ms);
    };
    RawPeer oldest("127.0.0.3"); // through its handshake, no invitation
    ASSERT_TRUE(oldest.connectEncrypted(port));
    auto* nextOldest = open("127.0.0.2");
    open("127.0.0.2");
    ASSERT_TRUE(pollUntil([&] { return advertiser->pendingCount() == 3; }));

    RawPeer controller;
    EXPECT_TRUE(controller.join(port, "Pad")) << "pending connections do not hold the slot";
    EXPECT_EQ(invitations, (Lines { "Pad" }));
    EXPECT_TRUE(closedSoon(open("127.0.0.2"))) << "a third from one address";
    open("127.0.0.4");
    ASSERT_TRUE(pollUntil([&] { return advertiser->pendingCount() == 4; }));
    // At the overall cap the address with the most makes room, its oldest first; between
    // addresses with as many, the oldest goes, whether in its handshake or after it.
    auto* fifth = open("127.0.0.5");
    EXPECT_TRUE(closedSoon(nextOldest)) << "the oldest of the address with two";
    EXPECT_FALSE(closedSoon(fifth)) << "the newest is taken in";
    EXPECT_FALSE(oldest.closed);
    EXPECT_EQ(advertiser->pendingCount(), 4);
    open("127.0.0.6");
    EXPECT_TRUE(oldest.waitClosed(1s)) << "then the oldest of all";

    // The deadlines clear them all, and there is room again.
    ASSERT_TRUE(pollUntil([&] { return advertiser->pendingCount() == 0; }, 3s));
    EXPECT_EQ(session->connectedPeers().size(), 1U);
    EXPECT_FALSE(closedSoon(open("127.0.0.2")));
}

TEST_F(PeerLinkTest, AConnectionWithoutAProperInvitationIsClosedUnanswered)
{
    auto limits = shortLimits();
    limits.invitationTimeout = 1s;
    limits.frameTimeout = 10s;
    start(limits);
    struct Row {
        const char* shows;
        std::string sent;
        bool atTheDeadline; // else well before it
    };
    const std::vector<Row> rows {
        // The length alone is refused.
        { "an invitation over its size limit", lengthPrefix(513), false },
        { "a message instead of an invitation", encodeFrame(kHeartbeat), false },
        { "nothing", "", true },
    };
    for (const auto& row : rows) {
        RawPeer peer;
        ASSERT_TRUE(peer.connectEncrypted(port)) << row.shows;
        QElapsedTimer clock;
        clock.start();
        peer.write(row.sent);
        EXPECT_TRUE(peer.waitClosed(row.atTheDeadline ? 3s : 700ms)) << row.shows;
        if (row.atTheDeadline) {
            EXPECT_GE(clock.elapsed(), 900) << row.shows;
        }
        EXPECT_TRUE(peer.frames.empty()) << row.shows << ": no answer";
    }
    EXPECT_TRUE(invitations.empty());
}

TEST_F(PeerLinkTest, TheFrameLimitsHoldOnTheSocket)
{
    startWithLongDeadlines();
    RawPeer peer;
    ASSERT_TRUE(peer.connectEncrypted(port));
    // Sent along with the invitation, a packet over the invitation's limit: the session's limit
    // applies from the frame right after it.
    peer.write(encodeFrame(encodeInvitation("Pad A")) + encodeFrame(std::string(1000, 'p')));
    ASSERT_TRUE(pollUntil([&] { return packets.size() == 1; }));
    EXPECT_EQ(packets.back(), "Pad A: " + std::string(1000, 'p'));
    // A frame at the limit, split across reads (the length itself too), with two after it.
    const auto full = encodeFrame(std::string(4096, 'x'));
    peer.write(full.substr(0, 3));
    runFor(50ms);
    peer.write(full.substr(3, 500));
    runFor(50ms);
    EXPECT_EQ(packets.size(), 1U);
    peer.write(full.substr(503) + encodeFrame("one") + encodeFrame("two"));
    ASSERT_TRUE(pollUntil([&] { return packets.size() == 4; }));
    EXPECT_EQ(packets[1], "Pad A: " + std::string(4096, 'x'));
    EXPECT_EQ(packets[3], "Pad A: two");

    // One byte more: the length alone ends the connection, and only that one.
    peer.write(lengthPrefix(4097));
    EXPECT_TRUE(peer.waitClosed(2s));
    EXPECT_TRUE(pollUntil([&] { return session->connectedPeers().empty(); }));
    EXPECT_EQ(packets.size(), 4U);
    RawPeer next;
    EXPECT_TRUE(next.join(port, "Pad B")) << "the receiver keeps working";
}

TEST_F(PeerLinkTest, AStartedFrameIsCutOffAtItsDeadlineHoweverItDrips)
{
    RawPeer peer;
    ASSERT_TRUE(peer.join(port, "Pad A"));
    // One byte at a time, from the first byte of the length on.
    const auto frame = encodeFrame(std::string(100, 'd'));
    QElapsedTimer clock;
    clock.start();
    for (std::size_t at = 0; at < frame.size() && !peer.closed && clock.elapsed() < 2000; ++at) {
        peer.write(frame.substr(at, 1));
        runFor(50ms);
    }
    EXPECT_TRUE(peer.closed);
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_LT(clock.elapsed(), 1000) << "more bytes of the frame do not extend its deadline";
    EXPECT_TRUE(pollUntil([&] { return session->connectedPeers().empty(); }));
    EXPECT_TRUE(packets.empty());
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
    // The kernel's buffers on both ends take some megabytes before anything waits in ours.
    for (int i = 0; i < 16'000 && !refused; ++i)
        refused = !session->send(reply, session->connectedPeers());
    EXPECT_TRUE(refused);
    EXPECT_TRUE(session->connectedPeers().empty());
    EXPECT_EQ(states, (Lines { "connected Pad A", "not connected Pad A" }));
    EXPECT_TRUE(peer.waitClosed());
}

TEST_F(PeerLinkTest, StoppingClosesTheListenerAndStartingReopensIt)
{
    RawPeer accepted;
    ASSERT_TRUE(accepted.join(port, "Pad A"));
    RawPeer waiting;
    ASSERT_TRUE(waiting.connectEncrypted(port));
    advertiser->stopAdvertisingPeer();
    EXPECT_EQ(advertiser->serverPort(), 0);
    EXPECT_TRUE(waiting.waitClosed(1s)) << "connections not yet accepted go too";
    // The accepted one is the session's to end.
    EXPECT_FALSE(accepted.closed);
    session->disconnect();
    EXPECT_TRUE(accepted.waitClosed(1s));
    EXPECT_EQ(states, (Lines { "connected Pad A", "not connected Pad A" }));

    QTcpSocket refused;
    refused.connectToHost(QStringLiteral("127.0.0.1"), port);
    ASSERT_TRUE(pollUntil([&] { return refused.error() != QAbstractSocket::UnknownSocketError; }));
    EXPECT_EQ(refused.error(), QAbstractSocket::ConnectionRefusedError);

    advertiser->startAdvertisingPeer();
    EXPECT_EQ(advertiser->serverPort(), port) << "the same port as before when it is free";
    RawPeer controller;
    EXPECT_TRUE(controller.join(port, "Pad"));
}

} // namespace
} // namespace kavora::test
