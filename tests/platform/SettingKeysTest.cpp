// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/SettingKeys.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <sstream>

namespace kavora::test {
namespace {

// In the order of SettingType.
constexpr std::array<std::string_view, 7> kTypeTexts {
    "string", "integer", "double", "boolean", "array of strings", "byte buffer", "dictionary",
};

// The rows of the documented table of keys, as written.
std::vector<std::string> documentedRows()
{
    std::istringstream text(readFile(KAVORA_SOURCE_DIR "/docs/settings.md"));
    std::vector<std::string> rows;
    bool inSection = false;
    for (std::string line; std::getline(text, line);) {
        if (line.starts_with("## "))
            inSection = line == "## Keys of the receiver";
        else if (inSection && line.starts_with("| `"))
            rows.push_back(line);
    }
    return rows;
}

TEST(SettingKeys, TheDocumentedTableIsTheRegistryRowForRow)
{
    std::vector<std::string> expected;
    for (const auto& key : settingkey::kAll) {
        std::ostringstream row;
        row << "| `" << key.name << "` | " << kTypeTexts.at(static_cast<std::size_t>(key.type))
            << " | " << key.whenAbsent << " | `" << key.owner << "` | " << key.meaning << " |";
        expected.push_back(row.str());
    }
    EXPECT_EQ(documentedRows(), expected);
}

TEST(SettingKeys, EachNameHasOneOwner)
{
    std::set<std::string_view> names;
    for (const auto& key : settingkey::kAll)
        EXPECT_TRUE(names.insert(key.name).second) << key.name;
}

} // namespace
} // namespace kavora::test
