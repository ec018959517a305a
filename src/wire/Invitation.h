#pragma once

#include "core/Result.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kavora {

// The link frames that come before any message: the controller's invitation, which carries its
// display name, and the receiver's answer. An answer may first say that the user is being asked,
// and then follow with the final one.
//   {"invitation":{"displayName":"Kenji's iPhone"}}
//   {"invitationAnswer":{"pending":true}}
//   {"invitationAnswer":{"accepted":true}}

// The longest display name a peer may have, in bytes of UTF-8 (the DNS-SD instance-name limit).
inline constexpr std::size_t kMaxPeerDisplayNameBytes = 63;

enum class InvitationAnswer { Accepted, Declined, Pending };

// The invitation frame's payload for this display name, made safe to show as decodeInvitation
// makes it.
std::string encodeInvitation(std::string_view displayName);
// The inviting peer's display name as safe text (see safeText in core/Text.h) of at most
// kMaxPeerDisplayNameBytes; an error when the payload is not an invitation or nothing of the name
// is left to show. Never throws.
Result<std::string> decodeInvitation(std::string_view payload);

std::string encodeInvitationAnswer(InvitationAnswer answer);
Result<InvitationAnswer> decodeInvitationAnswer(std::string_view payload);

} // namespace kavora
