// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Bytes.h"
#include "core/Result.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace kavora {

// Reads typed fields from the members of one JSON object and keeps the first failure, in the
// manner of a stream: after a failure every read returns a default value, so a decoder reads all
// its fields in order and checks once at the end. Members it is not asked for are never looked
// at, and no read throws.
//
// Required fields fail when missing, null or of another JSON type. Integers are taken exactly:
// only integer literals in range (4.0 and 4e0 are not integers here).
class FieldReader {
public:
    // value need not be an object: then the first read fails.
    explicit FieldReader(const nlohmann::json& value);

    std::uint8_t uint8(std::string_view key);
    bool boolean(std::string_view key);
    // Absent or null reads as false.
    bool booleanOrFalse(std::string_view key);
    std::string string(std::string_view key);
    // Absent or null reads as nullopt; another type fails.
    std::optional<std::string> optionalString(std::string_view key);
    // A base64 string, absent or null; text that is not canonical base64 fails.
    std::optional<Bytes> optionalBytes(std::string_view key);

    // A nested record, decoded by decode.
    template <class T, class Decode> T record(std::string_view key, Decode decode)
    {
        const nlohmann::json* value = required(key);
        if (!value)
            return T {};
        Result<T> decoded = decode(*value);
        if (!decoded) {
            fail(key, decoded.error());
            return T {};
        }
        return std::move(decoded).value();
    }

    bool ok() const { return !error_; }
    // The first failure, as "key: problem". Only valid when !ok().
    Error error() const { return Error { *error_ }; }

    // value when every read succeeded, else the first failure.
    template <class T> Result<T> finish(T value) const
    {
        if (error_)
            return error();
        return Result<T>(std::move(value));
    }

private:
    // The member's value, or null (after recording a failure) when it is missing or null.
    const nlohmann::json* required(std::string_view key);
    // The member's value, or null when it is missing or null.
    const nlohmann::json* optional(std::string_view key);
    // A true or false member; a value of another type fails.
    bool booleanValue(std::string_view key, const nlohmann::json* value);
    void fail(std::string_view key, std::string_view problem);

    const nlohmann::json& object_;
    std::optional<std::string> error_;
};

} // namespace kavora
