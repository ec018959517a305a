#include "link/PeerDisplayName.h"

#include "platform/HostNames.h"

#include <algorithm>
#include <cstdint>

namespace kavora {

namespace {

constexpr std::string_view kPeerNameSuffix = "-Mac";
constexpr std::string_view kFallbackComputerName = "Mac";

// The length of the well-formed UTF-8 sequence at the start of text, or 0 when it is not one
// (overlong forms, surrogates and code points above U+10FFFF included).
std::size_t sequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const auto lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

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

std::string truncateUtf8(std::string_view text, std::size_t maxBytes)
{
    std::string result;
    result.reserve(std::min(text.size(), maxBytes));
    while (!text.empty()) {
        const auto length = sequenceLength(text);
        if (length == 0) {
            text.remove_prefix(1);
            continue;
        }
        if (result.size() + length > maxBytes)
            break;
        result.append(text.substr(0, length));
        text.remove_prefix(length);
    }
    return result;
}

} // namespace kavora
