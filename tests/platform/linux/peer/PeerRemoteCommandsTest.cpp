#include "support/linux/PeerTestSupport.h"

#include "app/RemoteCommands.h"
#include "platform/linux/peer/LinuxPeerAdvertiser.h"
#include "platform/linux/peer/LinuxPeerFramework.h"
#include "platform/linux/peer/LinuxPeerSession.h"
#include "platform/linux/peer/PeerClient.h"
#include "support/CapturingLog.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sstream>

namespace kavora::test {
namespace {

using Lines = std::vector<std::string>;

Lines linesOf(const std::string& text)
{
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A receiver on 127.0.0.1 that echoes every packet and ends the session on missionControl.
class PeerRemoteCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureQtApplication();
        session = std::make_unique<LinuxPeerSession>("Echo-Mac");
        PeerSession::Callbacks callbacks;
        callbacks.received = [this](std::vector<std::uint8_t> packet, const PeerID& peer) {
            const std::string text(packet.begin(), packet.end());
            received.push_back(text);
            if (text == R"({"missionControl":{}})")
                QTimer::singleShot(0, [this] { session->disconnect(); });
            else
                session->send(text, { peer });
        };
        session->setCallbacks(std::move(callbacks));
        advertiser = listenOnLoopback(*session, { "Echo-Mac", {}, "kavora-v2" }, shortLimits(), log,
                                      invitations);
        port = advertiser->serverPort();
        ASSERT_NE(port, 0);
    }
    void TearDown() override
    {
        advertiser.reset();
        session.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    int connect(const std::string& input, Lines extra = {})
    {
        Lines args { "127.0.0.1:" + std::to_string(port) };
        args.insert(args.end(), extra.begin(), extra.end());
        std::istringstream in(input);
        std::ostringstream outStream;
        std::ostringstream errStream;
        const int status = runConnect(args, in, outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }

    CapturingLog log;
    std::unique_ptr<LinuxPeerSession> session;
    std::unique_ptr<LinuxPeerAdvertiser> advertiser;
    std::uint16_t port = 0;
    Lines received;
    Lines invitations;
    std::string out;
    std::string err;
};

TEST_F(PeerRemoteCommandsTest, ConnectSendsEachLineAndPrintsWhatComesBack)
{
    const std::string input = "{\"heartbeat\":{}}\n"
                              "\n"
                              "not json\n"
                              "  {\"launchApp\":{\"bundleId\":\"org.example.Viewer\"}}  \n"
                              "{\"mouseDelta\":{\"dx\":1}}\n";
    EXPECT_EQ(connect(input, { "--name", "Script", "--wait", "0.5" }), 0) << err;
    EXPECT_EQ(invitations, (Lines { "Script" }));
    const Lines sent { R"({"heartbeat":{}})",
                       R"({"launchApp":{"bundleId":"org.example.Viewer"}})" };
    EXPECT_EQ(received, sent);
    EXPECT_EQ(linesOf(out), sent) << "every reply printed as one JSON line";
    EXPECT_NE(err.find("line 3: "), std::string::npos) << err;
    EXPECT_NE(err.find("line 5: "), std::string::npos) << "a message missing a field: " << err;
    EXPECT_TRUE(waitUntil([&] { return session->connectedPeers().empty(); }))
        << "the end of the input ends the session";
}

TEST_F(PeerRemoteCommandsTest, DeclinedInvitationIsAnError)
{
    PeerClient holder;
    bool accepted = false;
    holder.onAccepted = [&] { accepted = true; };
    holder.connectToReceiver(QStringLiteral("127.0.0.1"), port, "Holder");
    ASSERT_TRUE(waitUntil([&] { return accepted; }));

    EXPECT_EQ(connect("{\"heartbeat\":{}}\n"), 1);
    EXPECT_NE(err.find("declined the invitation"), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
}

TEST_F(PeerRemoteCommandsTest, UnreachableReceiverIsAnError)
{
    advertiser->stopAdvertisingPeer();
    EXPECT_EQ(connect(""), 1);
    EXPECT_NE(err.find("cannot connect to 127.0.0.1:" + std::to_string(port)), std::string::npos)
        << err;
}

TEST_F(PeerRemoteCommandsTest, ReceiverWithoutTlsIsAnError)
{
    QTcpServer plain;
    ASSERT_TRUE(plain.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&plain, &QTcpServer::newConnection, [&plain] {
        auto* socket = plain.nextPendingConnection();
        socket->write("HTTP/1.0 400 Bad Request\r\n\r\n");
        socket->disconnectFromHost();
    });
    std::istringstream in("");
    std::ostringstream outStream;
    std::ostringstream errStream;
    EXPECT_EQ(
        runConnect({ "127.0.0.1:" + std::to_string(plain.serverPort()) }, in, outStream, errStream),
        1);
    EXPECT_NE(errStream.str().find("TLS handshake with"), std::string::npos) << errStream.str();
}

TEST_F(PeerRemoteCommandsTest, ReceiverEndingTheSessionIsAnError)
{
    EXPECT_EQ(connect("{\"missionControl\":{}}\n", { "--wait", "3" }), 1);
    EXPECT_NE(err.find("closed the connection"), std::string::npos) << err;
}

TEST_F(PeerRemoteCommandsTest, WrongUsage)
{
    std::istringstream in;
    std::ostringstream outStream;
    std::ostringstream errStream;
    const std::vector<Lines> wrong {
        {},
        { "localhost" },
        { "127.0.0.1:0" },
        { "127.0.0.1:70000" },
        { "127.0.0.1:5000", "--wait", "-1" },
        { "127.0.0.1:5000", "--name" },
        { "127.0.0.1:5000", "127.0.0.1:5001" },
        { "127.0.0.1:5000", "--bogus" },
    };
    for (const auto& args : wrong)
        EXPECT_EQ(runConnect(args, in, outStream, errStream), 2) << testing::PrintToString(args);
    EXPECT_EQ(runBrowse({ "--timeout" }, outStream, errStream), 2);
    EXPECT_EQ(runBrowse({ "--timeout", "x" }, outStream, errStream), 2);
    EXPECT_TRUE(invitations.empty());
}

} // namespace
} // namespace kavora::test
