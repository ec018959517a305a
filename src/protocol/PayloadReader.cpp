// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "protocol/PayloadReader.h"

#include <cmath>
#include <limits>
#include <utility>

namespace kavora {
namespace {

using Token = JsonLexer::Token;

// The smallest magnitude that rounds to infinity as a float: FLT_MAX plus half its last place.
constexpr double kFloatOverflow = 0x1.ffffffp+127;
constexpr float kFloatMax = std::numeric_limits<float>::max();

// The nearest float when that is finite (a value just past the largest float still rounds to
// it), else nothing.
std::optional<float> toFloat32(double number)
{
    // The lexer refuses numbers past the double range; NaN cannot be written in JSON at all.
    if (!std::isfinite(number) || std::fabs(number) >= kFloatOverflow)
        return std::nullopt;
    // Between FLT_MAX and the overflow bound the value rounds to FLT_MAX; say so explicitly.
    if (std::fabs(number) > kFloatMax)
        return number > 0 ? kFloatMax : -kFloatMax;
    return static_cast<float>(number);
}

// An integer literal's value when it lies in [min, max]; numbers with a fraction or an exponent
// are not integers here, as in FieldReader.
std::optional<std::int64_t> exactInteger(const JsonLexer& number, std::int64_t min,
                                         std::int64_t max)
{
    if (!number.isExactInteger())
        return std::nullopt;
    const std::uint64_t magnitude = number.magnitude();
    if (!number.isNegative()) {
        if (magnitude > static_cast<std::uint64_t>(max))
            return std::nullopt;
        return static_cast<std::int64_t>(magnitude);
    }
    // Two's complement: −2⁶³ has no positive twin to negate.
    const auto value = static_cast<std::int64_t>(~magnitude + 1);
    if (value < min)
        return std::nullopt;
    return value;
}

} // namespace

PayloadReader::PayloadReader(std::string_view payload)
    : payload_(payload)
{
}

void PayloadReader::fail(std::string_view key, std::string_view problem)
{
    failWith(std::string(key) + ": " + std::string(problem));
}

void PayloadReader::failWith(std::string description)
{
    if (!error_)
        error_ = std::move(description);
}

std::optional<PayloadReader::Member> PayloadReader::optional(std::string_view key)
{
    if (error_)
        return std::nullopt;
    // Valid JSON by contract: an object of name, separator and value, members apart by commas.
    JsonLexer lexer(payload_);
    std::optional<Member> found;
    if (lexer.next() != Token::BeginObject)
        return std::nullopt;
    Token token = lexer.next();
    while (token == Token::String) {
        const bool named = jsonStringEquals(lexer.text(), lexer.stringHasEscapes(), key);
        lexer.next();
        const Token valueToken = lexer.next();
        const JsonLexer atValue = lexer;
        const std::size_t begin = lexer.tokenBegin();
        if (!lexer.skipValue(valueToken))
            return std::nullopt;
        if (named)
            found
                = Member { atValue, valueToken, payload_.substr(begin, lexer.tokenEnd() - begin) };
        if (lexer.next() != Token::ValueSeparator)
            break;
        token = lexer.next();
    }
    if (found && found->token == Token::Null)
        return std::nullopt;
    return found;
}

std::optional<PayloadReader::Member> PayloadReader::required(std::string_view key)
{
    if (error_)
        return std::nullopt;
    auto member = optional(key);
    if (!member)
        fail(key, "missing or null");
    return member;
}

float PayloadReader::float32(std::string_view key)
{
    const auto member = required(key);
    if (!member)
        return 0;
    const auto number
        = member->token == Token::Number ? toFloat32(member->value.number()) : std::nullopt;
    if (!number)
        fail(key, "expected a number within the float32 range");
    return number.value_or(0);
}

std::uint8_t PayloadReader::uint8(std::string_view key)
{
    const auto member = required(key);
    if (!member)
        return 0;
    const auto number = member->token == Token::Number
        ? exactInteger(member->value, 0, std::numeric_limits<std::uint8_t>::max())
        : std::nullopt;
    if (!number)
        fail(key, "expected an integer from 0 to 255");
    return static_cast<std::uint8_t>(number.value_or(0));
}

std::int64_t PayloadReader::int64(std::string_view key)
{
    const auto member = required(key);
    if (!member)
        return 0;
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    const auto number
        = member->token == Token::Number ? exactInteger(member->value, min, max) : std::nullopt;
    if (!number)
        fail(key, "expected an integer in the signed 64-bit range");
    return number.value_or(0);
}

bool PayloadReader::boolean(std::string_view key)
{
    const auto member = required(key);
    if (!member)
        return false;
    if (member->token != Token::True && member->token != Token::False) {
        fail(key, "expected true or false");
        return false;
    }
    return member->token == Token::True;
}

std::string PayloadReader::string(std::string_view key)
{
    const auto member = required(key);
    if (!member)
        return {};
    if (member->token != Token::String) {
        fail(key, "expected a string");
        return {};
    }
    std::string text;
    appendJsonString(member->value.text(), text);
    return text;
}

std::optional<std::string> PayloadReader::optionalString(std::string_view key)
{
    const auto member = optional(key);
    if (!member)
        return std::nullopt;
    if (member->token != Token::String) {
        fail(key, "expected a string");
        return std::nullopt;
    }
    std::string text;
    appendJsonString(member->value.text(), text);
    return text;
}

} // namespace kavora
