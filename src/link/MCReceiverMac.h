// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Published.h"
#include "link/DeviceIdentifier.h"
#include "link/PeerConsent.h"
#include "link/TrustedDevices.h"
#include "platform/PeerFramework.h"
#include "protocol/ControlMessage.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kavora {

class HostNames;
class Scheduler;
class UserDefaults;

// This computer's end of the link to the handheld controller: advertises it, admits one
// controller at a time into the encrypted session (a trusted one at once, an unknown one once the
// user allows it: PeerConsent), hands every decoded message to its owner on the main queue and
// sends replies. Owned by a std::shared_ptr; every callback it hands out holds it weakly. Used on
// the main thread only, except for the session callbacks; the advertiser asks and reports on the
// main thread.
class MCReceiverMac final : public std::enable_shared_from_this<MCReceiverMac> {
    struct Passkey { };

public:
    // Creates the receiver and sets up its session. The services must outlive it; the clock
    // dates the trusted devices.
    static std::shared_ptr<MCReceiverMac> create(Scheduler& scheduler, PeerFramework& framework,
                                                 UserDefaults& defaults, const HostNames& hostNames,
                                                 TrustedDevices::Clock clock = systemWallTime);
    MCReceiverMac(Passkey, Scheduler& scheduler, PeerFramework& framework, UserDefaults& defaults,
                  const HostNames& hostNames, TrustedDevices::Clock clock);
    MCReceiverMac(const MCReceiverMac&) = delete;
    MCReceiverMac& operator=(const MCReceiverMac&) = delete;
    ~MCReceiverMac();

    // What the session reports, on the main queue; the receiver is their only writer.
    const Published<bool>& isConnected() const { return isConnected_; }
    const Published<std::optional<std::string>>& connectedPeerName() const
    {
        return connectedPeerName_;
    }
    // The user has switched advertising on; re-arms the advertiser after a disconnect.
    const Published<bool>& isAdvertising() const { return isAdvertising_; }
    // The controllers allowed without a question, and the unknown one waiting for an answer.
    const Published<std::vector<TrustedDevice>>& trustedDevices() const
    {
        return trustedDevices_.devices();
    }
    const Published<std::optional<PeerID>>& consentRequest() const { return consent_->request(); }

    // Receives every decoded message, on the main queue, in arrival order.
    std::function<void(const ControlMessage&)> onMessage;
    // Called on the main queue whenever a peer's session ends, whatever the cause, so that the
    // owner can release every button and key the peer left held.
    std::function<void()> onSessionEnded;
    const std::string serviceType = "kavora-v2";

    const PeerID& myPeerID() const { return myPeerID_; }

    void startAdvertising();
    // Also declines a waiting request.
    void stopAdvertising();
    void answerConsentRequest(ConsentAnswer answer);
    // Forgets the device; a session it has ends at once.
    void revokeTrustedDevice(const std::string& fingerprint);
    // The user's name for a trusted device, shown from now on whatever name it connects under.
    void renameTrustedDevice(const std::string& fingerprint, const std::string& name);
    // Takes the trusted devices another process (`kavora devices`) changed in the store.
    void reloadTrustedDevices();
    // Sends the message to every connected peer; does nothing without one.
    void send(const ControlMessage& message);

private:
    // Builds the session and the (stopped) advertiser; create() calls it once the shared pointer
    // that the callbacks hold weakly exists.
    void setUpSession();
    // Hands a decoded message to onMessage, on the main queue, in arrival order.
    void deliver(ControlMessage message);
    void handle(const ControlMessage& message);
    void handleStateChange(const PeerID& peer, PeerState state);

    Scheduler& scheduler_;
    PeerFramework& framework_;
    // The thread that created the receiver, whose queue the scheduler drains.
    const std::thread::id mainThread_ = std::this_thread::get_id();
    // Our tasks posted and not yet run; the session may report from any thread.
    std::atomic<std::size_t> queued_ { 0 };
    bool handling_ = false;
    DeviceIdentifier deviceIdentifier_;
    PeerID myPeerID_;
    std::unique_ptr<PeerSession> session_;
    std::unique_ptr<PeerAdvertiser> advertiser_;
    TrustedDevices trustedDevices_;
    std::unique_ptr<PeerConsent> consent_;
    Published<bool> isConnected_ { false };
    Published<std::optional<std::string>> connectedPeerName_;
    Published<bool> isAdvertising_ { false };
};

} // namespace kavora
