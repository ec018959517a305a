// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/BrowserAccess.h"

#include "platform/UserDefaults.h"
#include "wire/PairingTokens.h"

#include <QNetworkInterface>

namespace kavora {

BrowserAccess::BrowserAccess(UserDefaults& defaults, PairingTokens& tokens,
                             const QHostAddress& listenAddress)
    : defaults_(defaults)
    , tokens_(tokens)
    , listenAddress_(listenAddress)
    , enabled_(defaults_.boolValue(kEnabledKey))
{
    // The code shown was used or expired: show a new one while the page is served.
    tokensSubscription_ = tokens_.newest().subscribe([this](const std::string& newest) {
        if (newest.empty() && port_ != 0)
            tokens_.issue(); // publishes again, with the new code
        else
            publishAddress();
    });
}

BrowserAccess::~BrowserAccess() = default;

void BrowserAccess::setEnabled(bool enabled)
{
    defaults_.setBool(kEnabledKey, enabled);
    if (*enabled_ != enabled)
        enabled_ = enabled;
}

void BrowserAccess::reload()
{
    const bool enabled = defaults_.boolValue(kEnabledKey);
    if (*enabled_ != enabled)
        enabled_ = enabled;
}

std::uint16_t BrowserAccess::configuredPort() const
{
    const auto port = defaults_.doubleValue(kPortKey);
    return port >= 1 && port <= 0xFFFF ? static_cast<std::uint16_t>(port) : kDefaultPort;
}

void BrowserAccess::served(std::uint16_t port)
{
    if (port == port_)
        return;
    port_ = port;
    if (port_ != 0 && tokens_.newest()->empty())
        tokens_.issue(); // publishes through the subscription
    else
        publishAddress();
}

void BrowserAccess::renewPairingAddress()
{
    if (port_ != 0)
        tokens_.issue();
}

std::string BrowserAccess::freshPairingAddress()
{
    if (port_ == 0)
        return {};
    tokens_.issue();
    return *address_;
}

void BrowserAccess::publishAddress()
{
    std::string address;
    if (port_ != 0 && !tokens_.newest()->empty()) {
        address
            = "https://" + hostText() + ":" + std::to_string(port_) + "/#t=" + *tokens_.newest();
    }
    if (*address_ != address)
        address_ = address;
}

std::string BrowserAccess::hostText() const
{
    auto host = listenAddress_;
    // Any of the three "any address" forms.
    if (host.isEqual(QHostAddress(QHostAddress::AnyIPv4),
                     QHostAddress::ConvertUnspecifiedAddress)) {
        // The first IPv4 address of a running interface that is not loopback: what a phone on
        // the same network reaches.
        host = QHostAddress::LocalHost;
        for (const auto& candidate : QNetworkInterface::allAddresses()) {
            if (candidate.protocol() == QAbstractSocket::IPv4Protocol && !candidate.isLoopback()
                && !candidate.isLinkLocal()) {
                host = candidate;
                break;
            }
        }
    }
    const auto text = host.toString().toStdString();
    return host.protocol() == QAbstractSocket::IPv6Protocol ? "[" + text + "]" : text;
}

} // namespace kavora
