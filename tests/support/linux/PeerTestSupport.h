#pragma once

#include "core/Log.h"
#include "platform/linux/peer/CertificateStore.h"
#include "platform/linux/peer/LinkLimits.h"
#include "platform/linux/peer/LinuxPeerAdvertiser.h"
#include "platform/linux/peer/LinuxPeerFramework.h"
#include "platform/linux/peer/LinuxPeerSession.h"
#include "platform/linux/peer/PeerClient.h"
#include "support/TemporaryFolder.h"
#include "support/linux/Polling.h"
#include "wire/FrameDecoder.h"
#include "wire/Invitation.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Runs the event loop until the condition holds or the time is up; true when it held.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
{
    return pollUntil(condition, timeout);
}

// Runs the event loop for the given time.
inline void runFor(std::chrono::milliseconds time)
{
    waitUntil([] { return false; }, time);
}

// Joins the receiver on the loopback port as a controller named name; true once accepted.
inline bool joinAsController(PeerClient& client, std::uint16_t port, const std::string& name)
{
    bool accepted = false;
    bool failed = false;
    client.onAccepted = [&] { accepted = true; };
    client.onFailed = [&](PeerClient::Failure, const std::string&) { failed = true; };
    client.connectToReceiver(QStringLiteral("127.0.0.1"), port, name);
    waitUntil([&] { return accepted || failed; });
    client.onAccepted = nullptr;
    client.onFailed = nullptr;
    return accepted;
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

// A hand-driven TLS client that can break the rules, from a loopback address of its choice.
class RawPeer {
public:
    explicit RawPeer(const char* fromAddress = "127.0.0.1")
    {
        socket.bind(QHostAddress(QString::fromLatin1(fromAddress)), 0);
        auto configuration = QSslConfiguration::defaultConfiguration();
        configuration.setProtocol(QSsl::TlsV1_3OrLater);
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        socket.setSslConfiguration(configuration);
        QObject::connect(&socket, &QSslSocket::readyRead, [this] {
            const auto bytes = socket.readAll();
            decoder.append(
                std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            std::string payload;
            while (decoder.next(payload) == FrameDecoder::Status::Frame)
                frames.push_back(payload);
        });
        QObject::connect(&socket, &QSslSocket::disconnected, [this] { closed = true; });
    }

    bool connectEncrypted(std::uint16_t port)
    {
        socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        return waitUntil([this] { return socket.isEncrypted() || closed; }) && socket.isEncrypted();
    }
    void write(const std::string& bytes)
    {
        socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
        socket.flush();
    }
    // Connects, invites and waits for the answer; true when accepted.
    bool join(std::uint16_t port, const std::string& name)
    {
        if (!connectEncrypted(port))
            return false;
        write(encodeFrame(encodeInvitation(name)));
        if (!waitUntil([this] { return !frames.empty() || closed; }) || frames.empty())
            return false;
        const auto answer = decodeInvitationAnswer(frames.front());
        frames.erase(frames.begin());
        return answer.ok() && answer.value() == InvitationAnswer::Accepted;
    }
    bool waitClosed(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
    {
        return waitUntil([this] { return closed; }, timeout);
    }

    QSslSocket socket;
    FrameDecoder decoder { 64 * 1024 * 1024 };
    std::vector<std::string> frames;
    bool closed = false;
};

// The receiver's TLS identity, made once per test process in a folder of its own.
inline const TlsIdentity& testIdentity()
{
    static TemporaryFolder folder;
    static const TlsIdentity identity = loadOrCreateTlsIdentity(folder.path() / "kavora").value();
    return identity;
}

// A listener for the session on 127.0.0.1 (any free port, nothing published over DNS-SD) with
// the test identity. It accepts an invitation while no controller is connected and notes the
// name of every controller that asks in `invitations`.
inline std::unique_ptr<LinuxPeerAdvertiser> listenOnLoopback(LinuxPeerSession& session,
                                                             LinuxPeerAdvertiser::Identity identity,
                                                             const LinkLimits& limits, Log& log,
                                                             std::vector<std::string>& invitations)
{
    PeerLinkOptions options;
    options.listenAddress = QHostAddress::LocalHost;
    options.limits = limits;
    options.publishDnsSd = false;
    const auto& tls = testIdentity();
    auto advertiser = std::make_unique<LinuxPeerAdvertiser>(
        std::move(identity), session, options,
        LinuxPeerFramework::serverConfiguration(tls.certificate, tls.privateKey), std::string(),
        log);
    advertiser->setInvitationHandler([&session, &invitations](const PeerID& peer) {
        invitations.push_back(peer.displayName);
        return session.connectedPeers().empty();
    });
    advertiser->startAdvertisingPeer();
    return advertiser;
}

} // namespace kavora::test
