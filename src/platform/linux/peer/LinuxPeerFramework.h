// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/PeerFramework.h"
#include "platform/linux/peer/PeerLinkOptions.h"

#include <QSslConfiguration>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kavora {

class Log;

// The peer framework of this project on Linux: TLS 1.3 over TCP with length-framed packets,
// DNS-SD through Avahi. The receiver's certificate is loaded, or made on first use, from the
// options' config folder when the first advertiser is made. Everything runs on the Qt main
// thread; the framework must outlive the sessions and advertisers it makes.
class LinuxPeerFramework final : public PeerFramework {
public:
    LinuxPeerFramework(PeerLinkOptions options, Log& log);
    ~LinuxPeerFramework() override;

    std::unique_ptr<PeerSession> makeSession(const std::string& displayName) override;
    // The session must be one this framework made.
    std::unique_ptr<PeerAdvertiser> makeAdvertiser(const std::string& displayName,
                                                   const DiscoveryInfo& discoveryInfo,
                                                   const std::string& serviceType,
                                                   PeerSession& session) override;

    // The port the (most recent) advertiser listens on, 0 while none does.
    std::uint16_t serverPort() const;
    // The SHA-256 fingerprint of the receiver's certificate, empty before it is loaded.
    const std::string& certificateFingerprint() const { return fingerprint_; }

    // The TLS settings of the receiver's listener for an identity: TLS 1.3 only, a client
    // certificate asked for (the listener refuses a controller without one; a self-signed one is
    // taken, since its fingerprint is the controller's identity).
    static QSslConfiguration serverConfiguration(const QSslCertificate& certificate,
                                                 const QSslKey& privateKey);

private:
    void loadIdentity();

    PeerLinkOptions options_;
    Log& log_;
    bool identityLoaded_ = false;
    std::optional<QSslConfiguration> tls_;
    std::string tlsProblem_;
    std::string fingerprint_;
    std::shared_ptr<std::uint16_t> listeningPort_ = std::make_shared<std::uint16_t>(0);
};

} // namespace kavora
