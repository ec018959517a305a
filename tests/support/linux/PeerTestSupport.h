// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/peer/CertificateStore.h"
#include "platform/linux/peer/LinkLimits.h"
#include "platform/linux/peer/LinuxPeerAdvertiser.h"
#include "platform/linux/peer/LinuxPeerFramework.h"
#include "platform/linux/peer/LinuxPeerSession.h"
#include "platform/linux/peer/PeerClient.h"
#include "support/TemporaryFolder.h"
#include "support/linux/ChildProcess.h"
#include "support/linux/Polling.h"
#include "wire/FrameDecoder.h"
#include "wire/Invitation.h"

#include <QCoreApplication>
#include <QSslConfiguration>
#include <QSslSocket>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace kavora::test {

// The Qt application object the sockets and timers need; made once per test process.
inline void ensureQtApplication()
{
    if (QCoreApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "kavora-peer-test";
    static char* argv[] = { name, nullptr };
    new QCoreApplication(argc, argv); // lives until the process ends
}

// Runs the event loop for the given time: the settle time of a check that nothing happens.
inline void runFor(std::chrono::milliseconds time)
{
    pollUntil([] { return false; }, time);
}

// The 4-byte big-endian length that starts a frame.
inline std::string lengthPrefix(std::uint32_t length)
{
    return { static_cast<char>(length >> 24), static_cast<char>((length >> 16) & 0xFF),
             static_cast<char>((length >> 8) & 0xFF), static_cast<char>(length & 0xFF) };
}

// The identity of the test controllers, made once per test process in a folder of its own.
inline const TlsIdentity& testControllerIdentity()
{
    static TemporaryFolder folder;
    static const TlsIdentity identity
        = loadOrCreateTlsIdentity(folder.path() / "kavora-remote", kControllerIdentityFiles)
              .value();
    return identity;
}

// Client options that present the test controllers' identity.
inline PeerClient::Options controllerOptions()
{
    PeerClient::Options options;
    options.identity = testControllerIdentity();
    return options;
}

// Limits short enough for tests to reach every deadline in well under a second.
inline LinkLimits shortLimits()
{
    LinkLimits limits;
    limits.handshakeTimeout = std::chrono::milliseconds(400);
    limits.invitationTimeout = std::chrono::milliseconds(400);
    limits.frameTimeout = std::chrono::milliseconds(400);
    limits.lingerTimeout = std::chrono::milliseconds(200);
    limits.maxInvitationBytes = 512;
    limits.maxFrameBytes = 4096;
    return limits;
}

// A hand-driven TLS client that can break the rules, from a loopback address of its choice,
// presenting the identity given (the test controllers' unless told otherwise).
class RawPeer {
public:
    explicit RawPeer(const char* fromAddress = "127.0.0.1",
                     const TlsIdentity* identity = &testControllerIdentity())
    {
        socket.bind(QHostAddress(QString::fromLatin1(fromAddress)), 0);
        auto configuration = QSslConfiguration::defaultConfiguration();
        configuration.setProtocol(QSsl::TlsV1_3OrLater);
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        if (identity != nullptr) {
            configuration.setLocalCertificate(identity->certificate);
            configuration.setPrivateKey(identity->privateKey);
        }
        socket.setSslConfiguration(configuration);
        QObject::connect(&socket, &QSslSocket::readyRead, [this] {
            const auto bytes = socket.readAll();
            decoder.append(
                std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            std::string_view payload;
            while (decoder.next(payload) == FrameDecoder::Status::Frame)
                frames.emplace_back(payload);
        });
        QObject::connect(&socket, &QSslSocket::disconnected, [this] { closed = true; });
    }

    bool connectEncrypted(std::uint16_t port)
    {
        socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        return pollUntil([this] { return socket.isEncrypted() || closed; }) && socket.isEncrypted();
    }
    void write(const std::string& bytes)
    {
        socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
        socket.flush();
    }
    // Connects, invites and waits for the answer (kept in `answer`); true when accepted.
    bool join(std::uint16_t port, const std::string& name)
    {
        if (!connectEncrypted(port))
            return false;
        write(encodeFrame(encodeInvitation(name)));
        return nextAnswer() == InvitationAnswer::Accepted;
    }
    // Waits for the next invitation answer and keeps it in `answer`.
    std::optional<InvitationAnswer> nextAnswer()
    {
        answer.reset();
        if (!pollUntil([this] { return !frames.empty() || closed; }) || frames.empty())
            return answer;
        if (auto decoded = decodeInvitationAnswer(frames.front()); decoded.ok())
            answer = decoded.value();
        frames.erase(frames.begin());
        return answer;
    }
    bool waitClosed(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
    {
        return pollUntil([this] { return closed; }, timeout);
    }

    QSslSocket socket;
    FrameDecoder decoder { 64 * 1024 * 1024 };
    std::vector<std::string> frames;
    std::optional<InvitationAnswer> answer;
    bool closed = false;
};

// The receiver's TLS identity, made once per test process in a folder of its own.
inline const TlsIdentity& testIdentity()
{
    static TemporaryFolder folder;
    static const TlsIdentity identity = loadOrCreateTlsIdentity(folder.path() / "kavora").value();
    return identity;
}

// A listener for the session on the address (any free port, nothing published over DNS-SD)
// with the identity (the test receiver's unless told otherwise). It accepts an invitation while no
// controller is connected and notes the name of every controller that asks in `invitations`.
inline std::unique_ptr<LinuxPeerAdvertiser>
listenFor(LinuxPeerSession& session, const LinkLimits& limits, Log& log,
          std::vector<std::string>& invitations,
          const QHostAddress& address = QHostAddress(QHostAddress::LocalHost),
          const TlsIdentity& tls = testIdentity())
{
    PeerLinkOptions options;
    options.listenAddress = address;
    options.limits = limits;
    options.publishDnsSd = false;
    auto advertiser = std::make_unique<LinuxPeerAdvertiser>(
        LinuxPeerAdvertiser::Identity { session.displayName(), {}, "kavora-v2" }, session, options,
        LinuxPeerFramework::serverConfiguration(tls.certificate, tls.privateKey), std::string(),
        log);
    advertiser->setInvitationHandler([&session, &invitations](const PeerID& peer) {
        invitations.push_back(peer.displayName);
        return session.connectedPeers().empty() ? InvitationDecision::Accept
                                                : InvitationDecision::Decline;
    });
    advertiser->startAdvertisingPeer();
    return advertiser;
}

// Two network namespaces joined by a veth link, as two hosts of a LAN whose link can go down:
// host h lives in namespace name(h), on interface "veth" + h, at subnet + ".1" (the first) or
// ".2" (the second). Making them needs root; problem() says why they could not be made.
class LinkedNamespaces {
public:
    LinkedNamespaces(char first, char second, const std::string& subnet)
        : first_(first)
        , second_(second)
    {
        if (run({ "ip", "netns", "add", name(first) }, {}, kCommandTimeout).exitStatus != 0) {
            problem_ = "ip netns is not permitted here (it needs root)";
            return;
        }
        made_ = true;
        const std::string a = std::string("veth") + first;
        const std::string b = std::string("veth") + second;
        const std::vector<std::vector<std::string>> commands {
            { "ip", "netns", "add", name(second) },
            { "ip", "link", "add", a, "netns", name(first), "type", "veth", "peer", "name", b,
              "netns", name(second) },
            { "ip", "-n", name(first), "addr", "add", subnet + ".1/16", "dev", a },
            { "ip", "-n", name(second), "addr", "add", subnet + ".2/16", "dev", b },
            { "ip", "-n", name(first), "link", "set", a, "up" },
            { "ip", "-n", name(second), "link", "set", b, "up" },
        };
        for (const auto& command : commands) {
            if (run(command, {}, kCommandTimeout).exitStatus != 0) {
                problem_ = "cannot link the namespaces: " + testing::PrintToString(command);
                return;
            }
        }
    }
    ~LinkedNamespaces()
    {
        if (!made_)
            return;
        run({ "ip", "netns", "del", name(first_) }, {}, kCommandTimeout);
        run({ "ip", "netns", "del", name(second_) }, {}, kCommandTimeout);
    }
    LinkedNamespaces(const LinkedNamespaces&) = delete;
    LinkedNamespaces& operator=(const LinkedNamespaces&) = delete;

    const std::optional<std::string>& problem() const { return problem_; }
    static std::string name(char host)
    {
        return std::string("kav") + host + "-" + std::to_string(::getpid());
    }
    // Takes the host's end of the link down without a word, as when a phone leaves the network.
    bool cut(char host) const
    {
        return run({ "ip", "-n", name(host), "link", "set", std::string("veth") + host, "down" },
                   {}, kCommandTimeout)
                   .exitStatus
            == 0;
    }

private:
    static constexpr std::chrono::seconds kCommandTimeout { 5 };

    char first_;
    char second_;
    bool made_ = false;
    std::optional<std::string> problem_;
};

} // namespace kavora::test
