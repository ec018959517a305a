// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Result.h"
#include "protocol/FieldReader.h"
#include "protocol/JsonWriter.h"

#include <nlohmann/json.hpp>

#include <cassert>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

// The JSON form shared by ControlMessage and MacroAction: a closed set of cases written as an
// object with one member, keyed by the case, whose value is the payload object.
namespace kavora::tagged {

// The description of the one failure whose wording peers may rely on.
inline constexpr std::string_view kInvalidNumberOfKeys
    = "Invalid number of keys found, expected one.";

struct Case {
    std::size_t index = 0; // position of the key in the key list, the variant index
    const nlohmann::json* payload = nullptr;
};

// Finds the one member of value whose key is in keys; other members do not count. Fails when
// value is not an object, when not exactly one key counts, or when its value is not an object.
Result<Case> findCase(const nlohmann::json& value, std::span<const std::string_view> keys);

// Writes {"key":{...}} with the payload's fields written by writeFields(writer).
template <class WriteFields>
void write(JsonWriter& writer, std::string_view key, WriteFields writeFields)
{
    writer.beginObject().key(key).beginObject();
    writeFields(writer);
    writer.endObject().endObject();
}

// Decodes the payload of the case found, named caseKey. Payload-free cases do not look inside
// their object; the others read it with readFields(FieldReader&, std::type_identity<T>), and a
// failure is described as "caseKey: field: problem".
template <class Variant, class ReadFields>
Result<Variant> read(const Case& found, std::string_view caseKey, ReadFields readFields)
{
    assert(found.index < std::variant_size_v<Variant>);
    std::optional<Result<Variant>> result;
    auto readAlternative = [&]<std::size_t I>(std::integral_constant<std::size_t, I>) {
        using T = std::variant_alternative_t<I, Variant>;
        if constexpr (std::is_empty_v<T>) {
            result.emplace(Variant(std::in_place_index<I>));
        } else {
            FieldReader reader(*found.payload);
            T value = readFields(reader, std::type_identity<T> {});
            if (reader.ok())
                result.emplace(Variant(std::in_place_index<I>, std::move(value)));
            else
                result.emplace(Error { std::string(caseKey) + ": " + reader.error().description });
        }
    };
    [&]<std::size_t... I>(std::index_sequence<I...>)
    {
        ((found.index == I ? readAlternative(std::integral_constant<std::size_t, I> {}) : void()),
         ...);
    }
    (std::make_index_sequence<std::variant_size_v<Variant>>());
    return std::move(*result);
}

} // namespace kavora::tagged
