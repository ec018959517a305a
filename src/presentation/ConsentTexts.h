// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "link/TrustedDevices.h"
#include "platform/PeerFramework.h"

#include <string>

namespace kavora {

// What the prompt, the trusted-device list and the headless receiver say about controllers
// asking to connect and controllers already trusted, in the user's language (Translation.h).

// The name a controller goes by: the one it sent, else "Unnamed device" (never its fingerprint).
std::string deviceName(const std::string& name);
// "“NAME” wants to control this computer", the prompt's headline.
std::string consentHeadline(const PeerID& peer);
// The six digits in two groups of three, "123 456", easier to compare at a glance; another
// text is shown as it is.
std::string verificationCodeText(const std::string& code);
// The first and last four digits, "abcd…6789": enough to tell two devices of one name apart.
std::string shortFingerprint(const std::string& fingerprint);

// The second line of a trusted device's row: "Last connected TIME · abcd…6789", or "Never
// connected · …" for a device trusted before it ever connected. lastSeenText is the last
// connection in the user's local time and the locale's format, written by the view.
std::string trustedDeviceDetail(const TrustedDevice& device, const std::string& lastSeenText);

// The headless receiver's announcement on its standard output (several lines, each ending in a
// newline; in the user's language) and the one line for the log (English), both with the
// command that allows the controller.
std::string consentAnnouncement(const PeerID& peer);
std::string consentLogLine(const PeerID& peer);
// `kavora devices allow FINGERPRINT`
std::string allowCommand(const std::string& fingerprint);

} // namespace kavora
