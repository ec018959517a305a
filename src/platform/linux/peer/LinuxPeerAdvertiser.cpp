// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/LinuxPeerAdvertiser.h"

#include "core/Base64.h"
#include "core/Log.h"
#include "platform/linux/peer/BrowserAccess.h"
#include "platform/linux/peer/CertificateStore.h"
#include "platform/linux/peer/LinuxPeerSession.h"
#include "platform/linux/peer/PeerChannel.h"
#include "platform/linux/peer/TlsListener.h"
#include "platform/linux/peer/TlsServerStream.h"
#include "platform/linux/peer/WebPageServer.h"
#include "platform/linux/peer/WebSocketChannel.h"
#include "wire/PairingTokens.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QSslSocket>
#include <QTimer>

#include <atomic>
#include <iterator>

namespace kavora {

namespace {

// A browser's credential: 256 random bits, which it keeps and sends on every visit.
constexpr std::size_t kCredentialBytes = 32;

std::uint64_t nextPeerToken()
{
    static std::atomic<std::uint64_t> next { 1 };
    return next++;
}

// Who a browser is: the SHA-256 of its credential's bytes, as a certificate's fingerprint is
// written.
std::string credentialFingerprint(const Bytes& credential)
{
    const QByteArray bytes(reinterpret_cast<const char*>(credential.data()),
                           static_cast<qsizetype>(credential.size()));
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

Bytes newCredential()
{
    Bytes bytes(kCredentialBytes);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return bytes;
}

} // namespace

LinuxPeerAdvertiser::LinuxPeerAdvertiser(Identity identity, LinuxPeerSession& session,
                                         PeerLinkOptions options,
                                         std::optional<QSslConfiguration> tls,
                                         std::string tlsProblem, Log& log)
    : identity_(std::move(identity))
    , session_(session)
    , options_(std::move(options))
    , log_(log)
    , tlsProblem_(std::move(tlsProblem))
    , publisher_(log)
{
    if (tls) {
        fingerprint_ = certificateSha256(tls->localCertificate());
        listener_ = std::make_unique<TlsListener>(options_.limits);
        listener_->setSslConfiguration(*tls);
        listener_->onSecured = [this](TlsServerStream* stream) {
            awaitInvitation(new PeerChannel(std::unique_ptr<PeerTransport>(stream), options_.limits,
                                            options_.limits.maxInvitationBytes, &context_),
                            Answering {});
        };
        // Handed-over connections are the channels' from the start.
        listener_->onEvicted = [](QObject* connection) {
            if (auto* channel = dynamic_cast<PeerConnection*>(connection->parent()))
                channel->abort("evicted to make room for newer connections");
        };
        if (options_.browser) {
            web_ = std::make_unique<WebPageServer>(options_.limits, *tls);
            web_->onWebSocket = [this](WebSocketChannel* channel) {
                channel->setParent(&context_);
                awaitInvitation(channel, Answering { true, {} });
            };
            browserSwitch_
                = options_.browser->isEnabled().subscribe([this](bool) { updateWebServing(); });
        }
    }
}

LinuxPeerAdvertiser::~LinuxPeerAdvertiser()
{
    heldPeerLeft_ = nullptr; // the owner is going away
    // The browser access may be gone already: the session's owner can outlive the program's
    // wiring. Nothing of it is touched from here on.
    browserSwitch_.reset();
    web_.reset();
    stopAdvertisingPeer();
}

void LinuxPeerAdvertiser::setInvitationHandler(InvitationHandler handler)
{
    handler_ = std::move(handler);
}

void LinuxPeerAdvertiser::setHeldPeerLeftHandler(HeldPeerLeftHandler handler)
{
    heldPeerLeft_ = std::move(handler);
}

void LinuxPeerAdvertiser::answerHeldInvitation(const PeerID& peer, bool accepted)
{
    const auto found = held_.find(peer.token);
    if (found == held_.end())
        return;
    const auto held = found->second;
    held_.erase(found);
    held.deadline->stop();
    held.deadline->deleteLater();
    if (accepted)
        accept(held.channel, held.peer, held.answering);
    else
        decline(held.channel, held.peer, held.answering);
}

bool LinuxPeerAdvertiser::mayHold(const PeerID& peer)
{
    if (heldCount() < options_.limits.maxHeldConnections
        && recentPairingRequests(peer.address) < options_.limits.maxPairingRequestsPerAddress)
        return true;
    // Asked right before the invitation is answered, so this is why it is declined.
    log_.line("Kavora: too many pairing requests; declined \"" + peer.displayName + "\" from "
              + peer.address);
    return false;
}

void LinuxPeerAdvertiser::startAdvertisingPeer()
{
    if (!listen())
        return;
    advertising_ = true;
    updateWebServing();
    if (sharedPort_)
        *sharedPort_ = serverPort();
    if (options_.publishDnsSd) {
        AvahiPublisher::Service service;
        service.name = identity_.displayName;
        service.type = "_" + identity_.serviceType + "._tcp";
        service.port = listener_->serverPort();
        service.txt = identity_.discoveryInfo;
        publisher_.publish(service);
    }
}

void LinuxPeerAdvertiser::stopAdvertisingPeer()
{
    publisher_.withdraw();
    advertising_ = false;
    updateWebServing();
    if (!listener_)
        return;
    listener_->close();
    listener_->abortHandshakes();
    if (sharedPort_)
        *sharedPort_ = 0;
    // Connections still waiting for their invitation or its answer go too; accepted ones are the
    // session's.
    for (auto* channel : context_.findChildren<PeerConnection*>(Qt::FindDirectChildrenOnly))
        channel->abort("advertising stopped");
}

void LinuxPeerAdvertiser::updateWebServing()
{
    if (!web_)
        return;
    const bool serve = advertising_ && *options_.browser->isEnabled();
    if (serve && !web_->isListening()) {
        if (!web_->listen(options_.listenAddress, options_.browser->configuredPort())) {
            log_.line("Kavora: cannot serve the browser page on port "
                      + std::to_string(options_.browser->configuredPort()) + ": "
                      + web_->errorString().toStdString());
        }
    } else if (!serve && web_->isListening()) {
        web_->close();
        // Browsers joining or joined go too.
        for (auto* channel : context_.findChildren<WebSocketChannel*>(Qt::FindDirectChildrenOnly))
            channel->abort("control from a browser was switched off");
        session_.disconnectIf([](const PeerConnection& connection) {
            return dynamic_cast<const WebSocketChannel*>(&connection) != nullptr;
        });
    }
    options_.browser->served(web_->serverPort());
}

std::uint16_t LinuxPeerAdvertiser::webPort() const
{
    return web_ ? web_->serverPort() : 0;
}

std::uint16_t LinuxPeerAdvertiser::serverPort() const
{
    return listener_ && listener_->isListening() ? listener_->serverPort() : 0;
}

int LinuxPeerAdvertiser::pendingCount() const
{
    return listener_ ? listener_->pendingCount() : 0;
}

bool LinuxPeerAdvertiser::listen()
{
    if (!listener_) {
        if (!tlsProblemReported_)
            log_.line("Kavora: the receiver cannot accept controllers: " + tlsProblem_);
        tlsProblemReported_ = true;
        return false;
    }
    if (listener_->isListening())
        return true;
    // Any free port: the one used before first, so that controllers that remember it find it.
    const bool anyPort = options_.port == 0;
    if (anyPort && lastPort_ != 0 && listener_->listen(options_.listenAddress, lastPort_))
        return true;
    if (listener_->listen(options_.listenAddress, options_.port)) {
        lastPort_ = listener_->serverPort();
        return true;
    }
    log_.line("Kavora: cannot listen on port " + std::to_string(options_.port) + ": "
              + listener_->errorString().toStdString());
    return false;
}

void LinuxPeerAdvertiser::awaitInvitation(PeerConnection* channel, const Answering& answering)
{
    auto* deadline = new QTimer(channel);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, channel,
                     [channel] { channel->abort("no invitation in time"); });
    deadline->start(options_.limits.invitationTimeout);

