// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/LinuxPeerFramework.h"

#include "core/Log.h"
#include "platform/linux/peer/CertificateStore.h"
#include "platform/linux/peer/LinuxPeerAdvertiser.h"
#include "platform/linux/peer/LinuxPeerSession.h"

#include <QSslSocket>

#include <cassert>

namespace kavora {

LinuxPeerFramework::LinuxPeerFramework(PeerLinkOptions options, Log& log)
    : options_(std::move(options))
    , log_(log)
{
}

LinuxPeerFramework::~LinuxPeerFramework() = default;

std::unique_ptr<PeerSession> LinuxPeerFramework::makeSession(const std::string& displayName)
{
    return std::make_unique<LinuxPeerSession>(displayName);
}

std::unique_ptr<PeerAdvertiser>
LinuxPeerFramework::makeAdvertiser(const std::string& displayName,
                                   const DiscoveryInfo& discoveryInfo,
                                   const std::string& serviceType, PeerSession& session)
{
    auto* linuxSession = dynamic_cast<LinuxPeerSession*>(&session);
    assert(linuxSession != nullptr && "a session of another framework");
    loadIdentity();
    auto advertiser = std::make_unique<LinuxPeerAdvertiser>(
        LinuxPeerAdvertiser::Identity { displayName, discoveryInfo, serviceType }, *linuxSession,
        options_, tls_, tlsProblem_, log_);
    advertiser->shareServerPort(listeningPort_);
    return advertiser;
}

std::uint16_t LinuxPeerFramework::serverPort() const
{
    return *listeningPort_;
}

QSslConfiguration LinuxPeerFramework::serverConfiguration(const QSslCertificate& certificate,
                                                          const QSslKey& privateKey)
{
    auto configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(certificate);
    configuration.setPrivateKey(privateKey);
    configuration.setProtocol(QSsl::TlsV1_3OrLater);
    configuration.setPeerVerifyMode(QSslSocket::QueryPeer);
    return configuration;
}

void LinuxPeerFramework::loadIdentity()
{
    if (identityLoaded_)
        return;
    identityLoaded_ = true;
    if (!QSslSocket::supportsSsl()) {
        tlsProblem_ = "TLS is not available (Qt's OpenSSL backend did not load)";
        return;
    }
    auto identity = loadOrCreateTlsIdentity(options_.configFolder);
    if (!identity) {
        tlsProblem_ = "no TLS identity: " + identity.error();
        return;
    }
    fingerprint_ = kavora::certificateFingerprint(identity.value().certificate);
    tls_ = serverConfiguration(identity.value().certificate, identity.value().privateKey);
}

} // namespace kavora
