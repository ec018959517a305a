#pragma once

#include "platform/PeerFramework.h"

#include <algorithm>
#include <cstdint>
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
        auto leaving = std::exchange(connected_, {});
        for (const auto& peer : leaving)
            report(peer, PeerState::NotConnected);
    }

    // The peer joins the session and reports connected.
    void join(const PeerID& peer)
    {
        connected_.push_back(peer);
        report(peer, PeerState::Connected);
    }
    // The peer leaves (or its attempt fails) and reports not connected.
    void leave(const PeerID& peer)
    {
        std::erase(connected_, peer);
        report(peer, PeerState::NotConnected);
    }
    void report(const PeerID& peer, PeerState state)
    {
        if (callbacks_.stateChanged)
            callbacks_.stateChanged(peer, state);
    }
    void receive(std::string_view packet, const PeerID& from)
    {
        if (callbacks_.received)
            callbacks_.received(std::vector<std::uint8_t>(packet.begin(), packet.end()), from);
    }
    bool hasCallbacks() const { return callbacks_.stateChanged || callbacks_.received; }

    std::vector<std::string> lines;
    bool sendSucceeds = true;

private:
    Callbacks callbacks_;
    std::vector<PeerID> connected_;
};

} // namespace kavora::test
