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
        decline(CoolDown::None);
        trusted_.touch(peer.fingerprint, peer.displayName);
        return InvitationDecision::Accept;
    }
    switch (peer.introduction) {
    case PeerIntroduction::PairingCode:
        // The user showed the pairing code: that was the consent.
        decline(CoolDown::None);
        trusted_.trust(peer.fingerprint, peer.displayName, TrustedDevices::Seen::Now);
        return InvitationDecision::Accept;
    case PeerIntroduction::KnownOnly:
        return InvitationDecision::Decline; // removed by the user
    case PeerIntroduction::AskIfUnknown:
        break;
    }
    if (request_->has_value() || coolingDown(peer.fingerprint))
        return InvitationDecision::Decline;

    request_ = peer;
    answerTimer_ = scheduler_.after(kAnswerTimeout, [this] { decline(CoolDown::Start); });
    return InvitationDecision::Hold;
}

void PeerConsent::answer(ConsentAnswer answer)
{
    if (answer == ConsentAnswer::Decline) {
        decline(CoolDown::Start);
        return;
    }
    auto peer = takeRequest();
    if (!peer)
        return;
    if (!session_.connectedPeers().empty()) {
        advertiser_.answerHeldInvitation(*peer, false);
        return;
    }
    trusted_.trust(peer->fingerprint, peer->displayName, TrustedDevices::Seen::Now);
    advertiser_.answerHeldInvitation(*peer, true);
}

void PeerConsent::heldPeerLeft(const PeerID& peer)
{
    if (request_->has_value() && (*request_)->token == peer.token)
        takeRequest();
}

void PeerConsent::withdraw()
{
    decline(CoolDown::None);
}

void PeerConsent::decline(CoolDown coolDown)
{
    auto peer = takeRequest();
    if (!peer)
        return;
    if (coolDown == CoolDown::Start)
        declinedUntil_[peer->fingerprint] = scheduler_.now() + kDeclineCoolDown;
    advertiser_.answerHeldInvitation(*peer, false);
}

std::optional<PeerID> PeerConsent::takeRequest()
{
    answerTimer_.cancel();
    auto peer = *request_;
    if (peer)
        request_ = std::nullopt; // the views let go of the question first
    return peer;
}

bool PeerConsent::coolingDown(const std::string& fingerprint)
{
    const auto now = scheduler_.now();
    std::erase_if(declinedUntil_, [now](const auto& entry) { return entry.second <= now; });
    return declinedUntil_.contains(fingerprint);
}

void PeerConsent::trustedDevicesChanged()
{
    // Trusted from outside (`kavora devices allow`) while waiting: that is the user's answer.
    if (request_->has_value() && trusted_.isTrusted((*request_)->fingerprint)) {
        auto peer = takeRequest();
        const bool placeFree = session_.connectedPeers().empty();
        advertiser_.answerHeldInvitation(*peer, placeFree);
        if (placeFree)
            trusted_.touch(peer->fingerprint, peer->displayName);
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
