// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>

namespace kavora {

// What the panel and the settings window say about the link, from the controller's values, in the
// user's language (Translation.h).
struct ConnectionStatus {
    bool isConnected = false;
    bool isAdvertising = false;
    std::optional<std::string> peerName;
};

// The colour of the status dot: the brand colour while connected, yellow while waiting for a
// controller, grey (at 60 % opacity) while off.
enum class StatusDot { Brand, Yellow, Grey };

StatusDot statusDot(const ConnectionStatus& status);
// "Connected · NAME" (or "Connected" without a name) while connected, "Waiting for a connection…"
// while advertising, "Off" otherwise. Connected wins over advertising.
std::string statusText(const ConnectionStatus& status);

// The values of the settings window's connection section and the advertising switch's label.
std::string connectionStateText(bool isConnected);
std::string accessibilityStateText(bool accessibilityGranted);
std::string advertisingSwitchText(bool isAdvertising);

} // namespace kavora
