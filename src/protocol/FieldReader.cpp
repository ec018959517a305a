#include "protocol/FieldReader.h"

#include "core/Base64.h"

#include <cmath>
#include <limits>

namespace kavora {
namespace {

using Json = nlohmann::json;

// The smallest magnitude that rounds to infinity as a float: FLT_MAX plus half its last place.
constexpr double kFloatOverflow = 0x1.ffffffp+127;
constexpr float kFloatMax = std::numeric_limits<float>::max();

// The JSON number as a double. The switch is on the exact type: get_ptr for a signed integer
// also answers for an unsigned one, reading its bits as signed.
std::optional<double> toDouble(const Json& value)
{
    switch (value.type()) {
    case Json::value_t::number_integer:
        return static_cast<double>(value.get<Json::number_integer_t>());
    case Json::value_t::number_unsigned:
        return static_cast<double>(value.get<Json::number_unsigned_t>());
    case Json::value_t::number_float:
        return value.get<Json::number_float_t>();
    default:
        return std::nullopt;
    }
}

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

std::optional<float> toFloat32(double number)
{
    // The parser refuses numbers past the double range, but a value built in code may hold NaN.
    if (!std::isfinite(number) || std::fabs(number) >= kFloatOverflow)
        return std::nullopt;
    // Between FLT_MAX and the overflow bound the value rounds to FLT_MAX; say so explicitly.
    if (std::fabs(number) > kFloatMax)
        return number > 0 ? kFloatMax : -kFloatMax;
    return static_cast<float>(number);
}

FieldReader::FieldReader(const Json& value)
    : object_(value)
{
    if (!object_.is_object())
        error_ = "expected an object";
}

void FieldReader::fail(std::string_view key, std::string_view problem)
{
    failWith(std::string(key) + ": " + std::string(problem));
}

void FieldReader::failWith(std::string description)
{
    if (!error_)
        error_ = std::move(description);
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

float FieldReader::float32(std::string_view key)
{
    const Json* value = required(key);
    if (!value)
        return 0;
    const auto asDouble = toDouble(*value);
    const auto number = asDouble ? toFloat32(*asDouble) : std::nullopt;
    if (!number)
        fail(key, "expected a number within the float32 range");
    return number.value_or(0);
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

std::int64_t FieldReader::int64(std::string_view key)
{
    const Json* value = required(key);
    if (!value)
        return 0;
    const auto number = toInt64(*value);
    if (!number)
        fail(key, "expected an integer in the signed 64-bit range");
    return number.value_or(0);
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
