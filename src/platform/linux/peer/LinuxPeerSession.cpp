// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/LinuxPeerSession.h"

#include "platform/linux/peer/PeerConnection.h"

#include <algorithm>

namespace kavora {

LinuxPeerSession::LinuxPeerSession(std::string displayName)
    : displayName_(std::move(displayName))
{
}

LinuxPeerSession::~LinuxPeerSession()
{
    // The channels are deleted with context_ and report nothing.
    callbacks_ = {};
}

void LinuxPeerSession::setCallbacks(Callbacks callbacks)
{
    callbacks_ = std::move(callbacks);
}

std::vector<PeerID> LinuxPeerSession::connectedPeers() const
{
    std::vector<PeerID> peers;
    peers.reserve(members_.size());
    for (const auto& member : members_)
        peers.push_back(member.peer);
    return peers;
}

bool LinuxPeerSession::send(std::string_view packet, const std::vector<PeerID>& peers)
{
    bool queued = !peers.empty();
    for (const auto& peer : peers) {
        auto found = std::find_if(members_.begin(), members_.end(), [&](const Member& member) {
            return member.peer.token == peer.token;
        });
        // sendFrame may end the channel, which removes the member: no iterator is kept across it.
        queued = found != members_.end() && found->channel->sendFrame(packet) && queued;
    }
    return queued;
}

void LinuxPeerSession::disconnect()
{
    disconnectIf([](const PeerConnection&) { return true; });
}

void LinuxPeerSession::disconnectIf(const std::function<bool(const PeerConnection&)>& pick)
{
    std::vector<Member> leaving;
    std::erase_if(members_, [&](const Member& member) {
        if (!pick(*member.channel))
            return false;
        leaving.push_back(member);
        return true;
    });
    for (auto& member : leaving) {
        member.channel->onFrame = nullptr;
        member.channel->onClosed
            = [channel = member.channel](const std::string&) { channel->deleteLater(); };
        member.channel->close();
    }
    for (const auto& member : leaving)
        report(member.peer, PeerState::NotConnected);
}

void LinuxPeerSession::adopt(PeerConnection* channel, const PeerID& peer)
{
    channel->setParent(&context_);
    members_.push_back({ peer, channel });
    const auto token = peer.token;
    channel->onFrame = [this, token](std::string_view payload) {
        auto found = std::find_if(members_.begin(), members_.end(),
                                  [&](const Member& member) { return member.peer.token == token; });
        if (found != members_.end() && callbacks_.received) {
            callbacks_.received(payload, found->peer);
        }
    };
    channel->onClosed = [this, token, channel](const std::string&) {
        channel->deleteLater();
        remove(token);
    };
    report(peer, PeerState::Connected);
}

void LinuxPeerSession::remove(std::uint64_t token)
{
    auto found = std::find_if(members_.begin(), members_.end(),
                              [&](const Member& member) { return member.peer.token == token; });
    if (found == members_.end())
        return;
    const auto peer = found->peer;
    members_.erase(found);
    report(peer, PeerState::NotConnected);
}

void LinuxPeerSession::report(const PeerID& peer, PeerState state) const
{
    if (callbacks_.stateChanged)
        callbacks_.stateChanged(peer, state);
}

} // namespace kavora
