#pragma once

#include "platform/PeerFramework.h"

#include <string>
#include <vector>

namespace kavora::test {

// An advertiser that records "start" and "stop" lines and passes a test's invitations to its
// handler.
class FakePeerAdvertiser final : public PeerAdvertiser {
public:
    void setInvitationHandler(InvitationHandler handler) override { handler_ = std::move(handler); }
    void startAdvertisingPeer() override { lines.emplace_back("start"); }
    void stopAdvertisingPeer() override { lines.emplace_back("stop"); }

    // The handler's answer; an advertiser without a handler declines.
    bool invite(const PeerID& peer) const { return handler_ && handler_(peer); }

    std::vector<std::string> lines;

private:
    InvitationHandler handler_;
};

} // namespace kavora::test
