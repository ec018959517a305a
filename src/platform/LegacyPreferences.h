// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <string>

namespace kavora {

// The top-level dictionary of a property list: byte buffers are nlohmann binary values, dates
// are seconds since 1970-01-01 UTC, integers keep their sign.
using PropertyListDictionary = std::map<std::string, nlohmann::json>;

// The preferences file of the application's former identity, read once at start-up.
class LegacyPreferences {
public:
    virtual ~LegacyPreferences() = default;

    // The user's home folder, under which the legacy file lives; empty when there is none.
    virtual std::string homeDirectory() const = 0;
    // The file's top-level dictionary, or nothing when the file is missing or unreadable, or
    // does not read as a dictionary with string keys (XML or binary property list).
    virtual std::optional<PropertyListDictionary> read(const std::string& path) = 0;
};

} // namespace kavora
