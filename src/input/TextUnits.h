#pragma once

#include <string>
#include <string_view>

namespace kavora {

// Text as the keyboard sees it. Bytes that are not well-formed UTF-8 each read as U+FFFD, so that
// any byte string can be measured and typed.

// The UTF-16 code units of the text, in order.
std::u16string utf16Units(std::string_view utf8);

// True when the text is exactly one user-perceived character (one extended grapheme cluster).
bool isSingleCharacter(std::string_view utf8);

} // namespace kavora
