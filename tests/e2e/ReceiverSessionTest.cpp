// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReceiverProcess.h"

#include "platform/linux/peer/CertificateStore.h"
#include "support/linux/PeerTestSupport.h"
#include "support/linux/Polling.h"
#include "support/linux/X11TestClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kavora::test {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

bool refusedAt(const char* address, std::uint16_t port)
{
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &to.sin_addr);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool refused = ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0
        && errno == ECONNREFUSED;
    ::close(fd);
    return refused;
}

class ReceiverSessionTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(receiver.ready()) << receiver.log(); }

    ReceiverProcess receiver;
};

// What is pushed and answered in a session is MacControllerTest's and the link tests'; here, that
// the program serves one controller at a time on the address it was given, until SIGTERM.
TEST_F(ReceiverSessionTest, OneControllerAtATimeGetsTheListsAndRepliesUntilSigterm)
{
    RemoteController remote(receiver, "Test Pad");
    ASSERT_TRUE(remote.inSession()) << remote.errors() << receiver.log();
    const auto pushed = remote.messagesUntil("favoriteSites");
    ASSERT_FALSE(pushed.empty());
    EXPECT_EQ(caseOf(pushed.back()), "favoriteSites") << "the lists are pushed after joining";
    ASSERT_TRUE(remote.send({ { "requestSystemButtons", json::object() } }));
    const auto reply = remote.messagesUntil("systemButtons");
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(caseOf(reply.back()), "systemButtons");

    // kavora-remote shows the fingerprint of the certificate the receiver keeps in its settings
    // folder.
    const auto kept = loadOrCreateTlsIdentity(receiver.home() / ".config/kavora");
    ASSERT_TRUE(kept.ok());
    EXPECT_NE(remote.errors().find("receiver certificate SHA-256 "
                                   + certificateFingerprint(kept.value().certificate)),
              std::string::npos)
        << remote.errors();
    // 127.0.0.2 reaches this machine too, but it is not the address the receiver was given.
    EXPECT_TRUE(refusedAt("127.0.0.2", receiver.port()));

    RemoteController second(receiver, "Second");
    EXPECT_EQ(second.waitForExit(), 1);
    EXPECT_EQ(second.errors(),
              "kavora-remote: " + receiver.address()
                  + " declined the invitation (another controller is connected)\n");
    EXPECT_TRUE(remote.inSession()) << "the declined one did not disturb the session";

    ASSERT_EQ(::kill(receiver.process().pid(), SIGTERM), 0);
    EXPECT_EQ(receiver.process().waitForExit(kStartTimeout), 0) << receiver.log();
    EXPECT_EQ(remote.waitForExit(), 1) << "the controller learns that the session is over";
    EXPECT_NE(remote.errors().find(receiver.address() + " closed the connection"),
              std::string::npos)
        << remote.errors();
}

// An unknown controller waits for the person at the computer: the headless receiver prints the
// request with the code kavora-remote shows, nothing moves until `kavora devices allow`, and
// then the input the controller had typed takes effect.
TEST(ReceiverConsentTest, AnUnknownControllerMovesNothingUntilAllowed)
{
    ReceiverProcess receiver({}, false);
    ASSERT_TRUE(receiver.ready()) << receiver.log();
    const X11TestClient probe(receiver.xDisplay());
    const auto start = probe.pointer().value();
    RemoteController remote(receiver, "Stranger");
    ASSERT_TRUE(remote.send({ { "mouseDelta", { { "dx", 40 }, { "dy", 25 } } } }));

    std::string request;
    while (auto line = receiver.process().readLine(kReplyTimeout)) {
        request += *line + "\n";
        if (line->find("to allow it, run:") != std::string::npos)
            break;
    }
    const auto fingerprint = receiver.controllerFingerprint();
    EXPECT_NE(request.find("\"Stranger\""), std::string::npos) << request;
    EXPECT_NE(request.find(fingerprint), std::string::npos) << request;
    const auto codeAt = request.find("verification code: ");
    ASSERT_NE(codeAt, std::string::npos) << request;
    const auto code = request.substr(codeAt + 19, 6);
    EXPECT_TRUE(pollUntil([&] {
        return remote.errors().find("verification code " + code) != std::string::npos;
    })) << "both programs show the same code: "
        << remote.errors();
    EXPECT_EQ(probe.pointer().value().x, start.x) << "held: nothing of the controller is acted on";

    ASSERT_EQ(receiver.devices({ "allow", fingerprint }), 0);
    EXPECT_TRUE(pollUntil([&] { return probe.pointer().value().x > start.x; }, kReplyTimeout))
        << receiver.log() << remote.errors();
    EXPECT_TRUE(remote.inSession());
}

// A stranger at 127.0.0.2 asks every five seconds, each time with a certificate it never showed
// before; a controller at 127.0.0.1 asking meanwhile is asked about within one answer window of
// 30 s (it was declined at once while the stranger held the question) and joins once allowed.
TEST(ReceiverConsentTest, AnAddressAskingOverAndOverCannotKeepAnotherControllerOut)
{
    ensureQtApplication();
    ReceiverProcess receiver({}, false);
    ASSERT_TRUE(receiver.ready()) << receiver.log();
    const TemporaryFolder identities;
    std::vector<std::unique_ptr<RawPeer>> strangers;
    const auto strangerAsks = [&] {
        const auto identity = loadOrCreateTlsIdentity(
            identities.path() / std::to_string(strangers.size()), kControllerIdentityFiles);
        ASSERT_TRUE(identity.ok());
        auto& stranger
            = strangers.emplace_back(std::make_unique<RawPeer>("127.0.0.2", &identity.value()));
        ASSERT_TRUE(stranger->connectEncrypted(receiver.port()));
        stranger->write(encodeFrame(encodeInvitation("Stranger")));
    };
    const auto announced = [&receiver](const std::string& name, std::chrono::milliseconds within) {
        const auto line = receiver.process().readLine(within);
        return line && line->find("controller \"" + name + "\" asks") != std::string::npos;
    };
    strangerAsks();
    ASSERT_TRUE(pollUntil([&] { return announced("Stranger", 100ms); }, kReplyTimeout));

    RemoteController genuine(receiver, "Genuine");
    const auto asked = std::chrono::steady_clock::now();
    auto lastStranger = asked;
    bool genuineAnnounced = false;
    while (!genuineAnnounced && std::chrono::steady_clock::now() - asked < 35s) {
        if (std::chrono::steady_clock::now() - lastStranger >= 5s) {
            strangerAsks();
            lastStranger = std::chrono::steady_clock::now();
        }
        genuineAnnounced = announced("Genuine", 250ms);
    }
    EXPECT_TRUE(genuineAnnounced) << receiver.log() << genuine.errors();
    RecordProperty("genuine_asked_after_ms",
                   static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - asked)
                                        .count()));
    ASSERT_EQ(receiver.devices({ "allow", receiver.controllerFingerprint() }), 0);
    EXPECT_TRUE(genuine.inSession()) << genuine.errors();
}

} // namespace
} // namespace kavora::test
