// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/UserDefaults.h"

#include <map>
#include <string>

namespace kavora::test {

// A user-defaults domain that lives in memory, for logic tests.
class InMemoryUserDefaults final : public UserDefaults {
public:
    std::optional<nlohmann::json> object(std::string_view key) const override
    {
        auto found = values_.find(std::string(key));
        if (found == values_.end())
            return std::nullopt;
        return found->second;
    }
    void setObject(std::string_view key, nlohmann::json value) override
    {
        values_[std::string(key)] = std::move(value);
    }
    void removeObject(std::string_view key) override { values_.erase(std::string(key)); }

    bool contains(std::string_view key) const { return values_.count(std::string(key)) != 0; }
    std::size_t size() const { return values_.size(); }

private:
    std::map<std::string, nlohmann::json> values_;
};

} // namespace kavora::test
