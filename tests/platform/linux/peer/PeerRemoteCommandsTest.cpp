#include "support/linux/PeerTestSupport.h"

#include "app/RemoteCommands.h"
#include "support/CapturingLog.h"

#include <QTcpServer>
#include <QTcpSocket>

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

// kavora-remote's commands in this process, against a receiver on 127.0.0.1 that echoes every
// packet. Declines and sessions the receiver ends are shown end to end (tests/e2e).
class PeerRemoteCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureQtApplication();
        PeerSession::Callbacks callbacks;
        callbacks.received = [this](std::vector<std::uint8_t> packet, const PeerID& peer) {
            received.emplace_back(packet.begin(), packet.end());
            session.send(received.back(), { peer });
        };
        session.setCallbacks(std::move(callbacks));
        advertiser = listenFor(session, shortLimits(), log, invitations);
        ASSERT_NE(advertiser->serverPort(), 0);
    }
    void TearDown() override
    {
        advertiser.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    int connect(const std::string& input, Lines args)
    {
        std::istringstream in(input);
        std::ostringstream outStream;
        std::ostringstream errStream;
        const int status = runConnect(args, in, outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }
    std::string address() const { return "127.0.0.1:" + std::to_string(advertiser->serverPort()); }

    CapturingLog log;
    LinuxPeerSession session { "Echo-Mac" };
    std::unique_ptr<LinuxPeerAdvertiser> advertiser;
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
    EXPECT_EQ(connect(input, { address(), "--name", "Script", "--wait", "0.5" }), 0) << err;
    EXPECT_EQ(invitations, (Lines { "Script" }));
    const Lines sent { R"({"heartbeat":{}})",
                       R"({"launchApp":{"bundleId":"org.example.Viewer"}})" };
    EXPECT_EQ(received, sent);
    EXPECT_EQ(linesOf(out), sent) << "every reply printed as one JSON line";
    EXPECT_NE(err.find("line 3: "), std::string::npos) << err;
    EXPECT_NE(err.find("line 5: "), std::string::npos) << "a message missing a field: " << err;
    EXPECT_TRUE(pollUntil([&] { return session.connectedPeers().empty(); }))
        << "the end of the input ends the session";
}

TEST_F(PeerRemoteCommandsTest, AReceiverThatCannotBeJoinedIsAnError)
{
    QTcpServer plain;
    ASSERT_TRUE(plain.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&plain, &QTcpServer::newConnection, [&plain] {
        auto* socket = plain.nextPendingConnection();
        socket->write("HTTP/1.0 400 Bad Request\r\n\r\n");
        socket->disconnectFromHost();
    });
    const auto withoutTls = "127.0.0.1:" + std::to_string(plain.serverPort());
    const auto stopped = address();
    advertiser->stopAdvertisingPeer();

    EXPECT_EQ(connect("", { stopped }), 1);
    EXPECT_NE(err.find("cannot connect to " + stopped), std::string::npos) << err;
    EXPECT_EQ(connect("", { withoutTls }), 1);
    EXPECT_NE(err.find("TLS handshake with " + withoutTls), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
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
