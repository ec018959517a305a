// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Json.h"
#include "core/Result.h"
#include "protocol/JsonLexer.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavora {

// Reads typed fields of one message's payload object straight from its bytes, with the rules
// and failure descriptions of FieldReader: a stream that keeps the first failure, members it is
// not asked for never converted, a member named twice read from its last value (as the document
// parser keeps it). Numbers, booleans and fields that are absent cost no allocation; strings are
// decoded into the value returned, and an array of records is handed to its decoder as a
// document of its own.
class PayloadReader {
public:
    // payload: one JSON object, already checked to be valid JSON (JsonLexer).
    explicit PayloadReader(std::string_view payload);

    float float32(std::string_view key);
    std::uint8_t uint8(std::string_view key);
    std::int64_t int64(std::string_view key);
    bool boolean(std::string_view key);
    std::string string(std::string_view key);
    // Absent or null reads as nullopt; another type fails.
    std::optional<std::string> optionalString(std::string_view key);

    // An array whose every element decodes with decode (taking a JSON value); one bad element
    // fails the field, as "key[i]: problem".
    template <class T, class Decode> std::vector<T> array(std::string_view key, Decode decode)
    {
        const auto member = required(key);
        if (!member)
            return {};
        const nlohmann::json elements = parseJson(member->text);
        if (!elements.is_array()) {
            fail(key, "expected an array");
            return {};
        }
        std::vector<T> items;
        items.reserve(elements.size());
        for (std::size_t i = 0; i < elements.size(); ++i) {
            Result<T> item = decode(elements[i]);
            if (!item) {
                failWith(std::string(key) + "[" + std::to_string(i) + "]: " + item.error());
                return {};
            }
            items.push_back(std::move(item).value());
        }
        return items;
    }

    bool ok() const { return !error_; }
    // The first failure, as "key: problem". Only valid when !ok().
    Error error() const { return Error { *error_ }; }

private:
    // A member's value: the lexer just past its first token, and its whole text.
    struct Member {
        JsonLexer value;
        JsonLexer::Token token;
        std::string_view text;
    };

    // The member's value, or nothing when it is missing or null (after recording a failure for
    // required()).
    std::optional<Member> optional(std::string_view key);
    std::optional<Member> required(std::string_view key);
    void fail(std::string_view key, std::string_view problem);
    void failWith(std::string description);

    std::string_view payload_;
    std::optional<std::string> error_;
};

} // namespace kavora
