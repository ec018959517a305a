// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

// The peer framework the link reaches controllers through: an encrypted session, an advertiser,
// and the factory that makes both for one local peer identity.

enum class PeerState : std::uint8_t { NotConnected = 0, Connecting = 1, Connected = 2 };

// How a peer was introduced, which decides whether the user is asked about it.
enum class PeerIntroduction : std::uint8_t {
    // Known by a certificate or a credential of its own making: trusted if the user trusted it,
    // else the user is asked.
    AskIfUnknown,
    // Vouched for by a pairing code this computer issued and showed to its user, who thereby
    // agreed: trusted without a question.
    PairingCode,
    // A credential this computer issued before: admitted while still trusted, and refused
    // without a question once the user removed it.
    KnownOnly,
};

// A remote peer as the session knows it.
struct PeerID {
    std::uint64_t token = 0; // unique per connection within this process
    std::string displayName;
    // Who the peer is: the SHA-256 fingerprint of the certificate it presented, 64 lower-case hex
    // digits. The same device has the same fingerprint from connection to connection.
    std::string fingerprint;
    // Six digits derived from both certificates, which the user compares with the code the
    // controller shows to detect a machine in the middle.
    std::string verificationCode;
    PeerIntroduction introduction = PeerIntroduction::AskIfUnknown;
    // The network address the peer connects from, as text; empty where it is not known. Requests
    // to be allowed take turns by address.
    std::string address {};
    friend bool operator==(const PeerID&, const PeerID&) = default;
};

// The encrypted session that accepted controllers join. Callbacks may arrive on any thread;
// receivers hand them to the main queue themselves. A received packet is valid during the call
// only: it lies in the connection's buffer.
class PeerSession {
public:
    struct Callbacks {
        std::function<void(const PeerID& peer, PeerState state)> stateChanged;
        std::function<void(std::string_view packet, const PeerID& peer)> received;
    };

    virtual ~PeerSession() = default;

    virtual void setCallbacks(Callbacks callbacks) = 0;
    virtual std::vector<PeerID> connectedPeers() const = 0;
    // Sends one packet reliably to these peers; false when it could not be queued.
    virtual bool send(std::string_view packet, const std::vector<PeerID>& peers) = 0;
    // Ends every connection of the session; each connected peer reports NotConnected.
    virtual void disconnect() = 0;
};

// How the owner answers an invitation. A held peer is told that its answer is pending and nothing
// it sends reaches the session until answerHeldInvitation decides.
enum class InvitationDecision : std::uint8_t { Accept, Decline, Hold };

// Makes this computer visible to controllers and hands their invitations to the owner.
class PeerAdvertiser {
public:
    // Answers an invitation on the caller's thread.
    using InvitationHandler = std::function<InvitationDecision(const PeerID& peer)>;
    // A held peer closed its connection (or broke a rule) before it was answered.
    using HeldPeerLeftHandler = std::function<void(const PeerID& peer)>;

    virtual ~PeerAdvertiser() = default;

    virtual void setInvitationHandler(InvitationHandler handler) = 0;
    virtual void setHeldPeerLeftHandler(HeldPeerLeftHandler handler) = 0;
    // Answers a held invitation: accepted joins the peer to the session exactly as Accept would
    // have; declined answers so and closes the connection. A peer no longer held is ignored.
    virtual void answerHeldInvitation(const PeerID& peer, bool accepted) = 0;
    // Whether an invitation from this peer may be held now, within the advertiser's limits on
    // held invitations. The owner asks before it holds one, so that a request the advertiser
    // would turn away never reaches the user.
    virtual bool mayHold(const PeerID& peer) = 0;
    virtual void startAdvertisingPeer() = 0;
    virtual void stopAdvertisingPeer() = 0;
};

using DiscoveryInfo = std::map<std::string, std::string>;

// Creates the session and advertiser of one local peer identity.
class PeerFramework {
public:
    virtual ~PeerFramework() = default;

    virtual std::unique_ptr<PeerSession> makeSession(const std::string& displayName) = 0;
    virtual std::unique_ptr<PeerAdvertiser>
    makeAdvertiser(const std::string& displayName, const DiscoveryInfo& discoveryInfo,
                   const std::string& serviceType, PeerSession& session)
        = 0;
};

} // namespace kavora
