// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string_view>

namespace kavora {

// True when the text is exactly one user-perceived character (one extended grapheme cluster).
// Each byte that is not part of a well-formed UTF-8 sequence counts as one U+FFFD, so that any
// byte string can be measured. Its UTF-16 units come from utf16Units in core/Text.h.
bool isSingleCharacter(std::string_view utf8);

// The code points of UTF-8 text; a malformed byte reads as U+FFFD.
std::u32string codePoints(std::string_view utf8);

} // namespace kavora
