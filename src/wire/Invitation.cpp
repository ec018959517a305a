#include "wire/Invitation.h"

#include "core/Text.h"

#include <nlohmann/json.hpp>

#include <cstdint>

namespace kavora {

namespace {

constexpr const char* kInvitationKey = "invitation";
constexpr const char* kDisplayNameKey = "displayName";
constexpr const char* kAnswerKey = "invitationAnswer";
constexpr const char* kAcceptedKey = "accepted";

// The code point at the start of well-formed UTF-8 text and its length in bytes.
std::pair<char32_t, std::size_t> decodeCodePoint(std::string_view text)
{
    const auto lead = static_cast<std::uint8_t>(text[0]);
    std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t value = length == 1 ? lead
        : length == 2            ? (lead & 0x1F)
        : length == 3            ? (lead & 0x0F)
                                 : (lead & 0x07);
    for (std::size_t i = 1; i < length; ++i)
        value = (value << 6) | (static_cast<std::uint8_t>(text[i]) & 0x3F);
    return { value, length };
}

bool isHiddenControl(char32_t c)
{
    const bool c0OrC1 = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    const bool bidiControl = (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069)
        || c == 0x200E || c == 0x200F || c == 0x061C;
    const bool separator = c == 0x2028 || c == 0x2029;
    return c0OrC1 || bidiControl || separator;
}

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

std::string cleanPeerName(std::string_view name)
{
    // Unbounded input is first cut well past the limit, so the scan below stays short.
    const auto valid = truncateUtf8(name.substr(0, 16 * kMaxPeerDisplayNameBytes),
                                    16 * kMaxPeerDisplayNameBytes);
    std::string kept;
    std::string_view rest = valid;
    while (!rest.empty()) {
        const auto [codePoint, length] = decodeCodePoint(rest);
        if (!isHiddenControl(codePoint))
            kept.append(rest.substr(0, length));
        rest.remove_prefix(length);
    }
    return truncateUtf8(kept, kMaxPeerDisplayNameBytes);
}

std::string encodeInvitation(std::string_view displayName)
{
    return nlohmann::json {
        { kInvitationKey, { { kDisplayNameKey, cleanPeerName(displayName) } } }
    }.dump();
}

Result<std::string> decodeInvitation(std::string_view payload)
{
    const auto document = nlohmann::json::parse(payload, nullptr, false);
    const auto* invitation = member(document, kInvitationKey);
    if (!invitation)
        return Error { "not an invitation" };
    const auto name = invitation->find(kDisplayNameKey);
    if (name == invitation->end() || !name->is_string())
        return Error { "the invitation has no display name" };
    auto cleaned = cleanPeerName(name->get_ref<const std::string&>());
    if (cleaned.empty())
        return Error { "the invitation has an empty display name" };
    return cleaned;
}

std::string encodeInvitationAnswer(InvitationAnswer answer)
{
    return nlohmann::json {
        { kAnswerKey, { { kAcceptedKey, answer == InvitationAnswer::Accepted } } }
    }.dump();
}

Result<InvitationAnswer> decodeInvitationAnswer(std::string_view payload)
{
    const auto document = nlohmann::json::parse(payload, nullptr, false);
    const auto* answer = member(document, kAnswerKey);
    if (!answer)
        return Error { "not an invitation answer" };
    const auto accepted = answer->find(kAcceptedKey);
    if (accepted == answer->end() || !accepted->is_boolean())
        return Error { "the invitation answer has no accepted flag" };
    return accepted->get<bool>() ? InvitationAnswer::Accepted : InvitationAnswer::Declined;
}

} // namespace kavora
