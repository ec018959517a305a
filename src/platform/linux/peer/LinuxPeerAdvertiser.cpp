#include "platform/linux/peer/LinuxPeerAdvertiser.h"

#include "core/Log.h"
#include "platform/linux/peer/LinuxPeerSession.h"
#include "platform/linux/peer/PeerChannel.h"
#include "platform/linux/peer/TlsListener.h"
#include "wire/Invitation.h"

#include <QSslSocket>
#include <QTimer>

#include <atomic>

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
        listener_ = std::make_unique<TlsListener>(options_.limits);
        listener_->setSslConfiguration(*tls);
        QObject::connect(listener_.get(), &TlsListener::pendingConnectionAvailable, &context_,
                         [this] { takeConnections(); });
    }
}

LinuxPeerAdvertiser::~LinuxPeerAdvertiser()
{
    stopAdvertisingPeer();
}

void LinuxPeerAdvertiser::setInvitationHandler(InvitationHandler handler)
{
    handler_ = std::move(handler);
}

void LinuxPeerAdvertiser::setHeldPeerLeftHandler(HeldPeerLeftHandler)
{
}

void LinuxPeerAdvertiser::answerHeldInvitation(const PeerID&, bool)
{
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
    // Connections still waiting for their invitation go too; accepted ones are the session's.
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
    const PeerID peer { nextPeerToken(), std::move(displayName).value(), {}, {} };
    // Holding is not offered yet: a held invitation is declined.
    if (!handler_ || handler_(peer) != InvitationDecision::Accept) {
        channel->onFrame = nullptr;
        channel->sendFrame(encodeInvitationAnswer(InvitationAnswer::Declined));
        channel->close();
        return;
    }
    listener_->release(qobject_cast<QSslSocket*>(channel->socket()));
    channel->sendFrame(encodeInvitationAnswer(InvitationAnswer::Accepted));
    channel->setMaxPayloadBytes(options_.limits.maxFrameBytes);
    session_.adopt(channel, peer);
}

} // namespace kavora
