// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavora {

// UTF-8 text, and the one rule for text from a peer or a web page that is shown to the user.
//
// A well-formed UTF-8 sequence is the shortest encoding of a code point up to U+10FFFF that is
// not a surrogate (RFC 3629). Bytes that are not part of one are malformed; each function says
// what it does with them.

// One decoded character: its code point and the length of its sequence in bytes.
struct Utf8Char {
    char32_t codePoint = 0;
    std::size_t length = 0; // 0: the text is empty or does not start with a well-formed sequence
};

// The character at the start of text.
Utf8Char decodeUtf8(std::string_view text);

bool isValidUtf8(std::string_view text);

// The longest prefix of text that is at most maxBytes long and ends on a character boundary.
// Malformed bytes are dropped first, so the result is always valid UTF-8.
std::string truncateUtf8(std::string_view text, std::size_t maxBytes);

// The byte with an ASCII capital letter made small; any other byte as it is.
char asciiLowercase(char c);

// ISO Latin-1 text as UTF-8: every byte is the code point of the same value.
std::string latin1ToUtf8(std::string_view text);

// The UTF-16 code units of the text, in order. Each malformed byte reads as U+FFFD, so that any
// byte string can be measured and typed.
std::u16string utf16Units(std::string_view text);

// Trims tabs and the Unicode space separators (Zs) at both ends; line breaks stay. Malformed
// bytes count as text.
std::string trimWhitespace(std::string_view text);
// Trims tabs, space separators and line breaks (LF, VT, FF, CR, NEL, U+2028, U+2029) at both
// ends. Malformed bytes count as text.
std::string trimWhitespaceAndNewlines(std::string_view text);

// The most a shown text may hold: bytes of UTF-8 for a field of fixed size, or characters
// (Unicode code points).
struct TextLimit {
    enum class Unit : std::uint8_t { Utf8Bytes, Characters };
    Unit unit = Unit::Utf8Bytes;
    std::size_t count = 0;

    static constexpr TextLimit bytes(std::size_t count) { return { Unit::Utf8Bytes, count }; }
    static constexpr TextLimit characters(std::size_t count) { return { Unit::Characters, count }; }
};

// A text that a peer or a web page supplied, made safe to show in a one-line label as plain text
// (peer display names, page titles, the names of favourite sites):
//  - malformed bytes are removed;
//  - C0 and C1 control characters, the bidirectional embeddings, overrides and isolates
//    (U+202A-U+202E, U+2066-U+2069) and the implicit marks LRM, RLM and ALM are removed, so that
//    nothing invisible reorders or hides what is shown;
//  - a tab or line break (LF, VT, FF, CR, NEL, U+2028, U+2029), or a run of them, becomes one
//    space: a name or title is one line, and its words stay apart;
//  - whitespace at both ends is trimmed, and the rest is cut at a character boundary to the
//    limit.
// Empty when nothing visible is left. Applying the rule twice changes nothing.
std::string safeText(std::string_view text, TextLimit limit);

} // namespace kavora
