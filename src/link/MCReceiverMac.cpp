// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "link/MCReceiverMac.h"

#include "core/Scheduler.h"
#include "link/PeerDisplayName.h"
#include "protocol/MessageCoding.h"

#include <string_view>
#include <thread>
#include <utility>

namespace kavora {

namespace {

constexpr std::string_view kDiscoveryApp = "KavoraMac";

} // namespace

std::shared_ptr<MCReceiverMac> MCReceiverMac::create(Scheduler& scheduler, PeerFramework& framework,
                                                     UserDefaults& defaults,
                                                     const HostNames& hostNames,
                                                     TrustedDevices::Clock clock)
{
    auto receiver = std::make_shared<MCReceiverMac>(Passkey {}, scheduler, framework, defaults,
                                                    hostNames, std::move(clock));
    receiver->setUpSession();
    return receiver;
}

MCReceiverMac::MCReceiverMac(Passkey, Scheduler& scheduler, PeerFramework& framework,
                             UserDefaults& defaults, const HostNames& hostNames,
                             TrustedDevices::Clock clock)
    : scheduler_(scheduler)
    , framework_(framework)
    , deviceIdentifier_(defaults)
    , trustedDevices_(defaults, std::move(clock))
{
    myPeerID_.displayName = peerDisplayName(computerName(hostNames));
}

MCReceiverMac::~MCReceiverMac()
{
    // The consent refers to both, and the advertiser to the session.
    consent_.reset();
    advertiser_.reset();
    session_.reset();
}

void MCReceiverMac::setUpSession()
{
    std::weak_ptr<MCReceiverMac> weak = weak_from_this();
    session_ = framework_.makeSession(myPeerID_.displayName);
    PeerSession::Callbacks callbacks;
    callbacks.stateChanged = [weak, &scheduler = scheduler_](const PeerID& peer, PeerState state) {
        if (auto self = weak.lock())
            ++self->queued_;
        scheduler.post([weak, peer, state] {
            if (auto self = weak.lock()) {
                --self->queued_;
                self->handleStateChange(peer, state);
            }
        });
    };
    callbacks.received = [weak](std::string_view packet, const PeerID&) {
        auto decoded = decodeMessage(packet);
        if (!decoded)
            return; // not a message: dropped without a word, the session stays up
        if (auto self = weak.lock())
            self->deliver(std::move(decoded).value());
    };
    session_->setCallbacks(std::move(callbacks));

    const DiscoveryInfo discoveryInfo {
        { "app", std::string(kDiscoveryApp) },
        { "deviceID", deviceIdentifier_.value() },
    };
    advertiser_
        = framework_.makeAdvertiser(myPeerID_.displayName, discoveryInfo, serviceType, *session_);
    consent_ = std::make_unique<PeerConsent>(scheduler_, trustedDevices_, *session_, *advertiser_);
    advertiser_->setInvitationHandler([weak](const PeerID& peer) {
        auto self = weak.lock();
        return self ? self->consent_->decide(peer) : InvitationDecision::Decline;
    });
    advertiser_->setHeldPeerLeftHandler([weak](const PeerID& peer) {
        if (auto self = weak.lock())
            self->consent_->heldPeerLeft(peer);
    });
}

void MCReceiverMac::startAdvertising()
{
    isAdvertising_ = true;
    advertiser_->startAdvertisingPeer();
}

void MCReceiverMac::stopAdvertising()
{
    // Cleared first, so that the not-connected reports of the disconnect do not re-arm it.
    isAdvertising_ = false;
    consent_->withdraw();
    advertiser_->stopAdvertisingPeer();
    session_->disconnect();
    isConnected_ = false;
    connectedPeerName_ = std::nullopt;
}

void MCReceiverMac::send(const ControlMessage& message)
{
    if (session_->connectedPeers().empty())
        return;
    auto encoded = encodeMessage(message);
    if (!encoded)
        return;
    // Read again: the set may have changed while encoding a large catalogue.
    session_->send(encoded.value(), session_->connectedPeers());
}

void MCReceiverMac::deliver(ControlMessage message)
{
    // A message read on the main thread is handed on at once when nothing of ours waits in the
    // queue (a state report or an earlier message, which must come first) and no message is
    // being handled (one read by a nested event loop would run inside it): the same order as
    // through the queue, without the second trip through it.
    if (std::this_thread::get_id() == mainThread_ && queued_ == 0 && !handling_) {
        handle(message);
        return;
    }
    ++queued_;
    scheduler_.post([weak = weak_from_this(), message = std::move(message)] {
        if (auto self = weak.lock()) {
            --self->queued_;
            self->handle(message);
        }
    });
}

void MCReceiverMac::handle(const ControlMessage& message)
{
    if (!onMessage)
        return;
    handling_ = true;
    onMessage(message);
    handling_ = false;
}

void MCReceiverMac::answerConsentRequest(ConsentAnswer answer)
{
    consent_->answer(answer);
}

void MCReceiverMac::revokeTrustedDevice(const std::string& fingerprint)
{
    trustedDevices_.revoke(fingerprint);
}

void MCReceiverMac::renameTrustedDevice(const std::string& fingerprint, const std::string& name)
{
    trustedDevices_.rename(fingerprint, name);
}

void MCReceiverMac::reloadTrustedDevices()
{
    trustedDevices_.reload();
}

void MCReceiverMac::handleStateChange(const PeerID& peer, PeerState state)
{
    switch (state) {
    case PeerState::NotConnected:
        isConnected_ = false;
        connectedPeerName_ = std::nullopt;
        if (*isAdvertising_)
            advertiser_->startAdvertisingPeer();
        if (onSessionEnded)
            onSessionEnded();
        break;
    case PeerState::Connecting:
        break;
    case PeerState::Connected:
        isConnected_ = true;
        if (const auto* known = trustedDevices_.find(peer.fingerprint); known && known->renamed)
            connectedPeerName_ = known->name;
        else
            connectedPeerName_ = peer.displayName;
        break;
    }
}

} // namespace kavora
