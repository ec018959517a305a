// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/PeerClient.h"

#include "platform/linux/peer/PeerChannel.h"
#include "platform/linux/peer/PeerSocketOptions.h"
#include "wire/Invitation.h"

#include <QSslConfiguration>
#include <QSslSocket>

#include <utility>

namespace kavora {

PeerClient::PeerClient(Options options, QObject* parent)
    : QObject(parent)
    , options_(std::move(options))
{
    answerTimer_.setSingleShot(true);
    connect(&answerTimer_, &QTimer::timeout, this,
            [this] { fail(Failure::Timeout, "no answer from " + target_ + " in time"); });
}

PeerClient::PeerClient()
    : PeerClient(Options {})
{
}

PeerClient::~PeerClient()
{
    onEncrypted = nullptr;
    onPending = nullptr;
    onAccepted = nullptr;
    onFailed = nullptr;
    onPacket = nullptr;
    onClosed = nullptr;
}

void PeerClient::connectToReceiver(const QString& host, std::uint16_t port,
                                   std::string_view displayName)
{
    if (socket_ != nullptr)
        return; // one connection per client
    target_ = host.toStdString() + ":" + std::to_string(port);
    socket_ = new QSslSocket(this);
    auto configuration = QSslConfiguration::defaultConfiguration();
    configuration.setProtocol(QSsl::TlsV1_3OrLater);
    // The receiver's certificate is self-signed: it is taken as it is, and kept for comparison.
    configuration.setPeerVerifyMode(QSslSocket::QueryPeer);
    if (options_.identity) {
        configuration.setLocalCertificate(options_.identity->certificate);
        configuration.setPrivateKey(options_.identity->privateKey);
    }
    socket_->setSslConfiguration(configuration);
    socket_->setReadBufferSize(static_cast<qint64>(options_.limits.readChunkBytes));

    connect(socket_, &QSslSocket::connected, this,
            [this] { applyPeerSocketOptions(socket_->socketDescriptor(), options_.limits); });
    connect(socket_, &QSslSocket::encrypted, this,
            [this, name = std::string(displayName)] { startChannel(name); });
    connect(socket_, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (channel_ != nullptr)
            return; // the channel reports it
        const auto description = socket_->errorString().toStdString();
        const bool tls = error == QAbstractSocket::SslHandshakeFailedError
            || error == QAbstractSocket::SslInternalError
            || error == QAbstractSocket::SslInvalidUserDataError
            || (socket_->state() == QAbstractSocket::ConnectedState && !socket_->isEncrypted())
            || (error == QAbstractSocket::RemoteHostClosedError && !socket_->isEncrypted());
        fail(tls ? Failure::Tls : Failure::Unreachable, description);
    });
    answerTimer_.start(options_.answerTimeout);
    socket_->connectToHostEncrypted(host, port);
}

void PeerClient::startChannel(const std::string& displayName)
{
    certificate_ = socket_->peerCertificate();
    if (std::string refusal; onEncrypted && !onEncrypted(refusal)) {
        fail(Failure::Untrusted, refusal);
        return;
    }
    channel_ = new PeerChannel(socket_, options_.limits, options_.maxInboundFrameBytes, this);
    channel_->onFrame = [this](std::string_view payload) {
        if (!accepted_) {
            handleAnswer(payload);
        } else if (onPacket) {
            onPacket(std::string(payload));
        }
    };
    channel_->onClosed = [this](const std::string& reason) {
        if (!accepted_) {
            fail(Failure::Protocol, reason.empty() ? "the receiver closed the connection" : reason);
            return;
        }
        ended_ = true;
        if (onClosed)
            onClosed(reason);
    };
    channel_->start();
    channel_->sendFrame(encodeInvitation(displayName));
}

void PeerClient::handleAnswer(std::string_view payload)
{
    answerTimer_.stop();
    const auto answer = decodeInvitationAnswer(payload);
    if (!answer) {
        fail(Failure::Protocol, "unexpected first frame from the receiver: " + answer.error());
        return;
    }
    if (answer.value() == InvitationAnswer::Pending) {
        answerTimer_.start(options_.pendingAnswerTimeout);
        if (onPending)
            onPending();
        return;
    }
    if (answer.value() == InvitationAnswer::Declined) {
        fail(Failure::Declined, "the receiver declined the invitation");
        return;
    }
    accepted_ = true;
    if (onAccepted)
        onAccepted();
}

std::string PeerClient::verificationCode() const
{
    if (!options_.identity)
        return {};
    return kavora::verificationCode(certificateSha256(certificate_),
                                    certificateSha256(options_.identity->certificate));
}

bool PeerClient::send(std::string_view packet)
{
    return accepted_ && !ended_ && channel_->sendFrame(packet);
}

void PeerClient::disconnectFromReceiver()
{
    if (channel_ != nullptr)
        channel_->close();
    else if (socket_ != nullptr)
        socket_->abort();
}

void PeerClient::fail(Failure failure, const std::string& description)
{
    if (ended_)
        return;
    ended_ = true;
    answerTimer_.stop();
    if (channel_ != nullptr) {
        channel_->onClosed = nullptr;
        channel_->abort({});
    } else if (socket_ != nullptr) {
        socket_->abort();
    }
    if (onFailed)
        onFailed(failure, description);
}

} // namespace kavora
