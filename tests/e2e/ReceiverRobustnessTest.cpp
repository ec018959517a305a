#include "ReceiverProcess.h"
#include "RemoteController.h"
#include "support/linux/PeerTestSupport.h"

#include <QTcpSocket>

#include <gtest/gtest.h>

#include <algorithm>

namespace kavora::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kMaxFrameBytes = 1024 * 1024;
const std::string kHeartbeatFrame = encodeFrame(R"({"heartbeat":{}})");

// The 4-byte big-endian length that starts a frame.
std::string lengthPrefix(std::uint32_t length)
{
    return { static_cast<char>(length >> 24), static_cast<char>((length >> 16) & 0xFF),
             static_cast<char>((length >> 8) & 0xFF), static_cast<char>(length & 0xFF) };
}

bool holdsHeartbeat(const std::vector<std::string>& frames)
{
    return std::find(frames.begin(), frames.end(), R"({"heartbeat":{}})") != frames.end();
}

// Clients that break the link's rules, written by hand against the running program; after each,
// the receiver must still be running and serve a well-behaved controller.
class ReceiverRobustnessTest : public testing::Test {
protected:
    void SetUp() override
    {
        ensureQtApplication();
        ASSERT_TRUE(receiver.ready()) << "first line: " << receiver.banner() << "\n"
                                      << receiver.log();
    }

    void expectStillServing(const std::string& name)
    {
        EXPECT_TRUE(receiver.process().running()) << receiver.log();
        RemoteController remote(receiver, name);
        EXPECT_TRUE(remote.inSession()) << remote.errors() << receiver.log();
    }

    ReceiverProcess receiver;
};

TEST_F(ReceiverRobustnessTest, APlainTcpClientIsClosedWithoutAnAnswer)
{
    QTcpSocket plain;
    plain.connectToHost(QStringLiteral("127.0.0.1"), receiver.port());
    ASSERT_TRUE(waitUntil([&] { return plain.state() == QAbstractSocket::ConnectedState; }));
    // A controller that speaks the protocol but skipped the encryption.
    const auto invitation = encodeFrame(encodeInvitation("Plain Pad"));
    plain.write(invitation.data(), static_cast<qint64>(invitation.size()));
    QByteArray received;
    QObject::connect(&plain, &QTcpSocket::readyRead, [&] { received += plain.readAll(); });
    EXPECT_TRUE(waitUntil([&] { return plain.state() == QAbstractSocket::UnconnectedState; },
                          kReplyTimeout));
    EXPECT_FALSE(received.contains("invitationAnswer"));

    expectStillServing("After Plain");
}

TEST_F(ReceiverRobustnessTest, NothingListensBesideTheGivenAddress)
{
    // 127.0.0.2 reaches this machine too, but it is not the address the receiver was given.
    QTcpSocket elsewhere;
    bool refused = false;
    QObject::connect(&elsewhere, &QTcpSocket::errorOccurred, [&] { refused = true; });
    elsewhere.connectToHost(QStringLiteral("127.0.0.2"), receiver.port());
    ASSERT_TRUE(
        waitUntil([&] { return refused || elsewhere.state() == QAbstractSocket::ConnectedState; },
                  kReplyTimeout));
    EXPECT_EQ(elsewhere.error(), QAbstractSocket::ConnectionRefusedError);
}

TEST_F(ReceiverRobustnessTest, AFrameAtTheLimitIsReadAndOnePastItEndsTheConnection)
{
    RawPeer peer;
    ASSERT_TRUE(peer.join(receiver.port(), "Large Frames"));

    // Exactly the limit: read whole, then dropped as no message; the session goes on.
    peer.write(lengthPrefix(kMaxFrameBytes) + std::string(kMaxFrameBytes, ' ') + kHeartbeatFrame);
    EXPECT_TRUE(
        waitUntil([&] { return holdsHeartbeat(peer.frames) || peer.closed; }, kReplyTimeout));
    EXPECT_TRUE(holdsHeartbeat(peer.frames));
    EXPECT_FALSE(peer.closed);

    // One byte more: the length alone ends the connection.
    peer.write(lengthPrefix(kMaxFrameBytes + 1));
    EXPECT_TRUE(peer.waitClosed(kReplyTimeout));

    expectStillServing("After Large Frames");
}

TEST_F(ReceiverRobustnessTest, AFrameSentInPiecesIsHandledOnceComplete)
{
    RawPeer peer;
    ASSERT_TRUE(peer.join(receiver.port(), "Slow Pad"));

    peer.write(kHeartbeatFrame.substr(0, 7));
    // Settle time for a check that nothing happens: half a frame gets no answer and no close.
    runFor(300ms);
    EXPECT_FALSE(holdsHeartbeat(peer.frames));
    EXPECT_FALSE(peer.closed);

    peer.write(kHeartbeatFrame.substr(7));
    EXPECT_TRUE(waitUntil([&] { return holdsHeartbeat(peer.frames); }, kReplyTimeout));
    EXPECT_FALSE(peer.closed);
}

// The receiver gives a started frame ten seconds; this test waits them out.
TEST_F(ReceiverRobustnessTest, AFrameLeftHalfSentIsCutOffAtItsDeadline)
{
    RawPeer peer;
    ASSERT_TRUE(peer.join(receiver.port(), "Stalled Pad"));
    peer.write(kHeartbeatFrame.substr(0, 7));
    EXPECT_TRUE(peer.waitClosed(20s)) << receiver.log();
    EXPECT_FALSE(holdsHeartbeat(peer.frames));

    expectStillServing("After Stalled Pad");
}

TEST_F(ReceiverRobustnessTest, AControllerGoneInTheMiddleOfAFrameFreesTheSession)
{
    {
        RawPeer peer;
        ASSERT_TRUE(peer.join(receiver.port(), "Vanishing Pad"));
        peer.write(kHeartbeatFrame.substr(0, 7));
        peer.socket.abort();
    }
    expectStillServing("After Vanishing Pad");
}

} // namespace
} // namespace kavora::test