    channel->onFrame
        = [this, channel, deadline, browser = answering.browser](std::string_view payload) {
              deadline->stop();
              deadline->deleteLater();
              if (browser)
                  answerBrowserInvitation(channel, payload);
              else
                  answerInvitation(channel, payload);
          };
    channel->onClosed = [channel](const std::string&) { channel->deleteLater(); };
    channel->start();
}

void LinuxPeerAdvertiser::answerInvitation(PeerConnection* channel, std::string_view payload)
{
    auto displayName = decodeInvitation(payload);
    if (!displayName) {
        channel->abort(displayName.error());
        return;
    }
    const auto fingerprint = certificateSha256(channel->transport().peerCertificate());
    const PeerID peer { nextPeerToken(), std::move(displayName).value(), fingerprint,
                        verificationCode(fingerprint_, fingerprint) };
    // Past its invitation the connection no longer competes for a pending place.
    listener_->release(channel->transport().object());
    decide(channel, peer, Answering {});
}

void LinuxPeerAdvertiser::answerBrowserInvitation(PeerConnection* channel, std::string_view payload)
{
    auto invitation = decodeBrowserInvitation(payload);
    if (!invitation) {
        channel->abort(invitation.error());
        return;
    }
    web_->release(channel->transport().object());
    PeerID peer { nextPeerToken(), invitation.value().displayName, {}, {} };
    Answering answering { true, {} };
    if (const auto& claimed = invitation.value().credential) {
        const auto credential = decodeBase64Url(*claimed);
        if (!credential || credential->size() != kCredentialBytes) {
            refuseBrowser(channel, BrowserRefusal::UnknownCredential);
            return;
        }
        peer.fingerprint = credentialFingerprint(*credential);
        peer.introduction = PeerIntroduction::KnownOnly;
    } else {
        if (const auto& token = invitation.value().pairingToken) {
            // A code is spent only when it can be used now: the place must be free.
            if (!session_.connectedPeers().empty()) {
                refuseBrowser(channel, BrowserRefusal::Busy);
                return;
            }
            if (!options_.browser->tokens().redeem(*token)) {
                refuseBrowser(channel, BrowserRefusal::ExpiredToken);
                return;
            }
            peer.introduction = PeerIntroduction::PairingCode;
        }
        // Issued now, handed over only if the browser is let in.
        const auto credential = newCredential();
        peer.fingerprint = credentialFingerprint(credential);
        answering.newCredential = encodeBase64Url(credential);
    }
    peer.verificationCode = verificationCode(fingerprint_, peer.fingerprint);
    decide(channel, peer, answering);
}

void LinuxPeerAdvertiser::decide(PeerConnection* channel, PeerID peer, const Answering& answering)
{
    peer.address = TlsListener::addressKey(channel->transport().peerAddress()).toStdString();
    switch (handler_ ? handler_(peer) : InvitationDecision::Decline) {
    case InvitationDecision::Accept:
        accept(channel, peer, answering);
        return;
    case InvitationDecision::Decline:
        decline(channel, peer, answering);
        return;
    case InvitationDecision::Hold:
        hold(channel, peer, answering);
        return;
    }
}

void LinuxPeerAdvertiser::accept(PeerConnection* channel, const PeerID& peer,
                                 const Answering& answering)
{
    channel->sendFrame(answering.browser ? encodeBrowserAcceptance(answering.newCredential)
                                         : encodeInvitationAnswer(InvitationAnswer::Accepted));
    channel->setMaxPayloadBytes(options_.limits.maxFrameBytes);
    session_.adopt(channel, peer);
}

void LinuxPeerAdvertiser::hold(PeerConnection* channel, const PeerID& peer,
                               const Answering& answering)
{
    // The owner asks mayHold first; this only guards the limits against one that did not.
    if (!mayHold(peer)) {
        decline(channel, peer, answering);
        if (heldPeerLeft_)
            heldPeerLeft_(peer); // the owner took it for held
        return;
    }
    pairingRequests_[peer.address].push_back(std::chrono::steady_clock::now());
    auto* deadline = new QTimer(channel);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, channel,
                     [channel] { channel->abort("no answer to the invitation in time"); });
    deadline->start(options_.limits.heldTimeout);
    held_.emplace(peer.token, Held { peer, channel, deadline, 0, answering });

