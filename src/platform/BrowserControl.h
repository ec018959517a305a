// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Published.h"
#include "platform/SettingKeys.h"

#include <string>
#include <string_view>

namespace kavora {

// Control from a browser, as the settings window sees it: the user's switch, and while the page
// is served (the switch and advertising both on) the address that opens it with a pairing code.
class BrowserControl {
public:
    // The setting that holds the switch (off unless set), and the one that holds the port.
    static constexpr std::string_view kEnabledKey = settingkey::kBrowserControl.name;
    static constexpr std::string_view kPortKey = settingkey::kWebPort.name;

    virtual ~BrowserControl() = default;

    virtual const Published<bool>& isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    // "https://<address>:<port>/#t=<pairing code>" while the page is served, else empty. A new
    // address with a new code is published when its code was used or expired.
    virtual const Published<std::string>& pairingAddress() const = 0;
    // Publishes an address with a new code at once.
    virtual void renewPairingAddress() = 0;
};

} // namespace kavora
