// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/PeerFramework.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

namespace kavora {

class PeerConnection;

// The session of the Linux link: the accepted controllers' channels. Peers join it only through
// adopt(), after their invitation was accepted, so connectedPeers() never counts a connection
// still in its handshake or invitation. Runs on the main thread and calls its callbacks there.
class LinuxPeerSession final : public PeerSession {
public:
    explicit LinuxPeerSession(std::string displayName);
    ~LinuxPeerSession() override;
    LinuxPeerSession(const LinuxPeerSession&) = delete;
    LinuxPeerSession& operator=(const LinuxPeerSession&) = delete;

    void setCallbacks(Callbacks callbacks) override;
    std::vector<PeerID> connectedPeers() const override;
    bool send(std::string_view packet, const std::vector<PeerID>& peers) override;
    void disconnect() override;
    // Ends the connections the predicate picks, as disconnect() ends all.
    void disconnectIf(const std::function<bool(const PeerConnection&)>& pick);

    // Takes an accepted controller's started channel into the session and reports the peer
    // connected. Frames the channel takes from then on are the peer's packets.
    void adopt(PeerConnection* channel, const PeerID& peer);

    const std::string& displayName() const { return displayName_; }

private:
    struct Member {
        PeerID peer;
        PeerConnection* channel;
    };

    void remove(std::uint64_t token);
    void report(const PeerID& peer, PeerState state) const;

    std::string displayName_;
    Callbacks callbacks_;
    std::vector<Member> members_;
    QObject context_; // parent of the members' channels
};

} // namespace kavora
