// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Reads arbitrary bytes as the first frame a controller sends (an app's invitation, or a
// browser's with its credential or pairing code) and as the receiver's answer. A name is safe
// text within the limit and comes back the same from its own invitation; an answer encodes to
// itself; a credential is decoded as the receiver decodes it, strictly; a pairing code is
// redeemed only when it is the one issued, and only once.

#include "wire/Invitation.h"
#include "wire/PairingTokens.h"

#include "core/Base64.h"
#include "core/Text.h"
#include "support/VirtualScheduler.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void checkPairingToken(const std::string& token)
{
    kavora::test::VirtualScheduler scheduler;
    kavora::PairingTokens tokens(scheduler,
                                 [](std::size_t count) { return kavora::Bytes(count, 0x5A); });
    const auto issued = tokens.issue();
    if (tokens.redeem(token) != (token == issued))
        std::abort();
    if (token == issued && tokens.redeem(issued))
        std::abort(); // spent
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view payload(reinterpret_cast<const char*>(data), size);
    if (const auto name = kavora::decodeInvitation(payload)) {
        const auto& text = name.value();
        if (text.empty() || text.size() > kavora::kMaxPeerDisplayNameBytes
            || !kavora::isValidUtf8(text))
            std::abort();
        const auto again = kavora::decodeInvitation(kavora::encodeInvitation(text));
        if (!again || again.value() != text)
            std::abort();
    }
    if (const auto answer = kavora::decodeInvitationAnswer(payload)) {
        const auto again
            = kavora::decodeInvitationAnswer(kavora::encodeInvitationAnswer(answer.value()));
        if (!again || again.value() != answer.value())
            std::abort();
    }
    const auto browser = kavora::decodeBrowserInvitation(payload);
    if (!browser)
        return 0;
    if (const auto& credential = browser.value().credential) {
        const auto bytes = kavora::decodeBase64Url(*credential);
        if (bytes && kavora::encodeBase64Url(*bytes) != *credential)
            std::abort();
    }
    if (const auto& token = browser.value().pairingToken)
        checkPairingToken(*token);
    return 0;
}
