// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "link/PeerConsent.h"

#include "link/TrustedDevices.h"

#include <utility>

namespace kavora {

PeerConsent::PeerConsent(Scheduler& scheduler, TrustedDevices& trusted, PeerSession& session,
                         PeerAdvertiser& advertiser)
    : scheduler_(scheduler)
    , trusted_(trusted)
    , session_(session)
    , advertiser_(advertiser)
{
    trustedSubscription_ = trusted_.devices().subscribe(
        [this](const std::vector<TrustedDevice>&) { trustedDevicesChanged(); });
}

PeerConsent::~PeerConsent()
{
    answerTimer_.cancel();
}

InvitationDecision PeerConsent::decide(const PeerID& peer)
{
    // Without a proper identity there is nothing the user could trust.
    if (normalizedFingerprint(peer.fingerprint) != peer.fingerprint)
        return InvitationDecision::Decline;
    // One controller at a time.
    if (!session_.connectedPeers().empty())
        return InvitationDecision::Decline;
    if (trusted_.isTrusted(peer.fingerprint)) {
        // It takes the one place, so a question about another controller has no point left.
        declineEveryRequest();
        trusted_.touch(peer.fingerprint, peer.displayName);
        return InvitationDecision::Accept;
    }
    switch (peer.introduction) {
    case PeerIntroduction::PairingCode:
        // The user showed the pairing code: that was the consent.
        declineEveryRequest();
        trusted_.trust(peer.fingerprint, peer.displayName, TrustedDevices::Seen::Now);
        return InvitationDecision::Accept;
    case PeerIntroduction::KnownOnly:
        return InvitationDecision::Decline; // removed by the user
    case PeerIntroduction::AskIfUnknown:
        break;
    }
    return holdForTheUser(peer);
}

InvitationDecision PeerConsent::holdForTheUser(const PeerID& peer)
{
    // The advertiser's own limits are asked last: what it counts is a request it holds.
    if (coolingDown(peer) || holdsRequestLike(peer) || !advertiser_.mayHold(peer))
        return InvitationDecision::Decline;
    if (!request_->has_value()) {
        ask(peer);
        return InvitationDecision::Hold;
    }
    if (waiting_)
        return InvitationDecision::Decline; // the next turn is taken
    waiting_ = peer;
    return InvitationDecision::Hold;
}

void PeerConsent::ask(const PeerID& peer)
{
    request_ = peer;
    answerTimer_ = scheduler_.after(kAnswerTimeout, [this] { decline(); });
}

void PeerConsent::answer(ConsentAnswer answer)
{
    if (answer == ConsentAnswer::Decline) {
        decline();
        return;
    }
    auto peer = takeRequest();
    if (!peer)
        return;
    const bool placeFree = session_.connectedPeers().empty();
    declineEveryRequest(); // the place is taken, by this one or another
    if (placeFree)
        trusted_.trust(peer->fingerprint, peer->displayName, TrustedDevices::Seen::Now);
    advertiser_.answerHeldInvitation(*peer, placeFree);
}

void PeerConsent::heldPeerLeft(const PeerID& peer)
{
    if (request_->has_value() && (*request_)->token == peer.token) {
        takeRequest();
        askNext();
    } else if (waiting_ && waiting_->token == peer.token) {
        waiting_.reset();
    }
}

void PeerConsent::withdraw()
{
    declineEveryRequest();
}

void PeerConsent::decline()
{
    auto peer = takeRequest();
    if (!peer)
        return;
    const auto until = scheduler_.now() + kDeclineCoolDown;
    declinedUntil_[peer->fingerprint] = until;
    if (!peer->address.empty())
        declinedUntil_[peer->address] = until;
    advertiser_.answerHeldInvitation(*peer, false);
    askNext();
}

void PeerConsent::declineEveryRequest()
{
    if (auto peer = takeRequest())
        advertiser_.answerHeldInvitation(*peer, false);
    if (auto next = std::exchange(waiting_, std::nullopt))
        advertiser_.answerHeldInvitation(*next, false);
}

void PeerConsent::askNext()
{
    if (auto next = std::exchange(waiting_, std::nullopt))
        ask(*next);
}

std::optional<PeerID> PeerConsent::takeRequest()
{
    answerTimer_.cancel();
    auto peer = *request_;
    if (peer)
        request_ = std::nullopt; // the views let go of the question first
    return peer;
}

bool PeerConsent::holdsRequestLike(const PeerID& peer) const
{
    // Where the address is not known, each request counts as from an address of its own.
    const auto alike = [&peer](const PeerID& held) {
        return held.fingerprint == peer.fingerprint
            || (!peer.address.empty() && held.address == peer.address);
    };
    return (request_->has_value() && alike(**request_)) || (waiting_ && alike(*waiting_));
}

bool PeerConsent::coolingDown(const PeerID& peer)
{
    const auto now = scheduler_.now();
    std::erase_if(declinedUntil_, [now](const auto& entry) { return entry.second <= now; });
    return declinedUntil_.contains(peer.fingerprint)
        || (!peer.address.empty() && declinedUntil_.contains(peer.address));
}

void PeerConsent::trustedDevicesChanged()
{
    // Trusted from outside (`kavora devices allow`) while held: that is the user's answer.
    std::optional<PeerID> allowed;
    if (request_->has_value() && trusted_.isTrusted((*request_)->fingerprint))
        allowed = takeRequest();
    else if (waiting_ && trusted_.isTrusted(waiting_->fingerprint))
        allowed = std::exchange(waiting_, std::nullopt);
    if (allowed) {
        const bool placeFree = session_.connectedPeers().empty();
        declineEveryRequest(); // the place is taken, by this one or another
        advertiser_.answerHeldInvitation(*allowed, placeFree);
        if (placeFree)
            trusted_.touch(allowed->fingerprint, allowed->displayName);
    }
    // Revoked while connected: the session ends now, not at the next connection.
    for (const auto& peer : session_.connectedPeers()) {
        if (!trusted_.isTrusted(peer.fingerprint)) {
            session_.disconnect();
            break;
        }
    }
}

} // namespace kavora
