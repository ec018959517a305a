// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/linux/PeerTestSupport.h"

#include "app/RemoteCommands.h"
#include "support/CapturingLog.h"
#include "support/linux/ScopedVariable.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <QTimer>

#include <filesystem>
#include <regex>
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
        callbacks.received = [this](std::string_view packet, const PeerID& peer) {
            received.emplace_back(packet);
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

    int identity()
    {
        std::ostringstream outStream;
        std::ostringstream errStream;
        const int status = runIdentity({}, outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }

    // kavora-remote's own folder, away from the user's.
    TemporaryFolder config;
    ScopedVariable configHome { "XDG_CONFIG_HOME", config.path().string() };
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

TEST_F(PeerRemoteCommandsTest, APendingAnswerShowsTheCodeAndWaitsForTheUser)
{
    std::vector<PeerID> held;
    advertiser->setInvitationHandler([&](const PeerID& peer) {
        held.push_back(peer);
        return InvitationDecision::Hold;
    });
    struct Row {
        const char* shows;
        bool allowed;
        int status;
        const char* says;
    };
    const std::vector<Row> rows {
        { "allowed", true, 0, "connected to " },
        { "declined", false, 1, " did not allow this controller" },
    };
    for (const auto& row : rows) {
        held.clear();
        // The user answers once the request is there.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!held.empty()) {
                poll.stop();
                advertiser->answerHeldInvitation(held.front(), row.allowed);
            }
        });
        poll.start(50);
        EXPECT_EQ(connect("{\"heartbeat\":{}}\n", { address(), "--wait", "0.3" }), row.status)
            << row.shows << ": " << err;
        ASSERT_EQ(held.size(), 1U) << row.shows;
        EXPECT_EQ(held.front().verificationCode.size(), 6U);
        EXPECT_NE(err.find("verification code " + held.front().verificationCode + "\n"),
                  std::string::npos)
            << row.shows << ": the code the receiver shows: " << err;
        EXPECT_NE(err.find("allow this controller on the receiver"), std::string::npos) << err;
        EXPECT_NE(err.find(row.says), std::string::npos) << row.shows << ": " << err;
        EXPECT_EQ(out, row.allowed ? "{\"heartbeat\":{}}\n" : "") << row.shows;
    }
    // The identity was made on first use, privately, and is the one the receiver saw.
    const auto folder = config.path() / "kavora-remote";
    EXPECT_EQ(remoteConfigFolder(), folder);
    EXPECT_EQ(modeOf(folder / kControllerIdentityFiles.privateKey), 0600U);
    ASSERT_EQ(identity(), 0) << err;
    EXPECT_TRUE(std::regex_match(out, std::regex("[0-9a-f]{64}\n"))) << out;
    EXPECT_EQ(out, held.front().fingerprint + "\n") << "the receiver knows it by its identity";
}

TEST_F(PeerRemoteCommandsTest, AReceiverWhoseCertificateChangedIsRefused)
{
    EXPECT_EQ(connect("", { address() }), 0) << err;
    EXPECT_NE(err.find("first connection to 127.0.0.1"), std::string::npos) << err;
    const auto known = config.path() / "kavora-remote" / kKnownReceiversFileName;
    EXPECT_EQ(modeOf(known), 0600U);
    EXPECT_EQ(connect("", { address() }), 0) << "the same certificate again: " << err;

    // Another receiver, or an impostor, at the same host.
    TemporaryFolder elsewhere;
    const auto other = loadOrCreateTlsIdentity(elsewhere.path());
    ASSERT_TRUE(other.ok());
    advertiser.reset();
    advertiser = listenFor(session, shortLimits(), log, invitations,
                           QHostAddress(QHostAddress::LocalHost), other.value());
    invitations.clear();
    EXPECT_EQ(connect("{\"heartbeat\":{}}\n", { address() }), 1);
    EXPECT_NE(err.find("the certificate of 127.0.0.1 has changed"), std::string::npos) << err;
    EXPECT_NE(err.find(certificateSha256(other.value().certificate)), std::string::npos) << err;
    EXPECT_TRUE(invitations.empty()) << "refused before the invitation";
    EXPECT_TRUE(received.empty());
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
    EXPECT_EQ(runIdentity({ "--bogus" }, outStream, errStream), 2);
    EXPECT_EQ(runBrowse({ "--timeout", "x" }, outStream, errStream), 2);
    EXPECT_TRUE(invitations.empty());
}

} // namespace
} // namespace kavora::test
