// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Published.h"
#include "platform/PeerFramework.h"
#include "platform/linux/peer/AvahiPublisher.h"
#include "platform/linux/peer/PeerLinkOptions.h"
#include "wire/Invitation.h"

#include <QHostAddress>
#include <QObject>
#include <QSslConfiguration>
#include <QTimer>

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kavora {

class BrowserAccess;
class LinuxPeerSession;
class Log;
class PeerConnection;
class TlsListener;
class WebPageServer;
class WebSocketChannel;

// Makes the receiver reachable: a TLS listener on the configured port, published over DNS-SD
// with the discovery info as TXT entries. Each connection that completes its handshake (with a
// client certificate) must send its invitation in time; the invitation handler then accepts it
// into the session, declines it (it is closed), or holds it for the user's answer. A held
// connection is told its answer is pending; what it sends meanwhile is dropped, too much of it,
// its end or the held deadline ends it and is reported to the held-peer-left handler. Held
// invitations are limited in number and per address over time. Stopping closes the listener, so
// the port refuses connections again, and ends every connection not yet in the session.
//
// While the options' browser access is switched on, it also serves the browser controller's page
// over HTTPS (WebPageServer); a browser joins over a WebSocket by the same invitation, saying who
// it is by a credential this computer issued or a pairing code, and is told why when it is
// turned away. Runs on the main thread.
class LinuxPeerAdvertiser final : public PeerAdvertiser {
public:
    struct Identity {
        std::string displayName;
        DiscoveryInfo discoveryInfo;
        std::string serviceType; // "kavora-v2", published as "_kavora-v2._tcp"
    };

    // tls is absent when the receiver has no usable identity; it then never listens and says why
    // (tlsProblem) in the log when asked to start.
    LinuxPeerAdvertiser(Identity identity, LinuxPeerSession& session, PeerLinkOptions options,
                        std::optional<QSslConfiguration> tls, std::string tlsProblem, Log& log);
    ~LinuxPeerAdvertiser() override;
    LinuxPeerAdvertiser(const LinuxPeerAdvertiser&) = delete;
    LinuxPeerAdvertiser& operator=(const LinuxPeerAdvertiser&) = delete;

    void setInvitationHandler(InvitationHandler handler) override;
    void setHeldPeerLeftHandler(HeldPeerLeftHandler handler) override;
    void answerHeldInvitation(const PeerID& peer, bool accepted) override;
    bool mayHold(const PeerID& peer) override;
    void startAdvertisingPeer() override;
    void stopAdvertisingPeer() override;

    // The port controllers connect to, 0 while not listening.
    std::uint16_t serverPort() const;
    // The port the browser page is served on, 0 while it is not.
    std::uint16_t webPort() const;
    // Connections that have not yet sent their invitation.
    int pendingCount() const;
    // Invitations held for an answer.
    int heldCount() const { return static_cast<int>(held_.size()); }
    // Kept up to date with serverPort(), for whoever reports it.
    void shareServerPort(std::shared_ptr<std::uint16_t> port) { sharedPort_ = std::move(port); }
    // The DNS-SD instance name once established (it differs from the display name after a
    // collision).
    const std::string& publishedName() const { return publisher_.establishedName(); }

private:
    // How the answers are written to a connection: the link's plain ones, or a browser's, which
    // carry a newly issued credential, the verification code and the reason for a refusal.
    struct Answering {
        bool browser = false;
        std::string newCredential;
    };
    struct Held {
        PeerID peer;
        PeerConnection* channel = nullptr;
        QTimer* deadline = nullptr;
        int frames = 0;
        Answering answering;
    };

    bool listen();
    void awaitInvitation(PeerConnection* channel, const Answering& answering);
    void answerInvitation(PeerConnection* channel, std::string_view payload);
    void answerBrowserInvitation(PeerConnection* channel, std::string_view payload);
    void decide(PeerConnection* channel, PeerID peer, const Answering& answering);
    void accept(PeerConnection* channel, const PeerID& peer, const Answering& answering);
    void hold(PeerConnection* channel, const PeerID& peer, const Answering& answering);
    void decline(PeerConnection* channel, const PeerID& peer, const Answering& answering);
    void refuseBrowser(PeerConnection* channel, BrowserRefusal reason);
    // Serves the page while browser access and advertising are both on, and only then.
    void updateWebServing();
    // The pairing requests the address made within the window.
    int recentPairingRequests(const std::string& address);

    Identity identity_;
    LinuxPeerSession& session_;
    PeerLinkOptions options_;
    Log& log_;
    std::string tlsProblem_;
    bool tlsProblemReported_ = false;
    InvitationHandler handler_;
    HeldPeerLeftHandler heldPeerLeft_;
    std::string fingerprint_; // the receiver's own, for the verification codes
    std::map<std::uint64_t, Held> held_; // by token
    std::map<std::string, std::deque<std::chrono::steady_clock::time_point>> pairingRequests_;
    AvahiPublisher publisher_;
    QObject context_; // parent of the channels waiting for their invitation
    std::unique_ptr<TlsListener> listener_;
    std::unique_ptr<WebPageServer> web_;
    bool advertising_ = false;
    Subscription browserSwitch_;
    std::uint16_t lastPort_ = 0;
    std::shared_ptr<std::uint16_t> sharedPort_;
};

} // namespace kavora
