// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/Base64.h"

#include <array>
#include <cstddef>

namespace kavora {
namespace {

constexpr std::string_view kAlphabet
    = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kInvalid = 0xFF;

constexpr std::array<std::uint8_t, 256> makeSextets()
{
    std::array<std::uint8_t, 256> table {};
    table.fill(kInvalid);
    for (std::size_t i = 0; i < kAlphabet.size(); ++i)
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::uint8_t>(i);
    return table;
}
constexpr auto kSextets = makeSextets();

std::uint8_t sextet(char c)
{
    return kSextets[static_cast<unsigned char>(c)];
}

} // namespace

std::string encodeBase64(const Bytes& bytes)
{
    std::string out;
    appendBase64(out, bytes);
    return out;
}

void appendBase64(std::string& out, const Bytes& bytes)
{
    const std::size_t start = out.size();
    out.resize(start + (bytes.size() + 2) / 3 * 4);
    char* cursor = out.data() + start;
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = (std::uint32_t { bytes[i] } << 16)
            | (std::uint32_t { bytes[i + 1] } << 8) | bytes[i + 2];
        *cursor++ = kAlphabet[(group >> 18) & 0x3F];
        *cursor++ = kAlphabet[(group >> 12) & 0x3F];
        *cursor++ = kAlphabet[(group >> 6) & 0x3F];
        *cursor++ = kAlphabet[group & 0x3F];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest == 0)
        return;
    const std::uint32_t group = (std::uint32_t { bytes[i] } << 16)
        | (rest == 2 ? std::uint32_t { bytes[i + 1] } << 8 : 0U);
    *cursor++ = kAlphabet[(group >> 18) & 0x3F];
    *cursor++ = kAlphabet[(group >> 12) & 0x3F];
    *cursor++ = rest == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=';
    *cursor = '=';
}

std::optional<Bytes> decodeBase64(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=')
        padding = text[text.size() - 2] == '=' ? 2 : 1;

    Bytes bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const std::size_t digits = last ? 4 - padding : 4;
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            std::uint8_t value = 0;
            if (k < digits) {
                value = sextet(text[i + k]);
                if (value == kInvalid)
                    return std::nullopt;
            }
            group = (group << 6) | value;
        }
        // Two digits carry one byte and three carry two; the bits left over must be zero, so
        // that every byte sequence has exactly one accepted text.
        if ((digits == 2 && (group & 0xFFFF) != 0) || (digits == 3 && (group & 0xFF) != 0))
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(group >> 16));
        if (digits >= 3)
            bytes.push_back(static_cast<std::uint8_t>(group >> 8));
        if (digits == 4)
            bytes.push_back(static_cast<std::uint8_t>(group));
    }
    return bytes;
}

std::string encodeBase64Url(const Bytes& bytes)
{
    auto text = encodeBase64(bytes);
    while (!text.empty() && text.back() == '=')
        text.pop_back();
    for (auto& c : text)
        c = c == '+' ? '-' : (c == '/' ? '_' : c);
    return text;
}

std::optional<Bytes> decodeBase64Url(std::string_view text)
{
    std::string standard;
    standard.reserve(text.size() + 2);
    for (const char c : text) {
        // The standard alphabet's own two are not part of this one.
        if (c == '+' || c == '/' || c == '=')
            return std::nullopt;
        standard.push_back(c == '-' ? '+' : (c == '_' ? '/' : c));
    }
    if (standard.size() % 4 == 1)
        return std::nullopt;
    while (standard.size() % 4 != 0)
        standard.push_back('=');
    return decodeBase64(standard);
}

} // namespace kavora
