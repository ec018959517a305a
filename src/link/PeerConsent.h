// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Published.h"
#include "core/Scheduler.h"
#include "platform/PeerFramework.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace kavora {

class TrustedDevices;

enum class ConsentAnswer : std::uint8_t { Allow, Decline };

// Decides who may join the session. A trusted controller joins at once while nobody is
// connected, and so does one vouched for by a pairing code (which trusts it); one that claims a
// credential this computer no longer trusts is declined. Any other unknown one is held while the
// user is asked, one request at a time, and joins only when the user allows it (which trusts it)
// or trusts it from outside meanwhile. A connected controller that stops being trusted is
// disconnected at once.
//
// No one address can keep the question to itself: a request from another address than the one
// asked about waits for the next turn (one such request at a time), so it is asked within one
// answer window; each address has one request held at most. Declined requests, and those
// unanswered for kAnswerTimeout, keep their controller and their address out without a question
// for kDeclineCoolDown, whatever certificate the address asks with next.
//
// Main thread only: the advertiser asks and reports on the main thread. The session, the
// advertiser and the trusted devices must outlive this object.
class PeerConsent {
public:
    static constexpr Seconds kAnswerTimeout { 30 };
    static constexpr Seconds kDeclineCoolDown { 60 };

    PeerConsent(Scheduler& scheduler, TrustedDevices& trusted, PeerSession& session,
                PeerAdvertiser& advertiser);
    PeerConsent(const PeerConsent&) = delete;
    PeerConsent& operator=(const PeerConsent&) = delete;
    ~PeerConsent();

    // The answer to an invitation.
    InvitationDecision decide(const PeerID& peer);
    // The held controller waiting for the user's answer: its name, fingerprint and code.
    const Published<std::optional<PeerID>>& request() const { return request_; }
    // The user's answer to the waiting request; nothing without one.
    void answer(ConsentAnswer answer);
    // The held controller went away before its answer.
    void heldPeerLeft(const PeerID& peer);
    // Advertising was switched off: the waiting request is declined.
    void withdraw();

private:
    InvitationDecision holdForTheUser(const PeerID& peer);
    void ask(const PeerID& peer);
    // The user declined the question being asked, or let it run out: its controller and address
    // cool down, and the waiting request is asked.
    void decline();
    // The place was taken or advertising stopped: no request is left to ask about.
    void declineEveryRequest();
    void askNext();
    std::optional<PeerID> takeRequest();
    // Whether a request from the same controller or the same address is held.
    bool holdsRequestLike(const PeerID& peer) const;
    bool coolingDown(const PeerID& peer);
    void trustedDevicesChanged();

    Scheduler& scheduler_;
    TrustedDevices& trusted_;
    PeerSession& session_;
    PeerAdvertiser& advertiser_;
    Published<std::optional<PeerID>> request_;
    TimerHandle answerTimer_;
    // Held for the turn after the question being asked.
    std::optional<PeerID> waiting_;
    // Declined fingerprints and addresses, and until when (scheduler time) they are declined
    // without asking. The two kinds of key cannot meet: a fingerprint is 64 hex digits.
    std::map<std::string, Seconds> declinedUntil_;
    Subscription trustedSubscription_;
};

} // namespace kavora
