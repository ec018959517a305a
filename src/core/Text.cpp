#include "core/Text.h"

#include <algorithm>
#include <cstdint>

namespace kavora {

std::size_t utf8SequenceLength(std::string_view text)
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

std::string truncateUtf8(std::string_view text, std::size_t maxBytes)
{
    std::string result;
    result.reserve(std::min(text.size(), maxBytes));
    while (!text.empty()) {
        const auto length = utf8SequenceLength(text);
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
