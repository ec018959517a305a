// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "protocol/FieldReader.h"

#include "core/Base64.h"

#include <limits>

namespace kavora {
namespace {

using Json = nlohmann::json;

// Integer literals only: the parser keeps those exact, while a number with a fraction or an
// exponent has already been rounded to a double.
std::optional<std::int64_t> toInt64(const Json& value)
{
    if (value.type() == Json::value_t::number_integer)
        return value.get<Json::number_integer_t>();
    if (value.type() == Json::value_t::number_unsigned) {
        const auto number = value.get<Json::number_unsigned_t>();
        if (number <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return static_cast<std::int64_t>(number);
    }
    return std::nullopt;
}

} // namespace

FieldReader::FieldReader(const Json& value)
    : object_(value)
{
    if (!object_.is_object())
        error_ = "expected an object";
}

void FieldReader::fail(std::string_view key, std::string_view problem)
{
    if (!error_)
        error_ = std::string(key) + ": " + std::string(problem);
}

const Json* FieldReader::optional(std::string_view key)
{
    if (error_)
        return nullptr;
    const auto found = object_.find(key);
    if (found == object_.end() || found->is_null())
        return nullptr;
    return &*found;
}

const Json* FieldReader::required(std::string_view key)
{
    if (error_)
        return nullptr;
    const Json* value = optional(key);
    if (!value)
        fail(key, "missing or null");
    return value;
}

std::uint8_t FieldReader::uint8(std::string_view key)
{
    const Json* value = required(key);
    if (!value)
        return 0;
    const auto number = toInt64(*value);
    if (!number || *number < 0 || *number > std::numeric_limits<std::uint8_t>::max()) {
        fail(key, "expected an integer from 0 to 255");
        return 0;
    }
    return static_cast<std::uint8_t>(*number);
}

bool FieldReader::boolean(std::string_view key)
{
    return booleanValue(key, required(key));
}

bool FieldReader::booleanOrFalse(std::string_view key)
{
    return booleanValue(key, optional(key));
}

bool FieldReader::booleanValue(std::string_view key, const Json* value)
{
    if (!value)
        return false;
    if (!value->is_boolean()) {
        fail(key, "expected true or false");
        return false;
    }
    return value->get<bool>();
}

std::string FieldReader::string(std::string_view key)
{
    const Json* value = required(key);
    if (!value)
        return {};
    if (!value->is_string()) {
        fail(key, "expected a string");
        return {};
    }
    return value->get_ref<const Json::string_t&>();
}

std::optional<std::string> FieldReader::optionalString(std::string_view key)
{
    const Json* value = optional(key);
    if (!value)
        return std::nullopt;
    if (!value->is_string()) {
        fail(key, "expected a string");
        return std::nullopt;
    }
    return value->get_ref<const Json::string_t&>();
}

std::optional<Bytes> FieldReader::optionalBytes(std::string_view key)
{
    const Json* value = optional(key);
    if (!value)
        return std::nullopt;
    if (!value->is_string()) {
        fail(key, "expected a base64 string");
        return std::nullopt;
    }
    auto bytes = decodeBase64(value->get_ref<const Json::string_t&>());
    if (!bytes)
        fail(key, "not valid base64");
    return bytes;
}

} // namespace kavora
