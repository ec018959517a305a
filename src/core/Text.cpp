// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/Text.h"

#include <algorithm>
#include <optional>

namespace kavora {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The Unicode space separators (general category Zs).
bool isSpaceSeparator(char32_t c)
{
    return c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F
        || c == 0x205F || c == 0x3000;
}

bool isLineBreak(char32_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isSpace(char32_t c)
{
    return c == '\t' || isSpaceSeparator(c);
}

bool isSpaceOrNewline(char32_t c)
{
    return isSpace(c) || isLineBreak(c);
}

// Characters that are never shown: controls, and the bidirectional formatting characters that
// reorder the text after them or set a direction without being seen themselves.
bool isHidden(char32_t c)
{
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    const bool embeddingOrOverride = c >= 0x202A && c <= 0x202E;
    const bool isolate = c >= 0x2066 && c <= 0x2069;
    const bool implicitMark = c == 0x200E || c == 0x200F || c == 0x061C;
    return control || embeddingOrOverride || isolate || implicitMark;
}

// The text between the first and the last character that `strip` does not take.
template <class Strip> std::string trimmed(std::string_view text, Strip strip)
{
    std::optional<std::size_t> begin;
    std::size_t end = 0;
    for (std::size_t at = 0; at < text.size();) {
        const auto [c, length] = decodeUtf8(text.substr(at));
        const auto step = std::max<std::size_t>(length, 1);
        if (length == 0 || !strip(c)) {
            if (!begin)
                begin = at;
            end = at + step;
        }
        at += step;
    }
    return begin ? std::string(text.substr(*begin, end - *begin)) : std::string();
}

} // namespace

Utf8Char decodeUtf8(std::string_view text)
{
    if (text.empty())
        return {};
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const auto lead = byte(0);
    if (lead < 0x80)
        return { lead, 1 };
    // The lead byte gives the length and the top bits. The range of the second byte rules out
    // overlong forms (after E0 and F0), surrogates (after ED) and code points above U+10FFFF
    // (after F4).
    std::size_t length = 0;
    char32_t value = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return {};
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return {};
    for (std::size_t i = 1; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return {};
        value = (value << 6) | (byte(i) & 0x3F);
    }
    return { value, length };
}

bool isValidUtf8(std::string_view text)
{
    while (!text.empty()) {
        const auto length = decodeUtf8(text).length;
        if (length == 0)
            return false;
        text.remove_prefix(length);
    }
    return true;
}

std::string truncateUtf8(std::string_view text, std::size_t maxBytes)
{
    std::string result;
    result.reserve(std::min(text.size(), maxBytes));
    while (!text.empty()) {
        const auto length = decodeUtf8(text).length;
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

char asciiLowercase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string latin1ToUtf8(std::string_view text)
{
    std::string utf8;
    utf8.reserve(text.size() * 2);
    for (const char c : text) {
        const auto code = static_cast<std::uint8_t>(c);
        if (code < 0x80) {
            utf8.push_back(c);
        } else {
            utf8.push_back(static_cast<char>(0xC0 | (code >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return utf8;
}

std::u16string utf16Units(std::string_view text)
{
    std::u16string units;
    units.reserve(text.size());
    while (!text.empty()) {
        auto [codePoint, length] = decodeUtf8(text);
        if (length == 0) {
            codePoint = kReplacementCharacter;
            length = 1;
        }
        text.remove_prefix(length);
        if (codePoint < 0x10000) {
            units.push_back(static_cast<char16_t>(codePoint));
        } else {
            const char32_t value = codePoint - 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
        }
    }
    return units;
}

std::string trimWhitespace(std::string_view text)
{
    return trimmed(text, isSpace);
}

std::string trimWhitespaceAndNewlines(std::string_view text)
{
    return trimmed(text, isSpaceOrNewline);
}

std::string safeText(std::string_view text, TextLimit limit)
{
    std::string shown;
    std::size_t characters = 0;
    bool afterBreak = false;
    while (!text.empty()) {
        auto [c, length] = decodeUtf8(text);
        if (length == 0) {
            text.remove_prefix(1);
            continue;
        }
        auto piece = text.substr(0, length);
        text.remove_prefix(length);
        if (c == '\t' || isLineBreak(c)) {
            if (afterBreak)
                continue;
            afterBreak = true;
            c = ' ';
            piece = " ";
        } else if (isHidden(c)) {
            continue;
        } else {
            afterBreak = false;
        }
        if (shown.empty() && isSpace(c))
            continue;
        const bool fits = limit.unit == TextLimit::Unit::Utf8Bytes
            ? shown.size() + piece.size() <= limit.count
            : characters < limit.count;
        if (!fits)
            break;
        shown.append(piece);
        ++characters;
    }
    return trimWhitespace(shown);
}

} // namespace kavora
