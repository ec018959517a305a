// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/InMemoryUserDefaults.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

using nlohmann::json;

TEST(UserDefaults, TypedReadsTreatAnotherTypeAsAbsent)
{
    InMemoryUserDefaults defaults;
    defaults.setObject("mixed", json::array({ "a", 1 }));
    defaults.setString("text", "x");
    defaults.setStringArray("empty", {});
    defaults.setData("blob", Bytes { 0, 255, 7 });
    EXPECT_FALSE(defaults.stringArray("mixed"));
    EXPECT_FALSE(defaults.stringArray("text"));
    EXPECT_FALSE(defaults.data("text"));
    EXPECT_FALSE(defaults.string("blob"));
    EXPECT_FALSE(defaults.string("missing"));
    EXPECT_EQ(defaults.stringArray("empty"), std::vector<std::string> {});
    EXPECT_EQ(defaults.data("blob"), (Bytes { 0, 255, 7 }));
}

TEST(UserDefaults, NumbersAndBooleansReadOtherTypesAsThePlatformDoes)
{
    struct Row {
        const char* shows;
        std::optional<json> stored;
        double number;
        bool boolean;
    };
    // clang-format off
    const Row rows[] = {
        { "missing", std::nullopt, 0, false },
        { "a number", 2.5, 2.5, true },
        { "zero", 0, 0, false },
        { "true", true, 1, true },
        { "false", false, 0, false },
        { "a number as text", "1.5", 1.5, true },
        { "\"0\"", "0", 0, false },
        { "\"YES\"", "YES", 0, true },
        { "\"yes\"", "yes", 0, true },
        { "\"true\"", "true", 0, true },
        { "a hex digit is no number", "a", 0, false },
        { "\"010\" is ten", "010", 10, true },
        { "an array", json::array({ 1 }), 0, false },
    };
    // clang-format on
    for (const auto& row : rows) {
        InMemoryUserDefaults defaults;
        if (row.stored)
            defaults.setObject("key", *row.stored);
        EXPECT_EQ(defaults.doubleValue("key"), row.number) << row.shows;
        EXPECT_EQ(defaults.boolValue("key"), row.boolean) << row.shows;
    }
}

} // namespace
} // namespace kavora::test
