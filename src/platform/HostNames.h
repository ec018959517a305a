// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace kavora {

// The names this computer goes by, as the user and the network know it.
class HostNames {
public:
    virtual ~HostNames() = default;

    // The free-form name the user gave the computer ("Kenji's ThinkPad"), or empty when none is
    // set.
    virtual std::string prettyHostName() const = 0;
    // The network host name ("kenji-thinkpad"), or empty when it cannot be read.
    virtual std::string hostName() const = 0;
};

} // namespace kavora
