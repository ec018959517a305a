// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/settings/SettingsDocument.h"

#include "core/Base64.h"
#include "core/Json.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kavora {
namespace {

using nlohmann::json;

bool isTagged(const json& object)
{
    return object.size() == 1 && object.begin().key() == kDataTag;
}

// Converts one value of the file to the domain's form; depth counts enclosing containers.
Result<json> decodeValue(const json& value, int depth)
{
    if (value.is_object() && value.contains(kDataTag)) {
        if (!isTagged(value) || !value.begin()->is_string())
            return Error { "a \"$data\" object must hold exactly one base64 string" };
        auto bytes = decodeBase64(value.begin()->get_ref<const std::string&>());
        if (!bytes)
            return Error { "a \"$data\" object holds text that is not base64" };
        return json::binary(std::move(*bytes));
    }
    if (value.is_number_float() && !std::isfinite(value.get<double>()))
        return Error { "a number is out of range" };
    if (!value.is_structured())
        return value;
    if (depth >= kMaxSettingsValueDepth)
        return Error { "values nest too deeply" };
    if (value.is_array()) {
        json array = json::array();
        for (const auto& element : value) {
            auto decoded = decodeValue(element, depth + 1);
            if (!decoded)
                return decoded;
            array.push_back(std::move(decoded).value());
        }
        return array;
    }
    json object = json::object();
    for (const auto& [key, element] : value.items()) {
        if (!key.empty() && key[0] == '$' && key.compare(0, 2, "$$") != 0)
            return Error { "unknown tag \"" + key + "\"" };
        auto decoded = decodeValue(element, depth + 1);
        if (!decoded)
            return decoded;
        object[key.empty() || key[0] != '$' ? key : key.substr(1)] = std::move(decoded).value();
    }
    return object;
}

json encodeValue(const json& value)
{
    if (value.is_binary())
        return json { { std::string(kDataTag), encodeBase64(value.get_binary()) } };
    if (value.is_array()) {
        json array = json::array();
        for (const auto& element : value)
            array.push_back(encodeValue(element));
        return array;
    }
    if (value.is_object()) {
        json object = json::object();
        for (const auto& [key, element] : value.items())
            object[key.empty() || key[0] != '$' ? key : "$" + key] = encodeValue(element);
        return object;
    }
    return value;
}

bool storable(const json& value, int depth)
{
    if (value.is_number_float())
        return std::isfinite(value.get<double>());
    if (!value.is_structured())
        return true;
    if (depth >= kMaxSettingsValueDepth)
        return false;
    return std::all_of(value.begin(), value.end(),
                       [depth](const auto& element) { return storable(element, depth + 1); });
}

} // namespace

Result<SettingsValues> parseSettingsDocument(std::string_view text)
{
    if (text.size() > kMaxSettingsDocumentSize)
        return Error { "the file is larger than " + std::to_string(kMaxSettingsDocumentSize)
                       + " bytes" };
    // The parser itself does not recurse, but the conversion below does: refuse deep nesting
    // while parsing, before anything deep is built. One extra level leaves room for the
    // "$data" object of a buffer at the deepest level.
    bool tooDeep = false;
    auto limitDepth = [&tooDeep](int depth, json::parse_event_t event, json&) {
        if ((event == json::parse_event_t::object_start
             || event == json::parse_event_t::array_start)
            && depth > kMaxSettingsValueDepth + 1) {
            tooDeep = true;
        }
        return !tooDeep;
    };
    json document = parseJson(text, limitDepth);
    if (tooDeep)
        return Error { "values nest too deeply" };
    if (document.is_discarded())
        return Error { "not valid JSON" };
    if (!document.is_object())
        return Error { "the top level is not a JSON object" };

    SettingsValues values;
    for (const auto& [key, value] : document.items()) {
        if (value.is_null())
            continue;
        auto decoded = decodeValue(value, 0);
        if (!decoded)
            return Error { "\"" + key + "\": " + decoded.error() };
        values.emplace(key, std::move(decoded).value());
    }
    return values;
}

std::string serializeSettingsDocument(const SettingsValues& values)
{
    json document = json::object();
    for (const auto& [key, value] : values)
        document[key] = encodeValue(value);
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool isStorableSettingsValue(const nlohmann::json& value)
{
    return !value.is_discarded() && storable(value, 0);
}

} // namespace kavora
