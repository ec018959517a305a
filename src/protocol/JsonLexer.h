// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

// Reads one JSON text token by token, straight from its bytes, and accepts exactly what
// parseJson accepts: RFC 8259 with an optional UTF-8 byte order mark at the very start, strings
// of well-formed UTF-8 whose escapes are valid (a high surrogate only before a low one), numbers
// whose value fits a double, no NUL byte anywhere. Nothing is allocated while reading: a string
// is checked in place and decoded only when asked for, and a number is converted only when
// asked for.
class JsonLexer {
public:
    enum class Token : std::uint8_t {
        BeginObject,
        EndObject,
        BeginArray,
        EndArray,
        NameSeparator,
        ValueSeparator,
        String,
        Number,
        True,
        False,
        Null,
        End,
        Invalid, // the text is not JSON; every later token is Invalid too
    };

    explicit JsonLexer(std::string_view text);

    Token next();
    // The bytes of the last token: a string's between its quotes, escapes as written; a number's
    // as written.
    std::string_view text() const { return text_.substr(begin_, end_ - begin_); }
    // Where the last token begins and ends in the whole text (a string's quotes included).
    std::size_t tokenBegin() const { return begin_ - (token_ == Token::String ? 1 : 0); }
    std::size_t tokenEnd() const { return position_; }

    // After a String token.
    bool stringHasEscapes() const { return escaped_; }
    // After a Number token: written without a fraction or an exponent, and within the 64-bit
    // range of its sign (a negative one as a signed, else as an unsigned integer). Such a number
    // is kept exactly; any other is read as the nearest double.
    bool isExactInteger() const { return exactInteger_; }
    // Only for exact integers: the value, negative when the literal has a minus sign ("-0" is 0).
    bool isNegative() const { return negative_; }
    std::uint64_t magnitude() const { return magnitude_; }
    // The number's value, exact integers converted to the nearest double.
    double number() const;

    // Skips the value that begins with `first` (a token just read), nested values included,
    // without recursion. False when the text is not JSON there.
    bool skipValue(Token first);

private:
    Token fail();
    Token scanString();
    Token scanNumber();
    Token scanLiteral(std::string_view literal, Token token);
    bool scanEscape();
    bool scanUtf8(unsigned char lead);
    bool numberOverflows() const;
    // The next byte, or -1 at the end of the text.
    int peek() const;

    std::string_view text_;
    std::size_t position_ = 0;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    Token token_ = Token::End;
    bool escaped_ = false;
    bool exactInteger_ = false;
    bool negative_ = false;
    std::uint64_t magnitude_ = 0;
    // Digits before the point and the written exponent, to tell cheaply whether the value can
    // exceed the double range.
    std::size_t integerDigits_ = 0;
    std::int64_t exponent_ = 0;
};

// Decodes the text of a String token (its escapes) onto the end of out.
void appendJsonString(std::string_view raw, std::string& out);

// Whether the text of a String token decodes to exactly `expected`, without allocating.
bool jsonStringEquals(std::string_view raw, bool hasEscapes, std::string_view expected);

} // namespace kavora
