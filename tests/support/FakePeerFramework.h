// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/PeerFramework.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kavora::test {

// A session whose peers come and go when a test says so. Sends and disconnects are recorded as
// lines: "send <packet> to <name>[,<name>]", "disconnect".
class FakePeerSession final : public PeerSession {
public:
    void setCallbacks(Callbacks callbacks) override { callbacks_ = std::move(callbacks); }
    std::vector<PeerID> connectedPeers() const override { return connected_; }
    bool send(std::string_view packet, const std::vector<PeerID>& peers) override
    {
        std::string names;
        for (const auto& peer : peers)
            names += (names.empty() ? "" : ",") + peer.displayName;
        lines.push_back("send " + std::string(packet) + " to " + names);
        return sendSucceeds;
    }
    // Like the real session: every connected peer leaves and reports not connected.
    void disconnect() override
    {
        lines.emplace_back("disconnect");
        for (const auto& peer : std::exchange(connected_, {}))
            report(peer, PeerState::NotConnected);
    }

    void join(const PeerID& peer)
    {
        connected_.push_back(peer);
        report(peer, PeerState::Connected);
    }
    // The peer leaves, or its attempt fails.
    void leave(const PeerID& peer)
    {
        std::erase(connected_, peer);
        report(peer, PeerState::NotConnected);
    }
    void report(const PeerID& peer, PeerState state) { callbacks_.stateChanged(peer, state); }
    void receive(std::string_view packet, const PeerID& from) { callbacks_.received(packet, from); }

    std::vector<std::string> lines;
    bool sendSucceeds = true;

private:
    Callbacks callbacks_;
    std::vector<PeerID> connected_;
};

// Records "start", "stop" and "answer <name> accepted|declined" lines and passes a test's
// invitations to its handler.
class FakePeerAdvertiser final : public PeerAdvertiser {
public:
    void setInvitationHandler(InvitationHandler handler) override { handler_ = std::move(handler); }
    void setHeldPeerLeftHandler(HeldPeerLeftHandler handler) override
    {
        heldLeft_ = std::move(handler);
    }
    void answerHeldInvitation(const PeerID& peer, bool accepted) override
    {
        lines.push_back("answer " + peer.displayName + (accepted ? " accepted" : " declined"));
    }
    bool mayHold(const PeerID& /*peer*/) override { return holdRoom; }
    void startAdvertisingPeer() override { lines.emplace_back("start"); }
    void stopAdvertisingPeer() override { lines.emplace_back("stop"); }

    // The handler's answer; an advertiser without a handler declines.
    InvitationDecision invite(const PeerID& peer) const
    {
        return handler_ ? handler_(peer) : InvitationDecision::Decline;
    }
    // A held peer goes away before its answer.
    void heldPeerLeaves(const PeerID& peer) const
    {
        if (heldLeft_)
            heldLeft_(peer);
    }

    std::vector<std::string> lines;
    bool holdRoom = true; // what mayHold answers

private:
    InvitationHandler handler_;
    HeldPeerLeftHandler heldLeft_;
};

// Makes fake sessions and advertisers and keeps what they were made with. The pointers stay
// valid while their owner keeps the objects.
class FakePeerFramework final : public PeerFramework {
public:
    std::unique_ptr<PeerSession> makeSession(const std::string& displayName) override
    {
        sessionDisplayName = displayName;
        auto made = std::make_unique<FakePeerSession>();
        session = made.get();
        return made;
    }
    std::unique_ptr<PeerAdvertiser> makeAdvertiser(const std::string& displayName,
                                                   const DiscoveryInfo& info,
                                                   const std::string& type,
                                                   PeerSession& forSession) override
    {
        advertised = { displayName, type };
        for (const auto& [key, value] : info)
            advertised.push_back(key + "=" + value);
        advertisedSession = &forSession;
        auto made = std::make_unique<FakePeerAdvertiser>();
        advertiser = made.get();
        return made;
    }

    FakePeerSession* session = nullptr;
    FakePeerAdvertiser* advertiser = nullptr;
    std::string sessionDisplayName;
    // The advertiser's display name, service type and discovery info as "key=value".
    std::vector<std::string> advertised;
    const PeerSession* advertisedSession = nullptr;
};

} // namespace kavora::test
