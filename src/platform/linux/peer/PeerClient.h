// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/peer/CertificateStore.h"
#include "platform/linux/peer/LinkLimits.h"

#include <QObject>
#include <QSslCertificate>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QSslSocket;

namespace kavora {

class PeerChannel;

// The controller's end of the link: connects to a receiver over TLS 1.3 presenting its own
// identity, sends the invitation with its display name and, once accepted, exchanges packets.
// The receiver's certificate is self-signed and accepted as it is; its fingerprint is available
// for pinning, before the invitation is sent (onEncrypted). Runs on the thread that creates it,
// which needs a Qt event loop.
class PeerClient final : public QObject {
public:
    struct Options {
        LinkLimits limits;
        // The controller's certificate and key; without them the receiver refuses the connection.
        std::optional<TlsIdentity> identity;
        // From the start of the connection to the receiver's answer to the invitation, and from a
        // pending answer to the final one (the request may wait for its turn, then the user is
        // asked): longer than the receiver holds a request.
        LinkLimits::Milliseconds answerTimeout { 10'000 };
        LinkLimits::Milliseconds pendingAnswerTimeout { 80'000 };
        // Catalogue replies with icons are larger than anything a controller sends.
        std::size_t maxInboundFrameBytes = std::size_t { 64 } * 1024 * 1024;
    };

    explicit PeerClient(Options options, QObject* parent = nullptr);
    PeerClient();
    ~PeerClient() override;

    // Why a connection did not get into the session.
    enum class Failure { Unreachable, Tls, Untrusted, Declined, Protocol, Timeout };

    // The handshake is done: the receiver's certificate is known and the invitation not yet sent.
    // Returning false ends the connection (as an Untrusted failure with the given text).
    std::function<bool(std::string& refusal)> onEncrypted;
    // The receiver asks its user; the final answer follows.
    std::function<void()> onPending;
    std::function<void()> onAccepted;
    std::function<void(Failure failure, const std::string& description)> onFailed;
    std::function<void(std::string packet)> onPacket;
    // After acceptance: the connection ended; reason is empty for an orderly close.
    std::function<void(const std::string& reason)> onClosed;

    // Starts the one connection of this client; onAccepted or onFailed follows.
    void connectToReceiver(const QString& host, std::uint16_t port, std::string_view displayName);
    // Sends one packet; false before acceptance or after the end.
    bool send(std::string_view packet);
    // Ends the session after what was sent is written; onClosed follows.
    void disconnectFromReceiver();

    bool isAccepted() const { return accepted_; }
    QSslCertificate receiverCertificate() const { return certificate_; }
    // The six digits the receiver shows its user for this connection, once encrypted.
    std::string verificationCode() const;

private:
    void startChannel(const std::string& displayName);
    void handleAnswer(std::string_view payload);
    void fail(Failure failure, const std::string& description);

    Options options_;
    QSslSocket* socket_ = nullptr;
    PeerChannel* channel_ = nullptr;
    QTimer answerTimer_;
    QSslCertificate certificate_;
    std::string target_; // "host:port", for messages
    bool accepted_ = false;
    bool ended_ = false;
};

} // namespace kavora
