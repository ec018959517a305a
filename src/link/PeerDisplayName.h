#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kavora {

class HostNames;

// The longest display name a peer may have, in bytes of UTF-8 (the DNS-SD instance-name limit).
inline constexpr std::size_t kMaxPeerDisplayNameBytes = 63;

// The computer's name as users see it: the pretty host name when set, else the host name, else
// "Mac".
std::string computerName(const HostNames& names);

// The receiver's peer display name: the computer name followed by "-Mac", the computer name
// shortened so that the whole fits kMaxPeerDisplayNameBytes.
std::string peerDisplayName(std::string_view computerName);

// The longest prefix of text that is at most maxBytes long and ends on a character boundary.
// Bytes that are not well-formed UTF-8 are dropped first, so the result is always valid UTF-8.
std::string truncateUtf8(std::string_view text, std::size_t maxBytes);

} // namespace kavora
