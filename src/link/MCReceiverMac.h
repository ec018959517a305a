#pragma once

#include "core/Published.h"
#include "link/DeviceIdentifier.h"
#include "platform/PeerFramework.h"
#include "protocol/ControlMessage.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace kavora {

class HostNames;
class Scheduler;
class UserDefaults;

// This computer's end of the link to the handheld controller: advertises it, admits one
// controller at a time into the encrypted session, hands every decoded message to its owner on
// the main queue and sends replies. Owned by a std::shared_ptr; every callback it hands out holds
// it weakly. Used on the main thread only, except for the session and advertiser callbacks.
class MCReceiverMac final : public std::enable_shared_from_this<MCReceiverMac> {
    struct Passkey { };

public:
    // Creates the receiver and sets up its session. The services must outlive it.
    static std::shared_ptr<MCReceiverMac> create(Scheduler& scheduler, PeerFramework& framework,
                                                 UserDefaults& defaults,
                                                 const HostNames& hostNames);
    MCReceiverMac(Passkey, Scheduler& scheduler, PeerFramework& framework, UserDefaults& defaults,
                  const HostNames& hostNames);
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

    // Receives every decoded message, on the main queue, in arrival order.
    std::function<void(const ControlMessage&)> onMessage;
    // Called on the main queue whenever a peer's session ends, whatever the cause, so that the
    // owner can release every button and key the peer left held.
    std::function<void()> onSessionEnded;
    const std::string serviceType = "kavora-v2";

    const PeerID& myPeerID() const { return myPeerID_; }

    void startAdvertising();
    void stopAdvertising();
    // Sends the message to every connected peer; does nothing without one.
    void send(const ControlMessage& message);

private:
    // Builds the session and the (stopped) advertiser; create() calls it once the shared pointer
    // that the callbacks hold weakly exists.
    void setUpSession();
    bool answerInvitation() const;
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
    Published<bool> isConnected_ { false };
    Published<std::optional<std::string>> connectedPeerName_;
    Published<bool> isAdvertising_ { false };
};

} // namespace kavora
