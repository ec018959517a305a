// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/BrowserControl.h"

#include <QHostAddress>

#include <cstdint>
#include <string>

namespace kavora {

class PairingTokens;
class UserDefaults;

// The browser controller's switch and address on Linux: the switch is the linuxBrowserControl
// setting; the advertiser serves the page while it and advertising are on and says on which port
// (served()); the address joins this computer's network address, that port and the newest
// pairing code, and gets a new code whenever the last was used or expired. Main thread only; the
// defaults and tokens must outlive it.
class BrowserAccess final : public BrowserControl {
public:
    static constexpr std::uint16_t kDefaultPort = 47390;

    // listenAddress is where the receiver listens; a specific one is the address shown.
    BrowserAccess(UserDefaults& defaults, PairingTokens& tokens, const QHostAddress& listenAddress);
    BrowserAccess(const BrowserAccess&) = delete;
    BrowserAccess& operator=(const BrowserAccess&) = delete;
    ~BrowserAccess() override;

    const Published<bool>& isEnabled() const override { return enabled_; }
    void setEnabled(bool enabled) override;
    const Published<std::string>& pairingAddress() const override { return address_; }
    void renewPairingAddress() override;

    // The port the page is to be served on (the linuxWebPort setting, else kDefaultPort).
    std::uint16_t configuredPort() const;
    // The page is served on this port now; 0 when it no longer is.
    void served(std::uint16_t port);
    // Takes the switch from the store again (another process changed it).
    void reload();
    // A fresh pairing address while the page is served, else empty (`kavora web`).
    std::string freshPairingAddress();
    PairingTokens& tokens() { return tokens_; }

private:
    void publishAddress();
    std::string hostText() const;

    UserDefaults& defaults_;
    PairingTokens& tokens_;
    QHostAddress listenAddress_;
    std::uint16_t port_ = 0;
    Published<bool> enabled_;
    Published<std::string> address_;
    Subscription tokensSubscription_;
};

} // namespace kavora
