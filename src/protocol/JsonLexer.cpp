// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "protocol/JsonLexer.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kavora {
namespace {

using Token = JsonLexer::Token;

// Written without an exponent, a value with at most this many digits before the point is below
// the largest double, whatever its fraction.
constexpr std::int64_t kSafeDecimalDigits = 308;
// Exponents are counted up to this, which is far past any that matters.
constexpr std::int64_t kExponentCap = 1'000'000;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Four hex digits at `at`, or -1.
int codeUnit(std::string_view text, std::size_t at)
{
    if (at > text.size() || text.size() - at < 4)
        return -1;
    int unit = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const int digit = hexDigit(text[at + i]);
        if (digit < 0)
            return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

bool isHighSurrogate(int unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(int unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// strtod in the C locale: what the document parser gets from strtod, whose decimal point it
// adapts to the locale. Only for the rare numbers from_chars reports out of range, whose
// rounding to zero or to infinity strtod decides.
double strtodC(std::string_view number)
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    const std::string terminated(number);
    return strtod_l(terminated.c_str(), nullptr, c);
}

// Calls emit(codepoint) for each character of a String token's text, escapes decoded; the text
// has been checked by the lexer, so every escape is complete.
template <class Emit> void decodeString(std::string_view raw, Emit emit)
{
    std::size_t i = 0;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c != '\\') {
            emit(static_cast<unsigned char>(c), true);
            ++i;
            continue;
        }
        const char kind = raw[i + 1];
        i += 2;
        switch (kind) {
        case 'b':
            emit('\b', true);
            break;
        case 'f':
            emit('\f', true);
            break;
        case 'n':
            emit('\n', true);
            break;
        case 'r':
            emit('\r', true);
            break;
        case 't':
            emit('\t', true);
            break;
        case 'u': {
            auto codepoint = static_cast<std::uint32_t>(codeUnit(raw, i));
            i += 4;
            if (isHighSurrogate(static_cast<int>(codepoint))) {
                const auto low = static_cast<std::uint32_t>(codeUnit(raw, i + 2));
                i += 6;
                codepoint = 0x10000 + ((codepoint - 0xD800) << 10) + (low - 0xDC00);
            }
            emit(codepoint, false);
            break;
        }
        default: // '"', '\\' and '/' stand for themselves
            emit(static_cast<unsigned char>(kind), true);
        }
    }
}

// The UTF-8 bytes of a codepoint, or a raw byte of the text as it is.
template <class Put> void putCodepoint(std::uint32_t codepoint, bool rawByte, Put put)
{
    if (rawByte || codepoint < 0x80) {
        put(static_cast<char>(codepoint));
    } else if (codepoint < 0x800) {
        put(static_cast<char>(0xC0 | (codepoint >> 6)));
        put(static_cast<char>(0x80 | (codepoint & 0x3F)));
    } else if (codepoint < 0x10000) {
        put(static_cast<char>(0xE0 | (codepoint >> 12)));
        put(static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F)));
        put(static_cast<char>(0x80 | (codepoint & 0x3F)));
    } else {
        put(static_cast<char>(0xF0 | (codepoint >> 18)));
        put(static_cast<char>(0x80 | ((codepoint >> 12) & 0x3F)));
        put(static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F)));
        put(static_cast<char>(0x80 | (codepoint & 0x3F)));
    }
}

// Whether each open container is an object, innermost last: a few hundred levels in place, more
// (which no message needs, but a peer may send) on the heap.
class Nesting {
public:
    void push(bool object)
    {
        if (depth_ < kInline) {
            const auto bit = std::uint64_t(1) << (depth_ % 64);
            auto& word = inline_[depth_ / 64];
            word = object ? word | bit : word & ~bit;
        } else {
            spilled_.push_back(object);
        }
        ++depth_;
    }
    void pop()
    {
        --depth_;
        if (depth_ >= kInline)
            spilled_.pop_back();
    }
    bool empty() const { return depth_ == 0; }
    bool inObject() const
    {
        const std::size_t top = depth_ - 1;
        return top < kInline ? (inline_[top / 64] >> (top % 64)) & 1 : spilled_.back();
    }

private:
    static constexpr std::size_t kInline = 256;
    std::array<std::uint64_t, kInline / 64> inline_ {};
    std::vector<bool> spilled_;
    std::size_t depth_ = 0;
};

} // namespace

JsonLexer::JsonLexer(std::string_view text)
    : text_(text)
{
    // A byte order mark is allowed before the value, and only a whole one.
    if (!text_.empty() && static_cast<unsigned char>(text_[0]) == 0xEF) {
        if (text_.substr(0, 3) != "\xEF\xBB\xBF")
            token_ = Token::Invalid;
        position_ = 3;
    }
}

