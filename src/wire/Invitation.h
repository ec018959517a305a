#pragma once

#include "core/Result.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kavora {

// The two link frames that come before any message: the controller's invitation, which carries
// its display name, and the receiver's answer.
//   {"invitation":{"displayName":"Kenji's iPhone"}}
//   {"invitationAnswer":{"accepted":true}}

// The longest display name a peer may have, in bytes of UTF-8 (the DNS-SD instance-name limit).
inline constexpr std::size_t kMaxPeerDisplayNameBytes = 63;

enum class InvitationAnswer { Accepted, Declined };

// The invitation frame's payload for this display name, cleaned as decodeInvitation cleans it.
std::string encodeInvitation(std::string_view displayName);
// The inviting peer's display name, cleaned for display (see cleanPeerName); an error when the
// payload is not an invitation or the name is empty once cleaned. Never throws.
Result<std::string> decodeInvitation(std::string_view payload);

std::string encodeInvitationAnswer(InvitationAnswer answer);
Result<InvitationAnswer> decodeInvitationAnswer(std::string_view payload);

// A peer-supplied name made safe to show: malformed UTF-8, control characters and the
// bidirectional-override and isolate characters are removed, and the rest is cut at a character
// boundary to the 63 bytes a display name may hold.
std::string cleanPeerName(std::string_view name);

} // namespace kavora
