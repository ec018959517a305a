#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kavora {

// The length of the well-formed UTF-8 sequence at the start of text, or 0 when it is not one
// (overlong forms, surrogates and code points above U+10FFFF included).
std::size_t utf8SequenceLength(std::string_view text);

// The longest prefix of text that is at most maxBytes long and ends on a character boundary.
// Bytes that are not well-formed UTF-8 are dropped first, so the result is always valid UTF-8.
std::string truncateUtf8(std::string_view text, std::size_t maxBytes);

} // namespace kavora
