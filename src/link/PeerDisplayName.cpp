// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "link/PeerDisplayName.h"

#include "core/Text.h"
#include "platform/HostNames.h"

namespace kavora {

namespace {

constexpr std::string_view kPeerNameSuffix = "-Mac";
constexpr std::string_view kFallbackComputerName = "Mac";

} // namespace

std::string computerName(const HostNames& names)
{
    if (auto pretty = names.prettyHostName(); !pretty.empty())
        return pretty;
    if (auto host = names.hostName(); !host.empty())
        return host;
    return std::string(kFallbackComputerName);
}

std::string peerDisplayName(std::string_view computer)
{
    return truncateUtf8(computer, kMaxPeerDisplayNameBytes - kPeerNameSuffix.size())
        + std::string(kPeerNameSuffix);
}

} // namespace kavora
