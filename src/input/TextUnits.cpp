#include "input/TextUnits.h"

#include <utf8proc.h>

namespace kavora {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes the code point at offset and moves offset past it; an ill-formed byte reads as U+FFFD
// and is skipped alone, so that the next byte starts afresh.
char32_t nextCodePoint(std::string_view text, std::size_t& offset)
{
    utf8proc_int32_t codePoint = 0;
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data() + offset);
    const auto length
        = utf8proc_iterate(bytes, static_cast<utf8proc_ssize_t>(text.size() - offset), &codePoint);
    if (length <= 0 || codePoint < 0) {
        ++offset;
        return kReplacement;
    }
    offset += static_cast<std::size_t>(length);
    return static_cast<char32_t>(codePoint);
}

} // namespace

std::u16string utf16Units(std::string_view utf8)
{
    std::u16string units;
    units.reserve(utf8.size());
    for (std::size_t offset = 0; offset < utf8.size();) {
        const char32_t codePoint = nextCodePoint(utf8, offset);
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

bool isSingleCharacter(std::string_view utf8)
{
    if (utf8.empty())
        return false;
    std::size_t offset = 0;
    auto previous = static_cast<utf8proc_int32_t>(nextCodePoint(utf8, offset));
    // The break state carries what the pairwise rules cannot see: regional-indicator parity and
    // emoji zero-width-joiner sequences.
    utf8proc_int32_t state = 0;
    while (offset < utf8.size()) {
        const auto current = static_cast<utf8proc_int32_t>(nextCodePoint(utf8, offset));
        if (utf8proc_grapheme_break_stateful(previous, current, &state))
            return false;
        previous = current;
    }
    return true;
}

} // namespace kavora
