// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/LegacyPreferences.h"

#include <vector>

namespace kavora::test {

// Legacy preferences files held in memory by path; records every path read.
class FakeLegacyPreferences final : public LegacyPreferences {
public:
    std::string homeDirectory() const override { return home; }
    std::optional<PropertyListDictionary> read(const std::string& path) override
    {
        reads.push_back(path);
        auto found = files.find(path);
        if (found == files.end())
            return std::nullopt;
        return found->second;
    }

    std::string home = "/home/kavora";
    std::map<std::string, PropertyListDictionary> files;
    std::vector<std::string> reads;
};

} // namespace kavora::test