    const auto token = peer.token;
    // Nothing a held controller sends is acted on; a controller that keeps sending is cut off.
    channel->onFrame = [this, token, channel](std::string_view) {
        const auto found = held_.find(token);
        if (found != held_.end() && ++found->second.frames > options_.limits.maxHeldFrames)
            channel->abort("too many frames before the invitation was answered");
    };
    channel->onClosed = [this, token, channel](const std::string&) {
        channel->deleteLater();
        const auto found = held_.find(token);
        if (found == held_.end())
            return;
        const auto left = found->second.peer;
        held_.erase(found);
        if (heldPeerLeft_)
            heldPeerLeft_(left);
    };
    channel->sendFrame(answering.browser ? encodeBrowserPending(peer.verificationCode)
                                         : encodeInvitationAnswer(InvitationAnswer::Pending));
}

void LinuxPeerAdvertiser::decline(PeerConnection* channel, const PeerID& peer,
                                  const Answering& answering)
{
    if (!answering.browser) {
        channel->onFrame = nullptr;
        channel->onClosed = [channel](const std::string&) { channel->deleteLater(); };
        channel->sendFrame(encodeInvitationAnswer(InvitationAnswer::Declined));
        channel->close();
        return;
    }
    // The page says why: the place is taken, the user said no, or the device was removed.
    auto reason = BrowserRefusal::Declined;
    if (!session_.connectedPeers().empty())
        reason = BrowserRefusal::Busy;
    else if (peer.introduction == PeerIntroduction::KnownOnly)
        reason = BrowserRefusal::UnknownCredential;
    refuseBrowser(channel, reason);
}

void LinuxPeerAdvertiser::refuseBrowser(PeerConnection* channel, BrowserRefusal reason)
{
    channel->onFrame = nullptr;
    channel->onClosed = [channel](const std::string&) { channel->deleteLater(); };
    channel->sendFrame(encodeBrowserRefusal(reason));
    channel->close();
}

int LinuxPeerAdvertiser::recentPairingRequests(const std::string& address)
{
    const auto now = std::chrono::steady_clock::now();
    // Forget what is out of the window, for every address, so the map stays small.
    for (auto it = pairingRequests_.begin(); it != pairingRequests_.end();) {
        auto& times = it->second;
        while (!times.empty() && now - times.front() >= options_.limits.pairingWindow)
            times.pop_front();
        it = times.empty() ? pairingRequests_.erase(it) : std::next(it);
    }
    const auto found = pairingRequests_.find(address);
    return found == pairingRequests_.end() ? 0 : static_cast<int>(found->second.size());
}

} // namespace kavora
