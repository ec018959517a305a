// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/InputSettings.h"

#include "support/InMemoryUserDefaults.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

using nlohmann::json;

template <class Value> struct ReadRow {
    const char* shows;
    std::optional<json> stored; // absent: no value under the key
    Value expected;
};

// One table per setting: what is stored, what the input path reads.
template <class Value>
void checkReads(std::string_view key, Value (InputSettings::*read)() const,
                std::initializer_list<ReadRow<Value>> rows)
{
    for (const auto& row : rows) {
        InMemoryUserDefaults defaults;
        if (row.stored)
            defaults.setObject(key, *row.stored);
        EXPECT_EQ((InputSettings(defaults).*read)(), row.expected) << key << ": " << row.shows;
    }
}

TEST(InputSettings, SpeedsAreFactorsWhereZeroMeansOne)
{
    using Read = double (InputSettings::*)() const;
    const std::pair<std::string_view, Read> speeds[] = {
        { "macCursorSpeed", &InputSettings::cursorSpeed },
        { "macScrollSpeed", &InputSettings::scrollSpeed },
    };
    for (const auto& [key, read] : speeds) {
        checkReads<double>(key, read,
                           { { "absent", std::nullopt, 1.0 },
                             { "zero", 0.0, 1.0 },
                             { "stored", 2.5, 2.5 },
                             { "negative kept", -1.0, -1.0 } });
    }
}

TEST(InputSettings, SmoothingFractionPerFrame)
{
    checkReads<double>("macCursorSmoothing", &InputSettings::smoothingFraction,
                       { { "absent", std::nullopt, 0.55 },
                         { "zero", 0.0, 0.55 },
                         { "below the minimum", 0.01, 0.05 },
                         { "at the minimum", 0.05, 0.05 },
                         { "negative", -2.0, 0.05 },
                         { "in range", 0.3, 0.3 },
                         { "just below one", 0.99, 0.99 },
                         { "one lands at once", 1.0, 1.0 },
                         { "between one and two lands at once", 1.5, 1.0 },
                         { "above one lands at once", 5.0, 1.0 } });
}

TEST(InputSettings, NaturalScrollingIsOnUnlessAValueSaysOtherwiseAndOnlySuperMakesCommandSuper)
{
    checkReads<bool>("macNaturalScroll", &InputSettings::naturalScroll,
                     { { "absent", std::nullopt, true },
                       { "true", true, true },
                       { "false", false, false },
                       { "zero", 0, false },
                       { "YES", "YES", true },
                       { "other text", "maybe", false } });
    using enum CommandKeyRole;
    checkReads<CommandKeyRole>("linuxCommandKey", &InputSettings::commandKeyRole,
                               { { "absent", std::nullopt, Control },
                                 { "control", "control", Control },
                                 { "super", "super", Super },
                                 { "capitalised", "Super", Control },
                                 { "empty", "", Control },
                                 { "a number", 1, Control } });
}

TEST(InputSettings, TheSettersStoreUnderTheKeysTheReadsUse)
{
    InMemoryUserDefaults defaults;
    InputSettings settings(defaults);
    settings.setCursorSpeed(3.0);
    settings.setScrollSpeed(0.5);
    settings.setNaturalScroll(false);
    EXPECT_EQ(defaults.object("macCursorSpeed"), json(3.0));
    EXPECT_EQ(defaults.object("macScrollSpeed"), json(0.5));
    EXPECT_EQ(defaults.object("macNaturalScroll"), json(false));
}

} // namespace
} // namespace kavora::test
