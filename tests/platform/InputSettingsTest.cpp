#include "platform/InputSettings.h"

#include "support/InMemoryUserDefaults.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

using nlohmann::json;

struct ReadRow {
    const char* shows;
    std::optional<json> stored; // absent: no value under the key
    double expected;
};

// One table per setting: what is stored, what the input path reads.
void checkReads(std::string_view key, double (InputSettings::*read)() const,
                std::initializer_list<ReadRow> rows)
{
    for (const auto& row : rows) {
        InMemoryUserDefaults defaults;
        if (row.stored)
            defaults.setObject(key, *row.stored);
        EXPECT_DOUBLE_EQ((InputSettings(defaults).*read)(), row.expected)
            << key << ": " << row.shows;
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
        checkReads(key, read,
                   { { "absent", std::nullopt, 1.0 },
                     { "zero", 0.0, 1.0 },
                     { "stored", 2.5, 2.5 },
                     { "negative kept", -1.0, -1.0 } });
    }
}

TEST(InputSettings, SmoothingFractionPerFrame)
{
    checkReads("macCursorSmoothing", &InputSettings::smoothingFraction,
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
    const std::pair<std::optional<json>, bool> natural[] = {
        { std::nullopt, true }, { true, true },  { false, false },
        { 0, false },           { "YES", true }, { "maybe", false },
    };
    for (const auto& [stored, expected] : natural) {
        InMemoryUserDefaults defaults;
        if (stored)
            defaults.setObject("macNaturalScroll", *stored);
        EXPECT_EQ(InputSettings(defaults).naturalScroll(), expected)
            << (stored ? stored->dump() : "absent");
    }
    const std::pair<std::optional<json>, CommandKeyRole> command[] = {
        { std::nullopt, CommandKeyRole::Control }, { "control", CommandKeyRole::Control },
        { "super", CommandKeyRole::Super },        { "Super", CommandKeyRole::Control },
        { "", CommandKeyRole::Control },           { 1, CommandKeyRole::Control },
    };
    for (const auto& [stored, expected] : command) {
        InMemoryUserDefaults defaults;
        if (stored)
            defaults.setObject("linuxCommandKey", *stored);
        EXPECT_EQ(InputSettings(defaults).commandKeyRole(), expected)
            << (stored ? stored->dump() : "absent");
    }
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
