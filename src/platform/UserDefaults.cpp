// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/UserDefaults.h"

#include <cstdlib>

namespace kavora {

std::optional<std::string> UserDefaults::string(std::string_view key) const
{
    auto value = object(key);
    if (!value || !value->is_string())
        return std::nullopt;
    return value->get<std::string>();
}

std::optional<std::vector<std::string>> UserDefaults::stringArray(std::string_view key) const
{
    auto value = object(key);
    if (!value || !value->is_array())
        return std::nullopt;
    std::vector<std::string> strings;
    strings.reserve(value->size());
    for (const auto& element : *value) {
        if (!element.is_string())
            return std::nullopt;
        strings.push_back(element.get<std::string>());
    }
    return strings;
}

std::optional<Bytes> UserDefaults::data(std::string_view key) const
{
    auto value = object(key);
    if (!value || !value->is_binary())
        return std::nullopt;
    const auto& binary = value->get_binary();
    return Bytes(binary.begin(), binary.end());
}

double UserDefaults::doubleValue(std::string_view key) const
{
    auto value = object(key);
    if (!value)
        return 0;
    if (value->is_number())
        return value->get<double>();
    if (value->is_boolean())
        return value->get<bool>() ? 1 : 0;
    if (value->is_string()) {
        // A string holding a number reads as that number, as the platform's accessor does.
        const auto& text = value->get_ref<const std::string&>();
        return std::strtod(text.c_str(), nullptr);
    }
    return 0;
}

bool UserDefaults::boolValue(std::string_view key) const
{
    auto value = object(key);
    if (!value)
        return false;
    if (value->is_boolean())
        return value->get<bool>();
    if (value->is_number())
        return value->get<double>() != 0;
    if (value->is_string()) {
        const auto& text = value->get_ref<const std::string&>();
        return text == "YES" || text == "yes" || text == "true"
            || std::strtol(text.c_str(), nullptr, 10) != 0;
    }
    return false;
}

void UserDefaults::setString(std::string_view key, std::string value)
{
    setObject(key, nlohmann::json(std::move(value)));
}

void UserDefaults::setStringArray(std::string_view key, const std::vector<std::string>& value)
{
    setObject(key, nlohmann::json(value));
}

void UserDefaults::setData(std::string_view key, const Bytes& value)
{
    setObject(key, nlohmann::json::binary(value));
}

void UserDefaults::setDouble(std::string_view key, double value)
{
    setObject(key, nlohmann::json(value));
}

void UserDefaults::setBool(std::string_view key, bool value)
{
    setObject(key, nlohmann::json(value));
}

} // namespace kavora
