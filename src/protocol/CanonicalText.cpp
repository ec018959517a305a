// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "protocol/CanonicalText.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

namespace kavora {
namespace {

struct FreeDeleter {
    void operator()(utf8proc_uint8_t* p) const { std::free(p); }
};

// The canonical decomposition of text. Text that is not valid UTF-8 has none and stands for
// itself: its bytes never equal a decomposition, which is always valid UTF-8.
std::string decomposed(std::string_view text)
{
    utf8proc_uint8_t* raw = nullptr;
    // An explicit length (no UTF8PROC_NULLTERM) keeps U+0000 inside the text.
    const auto length
        = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                       static_cast<utf8proc_ssize_t>(text.size()), &raw,
                       static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_DECOMPOSE));
    const std::unique_ptr<utf8proc_uint8_t, FreeDeleter> owner(raw);
    if (length < 0)
        return std::string(text);
    return { reinterpret_cast<const char*>(raw), static_cast<std::size_t>(length) };
}

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

bool canonicallyEqual(std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    // ASCII text is its own decomposition, so different ASCII texts are never equivalent.
    if (isAscii(a) && isAscii(b))
        return false;
    return decomposed(a) == decomposed(b);
}

} // namespace kavora
