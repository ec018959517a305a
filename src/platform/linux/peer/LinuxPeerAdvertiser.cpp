#include "platform/linux/peer/LinuxPeerAdvertiser.h"

#include "core/Log.h"
#include "platform/linux/peer/CertificateStore.h"
#include "platform/linux/peer/LinuxPeerSession.h"
#include "platform/linux/peer/PeerChannel.h"
#include "platform/linux/peer/TlsListener.h"
#include "wire/Invitation.h"

#include <QSslSocket>
#include <QTimer>

#include <atomic>
#include <iterator>

namespace kavora {

namespace {

std::uint64_t nextPeerToken()
{
    static std::atomic<std::uint64_t> next { 1 };
    return next++;
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
        QObject::connect(listener_.get(), &TlsListener::pendingConnectionAvailable, &context_,
                         [this] { takeConnections(); });
        listener_->onEvicted = [](QSslSocket* socket) {
            if (auto* channel = dynamic_cast<PeerChannel*>(socket->parent())) {
                channel->abort("evicted to make room for newer connections");
            } else {
                socket->abort();
                socket->deleteLater();
            }
        };
    }
}

LinuxPeerAdvertiser::~LinuxPeerAdvertiser()
{
    heldPeerLeft_ = nullptr; // the owner is going away
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
    if (!accepted) {
        decline(held.channel);
        return;
    }
    held.channel->sendFrame(encodeInvitationAnswer(InvitationAnswer::Accepted));
    held.channel->setMaxPayloadBytes(options_.limits.maxFrameBytes);
    session_.adopt(held.channel, held.peer);
}

void LinuxPeerAdvertiser::startAdvertisingPeer()
{
    if (!listen())
        return;
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
    if (!listener_)
        return;
    listener_->close();
    listener_->abortHandshakes();
    if (sharedPort_)
        *sharedPort_ = 0;
    // Connections still waiting for their invitation or its answer go too; accepted ones are the
    // session's.
    for (auto* channel : context_.findChildren<PeerChannel*>(Qt::FindDirectChildrenOnly))
        channel->abort("advertising stopped");
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

void LinuxPeerAdvertiser::takeConnections()
{
    while (auto* socket = qobject_cast<QSslSocket*>(listener_->nextPendingConnection())) {
        auto* channel = new PeerChannel(socket, options_.limits, options_.limits.maxInvitationBytes,
                                        &context_);
        auto* deadline = new QTimer(channel);
        deadline->setSingleShot(true);
        QObject::connect(deadline, &QTimer::timeout, channel,
                         [channel] { channel->abort("no invitation in time"); });
        deadline->start(options_.limits.invitationTimeout);

        channel->onFrame = [this, channel, deadline](const std::string& payload) {
            deadline->stop();
            deadline->deleteLater();
            answerInvitation(channel, payload);
        };
        channel->onClosed = [channel](const std::string&) { channel->deleteLater(); };
        channel->start();
    }
}

void LinuxPeerAdvertiser::answerInvitation(PeerChannel* channel, const std::string& payload)
{
    auto displayName = decodeInvitation(payload);
    if (!displayName) {
        channel->abort(displayName.error());
        return;
    }
    auto* socket = qobject_cast<QSslSocket*>(channel->socket());
    const auto fingerprint = certificateSha256(socket->peerCertificate());
    const PeerID peer { nextPeerToken(), std::move(displayName).value(), fingerprint,
                        verificationCode(fingerprint_, fingerprint) };
    // Past its invitation the connection no longer competes for a pending place.
    listener_->release(socket);
    switch (handler_ ? handler_(peer) : InvitationDecision::Decline) {
    case InvitationDecision::Accept:
        channel->sendFrame(encodeInvitationAnswer(InvitationAnswer::Accepted));
        channel->setMaxPayloadBytes(options_.limits.maxFrameBytes);
        session_.adopt(channel, peer);
        return;
    case InvitationDecision::Decline:
        decline(channel);
        return;
    case InvitationDecision::Hold:
        hold(channel, peer);
        return;
    }
}

void LinuxPeerAdvertiser::hold(PeerChannel* channel, const PeerID& peer)
{
    const auto address = channel->socket()->peerAddress();
    if (heldCount() >= options_.limits.maxHeldConnections || !admitsPairingRequest(address)) {
        log_.line("Kavora: too many pairing requests; declined \"" + peer.displayName + "\" from "
                  + address.toString().toStdString());
        decline(channel);
        if (heldPeerLeft_)
            heldPeerLeft_(peer); // the owner took it for held
        return;
    }
    auto* deadline = new QTimer(channel);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, channel,
                     [channel] { channel->abort("no answer to the invitation in time"); });
    deadline->start(options_.limits.heldTimeout);
    held_.emplace(peer.token, Held { peer, channel, deadline, 0 });

    const auto token = peer.token;
    // Nothing a held controller sends is acted on; a controller that keeps sending is cut off.
    channel->onFrame = [this, token, channel](const std::string&) {
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
    channel->sendFrame(encodeInvitationAnswer(InvitationAnswer::Pending));
}

void LinuxPeerAdvertiser::decline(PeerChannel* channel)
{
    channel->onFrame = nullptr;
    channel->onClosed = [channel](const std::string&) { channel->deleteLater(); };
    channel->sendFrame(encodeInvitationAnswer(InvitationAnswer::Declined));
    channel->close();
}

bool LinuxPeerAdvertiser::admitsPairingRequest(const QHostAddress& address)
{
    const auto now = std::chrono::steady_clock::now();
    // Forget what is out of the window, for every address, so the map stays small.
    for (auto it = pairingRequests_.begin(); it != pairingRequests_.end();) {
        auto& times = it->second;
        while (!times.empty() && now - times.front() >= options_.limits.pairingWindow)
            times.pop_front();
        it = times.empty() ? pairingRequests_.erase(it) : std::next(it);
    }
    auto& times = pairingRequests_[TlsListener::addressKey(address)];
    if (static_cast<int>(times.size()) >= options_.limits.maxPairingRequestsPerAddress)
        return false;
    times.push_back(now);
    return true;
}

} // namespace kavora
