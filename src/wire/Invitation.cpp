// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "wire/Invitation.h"

#include "core/Json.h"
#include "core/Text.h"

#include <nlohmann/json.hpp>

namespace kavora {

namespace {

constexpr const char* kInvitationKey = "invitation";
constexpr const char* kDisplayNameKey = "displayName";
constexpr const char* kAnswerKey = "invitationAnswer";
constexpr const char* kAcceptedKey = "accepted";
constexpr const char* kPendingKey = "pending";
constexpr const char* kCredentialKey = "credential";
constexpr const char* kPairingTokenKey = "pairingToken";
constexpr const char* kVerificationCodeKey = "verificationCode";
constexpr const char* kReasonKey = "reason";
constexpr auto kDisplayNameLimit = TextLimit::bytes(kMaxPeerDisplayNameBytes);

// The object under key in a JSON object, or null. Other members are ignored, so that later
// versions may add some.
const nlohmann::json* member(const nlohmann::json& document, const char* key)
{
    if (!document.is_object() || !document.contains(key))
        return nullptr;
    const auto& value = document.at(key);
    return value.is_object() ? &value : nullptr;
}

} // namespace

std::string encodeInvitation(std::string_view displayName)
{
    return nlohmann::json {
        { kInvitationKey, { { kDisplayNameKey, safeText(displayName, kDisplayNameLimit) } } }
    }.dump();
}

Result<std::string> decodeInvitation(std::string_view payload)
{
    const auto document = parseJson(payload);
    const auto* invitation = member(document, kInvitationKey);
    if (!invitation)
        return Error { "not an invitation" };
    const auto name = invitation->find(kDisplayNameKey);
    if (name == invitation->end() || !name->is_string())
        return Error { "the invitation has no display name" };
    auto shown = safeText(name->get_ref<const std::string&>(), kDisplayNameLimit);
    if (shown.empty())
        return Error { "the invitation has an empty display name" };
    return shown;
}

std::string encodeInvitationAnswer(InvitationAnswer answer)
{
    if (answer == InvitationAnswer::Pending)
        return nlohmann::json { { kAnswerKey, { { kPendingKey, true } } } }.dump();
    return nlohmann::json {
        { kAnswerKey, { { kAcceptedKey, answer == InvitationAnswer::Accepted } } }
    }.dump();
}

Result<InvitationAnswer> decodeInvitationAnswer(std::string_view payload)
{
    const auto document = parseJson(payload);
    const auto* answer = member(document, kAnswerKey);
    if (!answer)
        return Error { "not an invitation answer" };
    // A pending answer is followed by the final one; "pending":false says nothing by itself.
    const auto pending = answer->find(kPendingKey);
    if (pending != answer->end() && pending->is_boolean() && pending->get<bool>()
        && !answer->contains(kAcceptedKey)) {
        return InvitationAnswer::Pending;
    }
    const auto accepted = answer->find(kAcceptedKey);
    if (accepted == answer->end() || !accepted->is_boolean())
        return Error { "the invitation answer has no accepted flag" };
    return accepted->get<bool>() ? InvitationAnswer::Accepted : InvitationAnswer::Declined;
}

Result<BrowserInvitation> decodeBrowserInvitation(std::string_view payload)
{
    auto name = decodeInvitation(payload);
    if (!name)
        return Error { name.error() };
    BrowserInvitation invitation { std::move(name).value(), std::nullopt, std::nullopt };
    const auto document = parseJson(payload);
    const auto& members = *member(document, kInvitationKey);
    for (const auto& [key, field] : { std::pair { kCredentialKey, &invitation.credential },
                                      std::pair { kPairingTokenKey, &invitation.pairingToken } }) {
        const auto found = members.find(key);
        if (found == members.end())
            continue;
        if (!found->is_string())
            return Error { std::string("the invitation's ") + key + " is not a string" };
        *field = found->get<std::string>();
    }
    return invitation;
}

std::string encodeBrowserAcceptance(std::string_view newCredential)
{
    nlohmann::json answer { { kAcceptedKey, true } };
    if (!newCredential.empty())
        answer[kCredentialKey] = std::string(newCredential);
    return nlohmann::json { { kAnswerKey, answer } }.dump();
}

std::string encodeBrowserPending(std::string_view verificationCode)
{
    return nlohmann::json {
        { kAnswerKey, { { kPendingKey, true }, { kVerificationCodeKey, verificationCode } } }
    }.dump();
}

std::string encodeBrowserRefusal(BrowserRefusal reason)
{
    const char* text = "declined";
    switch (reason) {
    case BrowserRefusal::Busy:
        text = "busy";
        break;
    case BrowserRefusal::Declined:
        text = "declined";
        break;
    case BrowserRefusal::ExpiredToken:
        text = "expired-token";
        break;
    case BrowserRefusal::UnknownCredential:
        text = "unknown-credential";
        break;
    }
    return nlohmann::json {
        { kAnswerKey, { { kAcceptedKey, false }, { kReasonKey, text } } }
    }.dump();
}

} // namespace kavora
