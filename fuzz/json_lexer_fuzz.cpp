// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Reads arbitrary bytes with JsonLexer and with the document parser: both must accept exactly the
// same texts, and a text that is one number or one string must read as the same value. Any
// difference aborts.

#include "core/Json.h"
#include "protocol/JsonLexer.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using Token = kavora::JsonLexer::Token;

[[noreturn]] void fail(const char* what, std::string_view input)
{
    std::fprintf(stderr, "json_lexer_fuzz: %s: %.*s\n", what, static_cast<int>(input.size()),
                 input.data());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    kavora::JsonLexer lexer(input);
    const Token first = lexer.next();
    kavora::JsonLexer atFirst = lexer;
    const bool accepted = lexer.skipValue(first) && lexer.next() == Token::End;
    const auto document = kavora::parseJson(input);
    if (accepted == document.is_discarded())
        fail(accepted ? "accepted what the parser refuses" : "refused what the parser accepts",
             input);
    if (!accepted)
        return 0;
    if (document.is_number()) {
        const double expected = document.get<double>();
        if (atFirst.isExactInteger() != document.is_number_integer() || atFirst.number() != expected
            || std::signbit(atFirst.number()) != std::signbit(expected))
            fail("a number reads differently", input);
    }
    if (document.is_string()) {
        std::string text;
        kavora::appendJsonString(atFirst.text(), text);
        if (text != document.get_ref<const std::string&>())
            fail("a string reads differently", input);
    }
    return 0;
}
