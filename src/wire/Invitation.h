// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Result.h"

#include <cstddef>
#include <optional>
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

// A browser controller's invitation carries, besides its name, how it says who it is: the
// credential this computer gave it earlier, or a pairing code from the address this computer
// showed, or neither (the user is asked).
//   {"invitation":{"displayName":"Chrome · Android","credential":"<base64url>"}}
//   {"invitation":{"displayName":"Chrome · Android","pairingToken":"<base64url>"}}
struct BrowserInvitation {
    std::string displayName;
    std::optional<std::string> credential;
    std::optional<std::string> pairingToken;
};
// As decodeInvitation, and a credential or pairing code that is there must be a string.
Result<BrowserInvitation> decodeBrowserInvitation(std::string_view payload);

// Why a browser controller is turned away, as its page is told.
enum class BrowserRefusal { Busy, Declined, ExpiredToken, UnknownCredential };

// The answers to a browser: accepted, with the credential when one was issued now; pending, with
// the verification code the user sees; refused, with the reason.
//   {"invitationAnswer":{"accepted":true,"credential":"<base64url>"}}
//   {"invitationAnswer":{"pending":true,"verificationCode":"123456"}}
//   {"invitationAnswer":{"accepted":false,"reason":"busy"}}
std::string encodeBrowserAcceptance(std::string_view newCredential);
std::string encodeBrowserPending(std::string_view verificationCode);
std::string encodeBrowserRefusal(BrowserRefusal reason);

} // namespace kavora
