// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Bytes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kavora {

// Builds compact JSON text (no whitespace) in one string. The caller opens and closes objects and
// arrays in a well-formed order; the writer places the commas and escapes the strings.
//
// Writing never throws. Text that is not valid UTF-8 is written with U+FFFD in place of each bad
// byte, and a non-finite float is written as null and marks the writer as failed, so that the
// caller can refuse the whole text.
class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // The key of the next member of the open object.
    JsonWriter& key(std::string_view name);

    JsonWriter& string(std::string_view text);
    JsonWriter& integer(std::int64_t value);
    JsonWriter& boolean(bool value);
    // The shortest decimal form that reads back as the same float.
    JsonWriter& float32(float value);
    // A JSON string holding the standard base64 text of the bytes.
    JsonWriter& base64(const Bytes& bytes);

    // True once a value could not be written as JSON (a non-finite float).
    bool failed() const { return failed_; }
    const std::string& text() const { return text_; }
    std::string take() { return std::move(text_); }

private:
    void beginValue();
    void appendEscaped(std::string_view text);

    std::string text_;
    bool afterValue_ = false;
    bool failed_ = false;
};

} // namespace kavora
