#pragma once

#include "platform/linux/peer/LinkLimits.h"

#include <QObject>
#include <QSslCertificate>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class QSslSocket;

namespace kavora {

class PeerChannel;

// The controller's end of the link: connects to a receiver over TLS 1.3, sends the invitation
// with its display name and, once accepted, exchanges packets. The receiver's certificate is
// self-signed and accepted as it is (its fingerprint is available for comparison). Runs on the
// thread that creates it, which needs a Qt event loop.
class PeerClient final : public QObject {
public:
    struct Options {
        LinkLimits limits;
        // From the start of the connection to the receiver's answer to the invitation.
        LinkLimits::Milliseconds answerTimeout { 10'000 };
        // Catalogue replies with icons are larger than anything a controller sends.
        std::size_t maxInboundFrameBytes = std::size_t { 64 } * 1024 * 1024;
    };

    explicit PeerClient(Options options, QObject* parent = nullptr);
    PeerClient();
    ~PeerClient() override;

    // Why a connection did not get into the session.
    enum class Failure { Unreachable, Tls, Declined, Protocol, Timeout };

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

private:
    void startChannel(const std::string& displayName);
    void handleAnswer(const std::string& payload);
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
