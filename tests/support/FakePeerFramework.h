#pragma once

#include "support/FakePeerAdvertiser.h"
#include "support/FakePeerSession.h"

#include <memory>
#include <string>

namespace kavora::test {

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
        advertiserDisplayName = displayName;
        discoveryInfo = info;
        serviceType = type;
        advertisedSession = &forSession;
        auto made = std::make_unique<FakePeerAdvertiser>();
        advertiser = made.get();
        return made;
    }

    FakePeerSession* session = nullptr;
    FakePeerAdvertiser* advertiser = nullptr;
    std::string sessionDisplayName;
    std::string advertiserDisplayName;
    DiscoveryInfo discoveryInfo;
    std::string serviceType;
    const PeerSession* advertisedSession = nullptr;
};

} // namespace kavora::test