int JsonLexer::peek() const
{
    return position_ < text_.size() ? static_cast<unsigned char>(text_[position_]) : -1;
}

JsonLexer::Token JsonLexer::fail()
{
    token_ = Token::Invalid;
    return token_;
}

JsonLexer::Token JsonLexer::next()
{
    if (token_ == Token::Invalid)
        return token_;
    while (position_ < text_.size()) {
        const char c = text_[position_];
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            break;
        ++position_;
    }
    begin_ = position_;
    if (position_ == text_.size()) {
        end_ = position_;
        token_ = Token::End;
        return token_;
    }
    const char c = text_[position_++];
    end_ = position_;
    switch (c) {
    case '{':
        return token_ = Token::BeginObject;
    case '}':
        return token_ = Token::EndObject;
    case '[':
        return token_ = Token::BeginArray;
    case ']':
        return token_ = Token::EndArray;
    case ':':
        return token_ = Token::NameSeparator;
    case ',':
        return token_ = Token::ValueSeparator;
    case '"':
        return scanString();
    case 't':
        return scanLiteral("true", Token::True);
    case 'f':
        return scanLiteral("false", Token::False);
    case 'n':
        return scanLiteral("null", Token::Null);
    default:
        if (c == '-' || (c >= '0' && c <= '9')) {
            --position_;
            return scanNumber();
        }
        return fail();
    }
}

JsonLexer::Token JsonLexer::scanLiteral(std::string_view literal, Token token)
{
    if (text_.substr(begin_, literal.size()) != literal)
        return fail();
    position_ = end_ = begin_ + literal.size();
    return token_ = token;
}

JsonLexer::Token JsonLexer::scanString()
{
    begin_ = position_;
    escaped_ = false;
    while (position_ < text_.size()) {
        const auto c = static_cast<unsigned char>(text_[position_]);
        if (c == '"') {
            end_ = position_++;
            return token_ = Token::String;
        }
        if (c == '\\') {
            escaped_ = true;
            if (!scanEscape())
                return fail();
        } else if (c >= 0x20 && c < 0x80) {
            ++position_;
        } else if (c < 0x20 || !scanUtf8(c)) {
            return fail(); // control characters, NUL included, must be escaped
        }
    }
    return fail(); // no closing quote
}

bool JsonLexer::scanEscape()
{
    // At the backslash.
    if (text_.size() - position_ < 2)
        return false;
    const char kind = text_[position_ + 1];
    position_ += 2;
    switch (kind) {
    case '"':
    case '\\':
    case '/':
    case 'b':
    case 'f':
    case 'n':
    case 'r':
    case 't':
        return true;
    case 'u':
        break;
    default:
        return false;
    }
    const int unit = codeUnit(text_, position_);
    if (unit < 0 || isLowSurrogate(unit))
        return false;
    position_ += 4;
    if (!isHighSurrogate(unit))
        return true;
    // A high surrogate must be followed by an escaped low one.
    if (text_.substr(position_, 2) != "\\u")
        return false;
    const int low = codeUnit(text_, position_ + 2);
    if (!isLowSurrogate(low))
        return false;
    position_ += 6;
    return true;
}

bool JsonLexer::scanUtf8(unsigned char lead)
{
    // The continuation bytes' ranges, per lead byte, that make well-formed UTF-8 (RFC 3629): no
    // overlong forms, no surrogates, nothing past U+10FFFF.
    struct Range {
        unsigned char low;
        unsigned char high;
    };
    constexpr Range any { 0x80, 0xBF };
    std::array<Range, 3> ranges {};
    std::size_t count = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        ranges = { any }, count = 1;
    else if (lead == 0xE0)
        ranges = { Range { 0xA0, 0xBF }, any }, count = 2;
    else if ((lead >= 0xE1 && lead <= 0xEC) || lead == 0xEE || lead == 0xEF)
        ranges = { any, any }, count = 2;
    else if (lead == 0xED)
        ranges = { Range { 0x80, 0x9F }, any }, count = 2;
    else if (lead == 0xF0)
        ranges = { Range { 0x90, 0xBF }, any, any }, count = 3;
    else if (lead >= 0xF1 && lead <= 0xF3)
        ranges = { any, any, any }, count = 3;
    else if (lead == 0xF4)
        ranges = { Range { 0x80, 0x8F }, any, any }, count = 3;
    else
        return false;
    ++position_;
    for (std::size_t i = 0; i < count; ++i) {
        const int byte = peek();
        if (byte < ranges[i].low || byte > ranges[i].high)
            return false;
        ++position_;
    }
    return true;
}

