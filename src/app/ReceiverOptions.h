// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/SettingKeys.h"

#include <QHostAddress>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

class Log;
class UserDefaults;

// What the receiver was asked to do on its command line.
struct ReceiverOptions {
    bool headless = false;
    // Started by the session at login: the desktop program stays in its status icon instead of
    // opening the settings window, and switches advertising on (advertise is set too).
    bool autostart = false;
    bool advertise = false;
    std::uint16_t port = 0; // 0: the stored port, else any free one (listenPort())
    // The one address controllers may connect to; every address unless given.
    QHostAddress listenAddress = QHostAddress::Any;

    // Announcing an address no other machine can reach would only mislead the network's browsers.
    bool publishesDnsSd() const { return !listenAddress.isLoopback(); }
};

// Parses the receiver's options (the arguments after the program name); explains what is wrong
// on err and returns nothing for an argument it does not know or a bad value.
std::optional<ReceiverOptions> parseReceiverOptions(const std::vector<std::string>& args,
                                                    std::ostream& err);

// The setting that fixes the port for desktop launches, so that a firewall rule can name it.
inline constexpr std::string_view kListenPortKey = settingkey::kListenPort.name;

// The TCP port to listen on: the command line's, else the one stored under kListenPortKey, else
// 0 (any free port). A stored value that is no port number (1-65535) is said on the log and
// ignored.
std::uint16_t listenPort(const ReceiverOptions& options, const UserDefaults& defaults, Log& log);

} // namespace kavora
