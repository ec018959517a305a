// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "wire/Invitation.h"

#include <string>
#include <string_view>

namespace kavora {

class HostNames;

// The computer's name as users see it: the pretty host name when set, else the host name, else
// "Mac".
std::string computerName(const HostNames& names);

// The receiver's peer display name: the computer name followed by "-Mac", the computer name
// shortened so that the whole fits kMaxPeerDisplayNameBytes.
std::string peerDisplayName(std::string_view computerName);

} // namespace kavora
