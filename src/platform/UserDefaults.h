// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "protocol/Records.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

// The application's typed key-value store of property-list values. A value is a JSON value in
// which byte buffers are JSON binary values (nlohmann::json::binary), so that a buffer, a string,
// an empty array and a one-element array all stay what they are.
//
// The typed reads follow the platform's accessors: a value of another type reads as absent,
// a missing double as 0 and a missing bool as false.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    virtual std::optional<nlohmann::json> object(std::string_view key) const = 0;
    virtual void setObject(std::string_view key, nlohmann::json value) = 0;
    virtual void removeObject(std::string_view key) = 0;

    std::optional<std::string> string(std::string_view key) const;
    std::optional<std::vector<std::string>> stringArray(std::string_view key) const;
    std::optional<Bytes> data(std::string_view key) const;
    double doubleValue(std::string_view key) const;
    bool boolValue(std::string_view key) const;

    void setString(std::string_view key, std::string value);
    void setStringArray(std::string_view key, const std::vector<std::string>& value);
    void setData(std::string_view key, const Bytes& value);
    void setDouble(std::string_view key, double value);
    void setBool(std::string_view key, bool value);
};

} // namespace kavora