JsonLexer::Token JsonLexer::scanNumber()
{
    begin_ = position_;
    negative_ = false;
    magnitude_ = 0;
    integerDigits_ = 0;
    exponent_ = 0;
    bool fits = true;
    const auto isDigit = [this] {
        const int c = peek();
        return c >= '0' && c <= '9';
    };

    if (peek() == '-') {
        negative_ = true;
        ++position_;
    }
    if (!isDigit())
        return fail();
    if (peek() == '0') {
        ++position_;
        integerDigits_ = 1;
    } else {
        while (isDigit()) {
            const auto digit = static_cast<std::uint64_t>(peek() - '0');
            constexpr auto max = std::numeric_limits<std::uint64_t>::max();
            if (magnitude_ > (max - digit) / 10)
                fits = false;
            else
                magnitude_ = magnitude_ * 10 + digit;
            ++integerDigits_;
            ++position_;
        }
    }
    bool integer = true;
    if (peek() == '.') {
        integer = false;
        ++position_;
        if (!isDigit())
            return fail();
        while (isDigit())
            ++position_;
    }
    if (peek() == 'e' || peek() == 'E') {
        integer = false;
        ++position_;
        bool negativeExponent = false;
        if (peek() == '+' || peek() == '-') {
            negativeExponent = peek() == '-';
            ++position_;
        }
        if (!isDigit())
            return fail();
        while (isDigit()) {
            exponent_ = std::min(exponent_ * 10 + (peek() - '0'), kExponentCap);
            ++position_;
        }
        if (negativeExponent)
            exponent_ = -exponent_;
    }
    end_ = position_;
    // A negative integer literal is exact down to −2⁶³.
    constexpr auto signedLimit = std::uint64_t(1) << 63;
    exactInteger_ = integer && fits && (!negative_ || magnitude_ <= signedLimit);
    token_ = Token::Number;
    // The document parser refuses a number whose nearest double is infinite.
    if (numberOverflows())
        return fail();
    return token_;
}

bool JsonLexer::numberOverflows() const
{
    if (exactInteger_)
        return false;
    if (static_cast<std::int64_t>(integerDigits_) + exponent_ <= kSafeDecimalDigits)
        return false;
    return !std::isfinite(number());
}

double JsonLexer::number() const
{
    if (exactInteger_) {
        if (!negative_)
            return static_cast<double>(magnitude_);
        // Through the signed type, as an integer literal is held: −2⁶³ has no positive twin.
        return static_cast<double>(static_cast<std::int64_t>(~magnitude_ + 1));
    }
    const auto written = text();
    double value = 0;
    const auto [end, error]
        = std::from_chars(written.data(), written.data() + written.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range)
        return strtodC(written);
    return value;
}

bool JsonLexer::skipValue(Token first)
{
    Nesting nesting;
    Token token = first;
    // Within an object, `token` must be a member's name followed by its separator; then the
    // token after them begins the value.
    const auto member = [this, &token] {
        if (token != Token::String || next() != Token::NameSeparator)
            return false;
        token = next();
        return true;
    };
    while (true) {
        // `token` begins a value.
        switch (token) {
        case Token::BeginObject:
            token = next();
            if (token == Token::EndObject)
                break;
            nesting.push(true);
            if (!member())
                return false;
            continue;
        case Token::BeginArray:
            token = next();
            if (token == Token::EndArray)
                break;
            nesting.push(false);
            continue;
        case Token::String:
        case Token::Number:
        case Token::True:
        case Token::False:
        case Token::Null:
            break;
        default:
            return false;
        }
        // A value is complete: close what it completes, up to the next value.
        while (true) {
            if (nesting.empty())
                return true;
            token = next();
            const bool inObject = nesting.inObject();
            if (token == Token::ValueSeparator) {
                token = next();
                if (inObject && !member())
                    return false;
                break;
            }
            if (token != (inObject ? Token::EndObject : Token::EndArray))
                return false;
            nesting.pop();
        }
    }
}

void appendJsonString(std::string_view raw, std::string& out)
{
    out.reserve(out.size() + raw.size());
    decodeString(raw, [&out](std::uint32_t codepoint, bool rawByte) {
        putCodepoint(codepoint, rawByte, [&out](char c) { out.push_back(c); });
    });
}

bool jsonStringEquals(std::string_view raw, bool hasEscapes, std::string_view expected)
{
    if (!hasEscapes)
        return raw == expected;
    std::size_t matched = 0;
    bool equal = true;
    decodeString(raw, [&](std::uint32_t codepoint, bool rawByte) {
        putCodepoint(codepoint, rawByte, [&](char c) {
            equal = equal && matched < expected.size() && expected[matched] == c;
            ++matched;
        });
    });
    return equal && matched == expected.size();
}

} // namespace kavora
