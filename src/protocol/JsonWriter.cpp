// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "protocol/JsonWriter.h"

#include "core/Base64.h"
#include "core/Text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>

namespace kavora {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

bool needsEscape(unsigned char c)
{
    return c < 0x20 || c == '"' || c == '\\' || c >= 0x80;
}

} // namespace

void JsonWriter::beginValue()
{
    if (afterValue_)
        text_ += ',';
    afterValue_ = false;
}

JsonWriter& JsonWriter::beginObject()
{
    beginValue();
    text_ += '{';
    return *this;
}

JsonWriter& JsonWriter::endObject()
{
    text_ += '}';
    afterValue_ = true;
    return *this;
}

JsonWriter& JsonWriter::beginArray()
{
    beginValue();
    text_ += '[';
    return *this;
}

JsonWriter& JsonWriter::endArray()
{
    text_ += ']';
    afterValue_ = true;
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name)
{
    string(name);
    text_ += ':';
    afterValue_ = false;
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view text)
{
    beginValue();
    text_ += '"';
    appendEscaped(text);
    text_ += '"';
    afterValue_ = true;
    return *this;
}

void JsonWriter::appendEscaped(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        // Copy the longest run that needs no attention in one step.
        std::size_t run = i;
        while (run < text.size() && !needsEscape(static_cast<unsigned char>(text[run])))
            ++run;
        text_.append(text, i, run - i);
        i = run;
        if (i == text.size())
            break;

        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = decodeUtf8(text.substr(i)).length;
            if (length == 0) {
                text_ += kReplacementCharacter;
                ++i;
            } else {
                text_.append(text, i, length);
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"':
            text_ += "\\\"";
            break;
        case '\\':
            text_ += "\\\\";
            break;
        case '\b':
            text_ += "\\b";
            break;
        case '\f':
            text_ += "\\f";
            break;
        case '\n':
            text_ += "\\n";
            break;
        case '\r':
            text_ += "\\r";
            break;
        case '\t':
            text_ += "\\t";
            break;
        default: {
            constexpr std::string_view kHex = "0123456789abcdef";
            const std::array<char, 6> escape { '\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF] };
            text_.append(escape.data(), escape.size());
        }
        }
        ++i;
    }
}

JsonWriter& JsonWriter::integer(std::int64_t value)
{
    beginValue();
    std::array<char, 24> buffer {};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    text_.append(buffer.data(), result.ptr);
    afterValue_ = true;
    return *this;
}

JsonWriter& JsonWriter::boolean(bool value)
{
    beginValue();
    text_ += value ? "true" : "false";
    afterValue_ = true;
    return *this;
}

JsonWriter& JsonWriter::float32(float value)
{
    beginValue();
    afterValue_ = true;
    if (!std::isfinite(value)) {
        failed_ = true;
        text_ += "null";
        return *this;
    }
    // "-0" would read back as the integer 0 and lose its sign, so negative zero keeps a fraction.
    if (value == 0 && std::signbit(value)) {
        text_ += "-0.0";
        return *this;
    }
    std::array<char, 32> buffer {};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    // Readers parse a number as a double and then round it to a float. For a few floats (one in
    // two billion, such as 7.038531e-26) the shortest text then rounds to a neighbour; the exact
    // value of the float, written as a double, always reads back.
    double readBack = 0;
    std::from_chars(buffer.data(), result.ptr, readBack);
    if (static_cast<float>(readBack) != value)
        result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                               static_cast<double>(value));
    text_.append(buffer.data(), result.ptr);
    return *this;
}

JsonWriter& JsonWriter::base64(const Bytes& bytes)
{
    beginValue();
    text_ += '"';
    appendBase64(text_, bytes);
    text_ += '"';
    afterValue_ = true;
    return *this;
}

} // namespace kavora
