// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "input/TextUnits.h"

#include "core/Text.h"

#include <utf8proc.h>

namespace kavora {
namespace {

constexpr utf8proc_int32_t kReplacement = 0xFFFD;

// Decodes the code point at offset and moves offset past it; a malformed byte reads as U+FFFD
// and is skipped alone, so that the next byte starts afresh.
utf8proc_int32_t nextCodePoint(std::string_view text, std::size_t& offset)
{
    const auto [codePoint, length] = decodeUtf8(text.substr(offset));
    if (length == 0) {
        ++offset;
        return kReplacement;
    }
    offset += length;
    return static_cast<utf8proc_int32_t>(codePoint);
}

} // namespace

bool isSingleCharacter(std::string_view utf8)
{
    if (utf8.empty())
        return false;
    std::size_t offset = 0;
    auto previous = nextCodePoint(utf8, offset);
    // The break state carries what the pairwise rules cannot see: regional-indicator parity and
    // emoji zero-width-joiner sequences.
    utf8proc_int32_t state = 0;
    while (offset < utf8.size()) {
        const auto current = nextCodePoint(utf8, offset);
        if (utf8proc_grapheme_break_stateful(previous, current, &state))
            return false;
        previous = current;
    }
    return true;
}

std::u32string codePoints(std::string_view utf8)
{
    std::u32string result;
    for (std::size_t offset = 0; offset < utf8.size();)
        result.push_back(static_cast<char32_t>(nextCodePoint(utf8, offset)));
    return result;
}

} // namespace kavora
