// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/ConnectionStatus.h"

#include "presentation/Translation.h"

namespace kavora {

StatusDot statusDot(const ConnectionStatus& status)
{
    if (status.isConnected)
        return StatusDot::Brand;
    return status.isAdvertising ? StatusDot::Yellow : StatusDot::Grey;
}

std::string statusText(const ConnectionStatus& status)
{
    if (status.isConnected) {
        return status.peerName
            ? fillIn(i18n("Connected · {name}"), { { "name", *status.peerName } })
            : i18n("Connected");
    }
    return status.isAdvertising ? i18n("Waiting for a connection…") : i18n("Off");
}

std::string connectionStateText(bool isConnected)
{
    return isConnected ? i18n("Connected") : i18n("Not connected");
}

std::string accessibilityStateText(bool accessibilityGranted)
{
    return accessibilityGranted ? i18n("Granted") : i18n("Not granted");
}

std::string advertisingSwitchText(bool isAdvertising)
{
    return isAdvertising ? i18n("On") : i18n("Off");
}

} // namespace kavora
