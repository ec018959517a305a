// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/peer/LinkLimits.h"

#include <QHostAddress>

#include <cstdint>
#include <filesystem>

namespace kavora {

class BrowserAccess;

// How the Linux peer link listens and where it keeps its identity.
struct PeerLinkOptions {
    // Where controllers connect: every address (IPv4 and IPv6) unless a test says loopback.
    QHostAddress listenAddress = QHostAddress::Any;
    // The TCP port; 0 takes any free one (the one in use is published over DNS-SD).
    std::uint16_t port = 0;
    LinkLimits limits;
    // Holds the receiver's certificate and private key.
    std::filesystem::path configFolder;
    // Publish the service over DNS-SD through Avahi; tests that need no discovery turn it off.
    bool publishDnsSd = true;
    // The browser controller's switch, address and pairing codes; none: no page is served.
    // Must outlive the advertisers' use of it: one that is being destroyed no longer touches it.
    BrowserAccess* browser = nullptr;
};

} // namespace kavora
