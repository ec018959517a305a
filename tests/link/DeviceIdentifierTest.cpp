#include "link/DeviceIdentifier.h"

#include "support/InMemoryUserDefaults.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace kavora::test {
namespace {

struct UuidRow {
    const char* name;
    std::uint64_t high;
    std::uint64_t low;
    const char* text;
};

class UuidText : public testing::TestWithParam<UuidRow> { };

TEST_P(UuidText, SetsVersionAndVariantAndKeepsTheOtherBits)
{
    EXPECT_EQ(uuidV4Text(GetParam().high, GetParam().low), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UuidText,
    testing::Values(UuidRow { "AllZero", 0, 0, "00000000-0000-4000-8000-000000000000" },
                    UuidRow { "AllOne", ~0ULL, ~0ULL, "FFFFFFFF-FFFF-4FFF-BFFF-FFFFFFFFFFFF" },
                    UuidRow { "Counting", 0x0123456789ABCDEFULL, 0xFEDCBA9876543210ULL,
                              "01234567-89AB-4DEF-BEDC-BA9876543210" },
                    UuidRow { "VariantFromLowBits", 0, 0x4000000000000000ULL,
                              "00000000-0000-4000-8000-000000000000" }),
    [](const auto& row) { return std::string(row.param.name); });

const std::regex
    kCanonicalV4("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");

TEST(DeviceIdentifier, RandomIdentifiersAreCanonicalAndDistinct)
{
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const auto text = makeRandomUuidText();
        EXPECT_EQ(text.size(), 36U);
        EXPECT_TRUE(std::regex_match(text, kCanonicalV4)) << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 200U);
}

TEST(DeviceIdentifier, FirstUseCreatesAndStoresOneThatLaterRunsKeep)
{
    InMemoryUserDefaults defaults;
    DeviceIdentifier firstRun(defaults);
    const std::string created = firstRun.value();
    EXPECT_TRUE(std::regex_match(created, kCanonicalV4)) << created;
    EXPECT_EQ(defaults.string("kavora.mac.deviceID"), created);
    EXPECT_EQ(firstRun.value(), created);

    DeviceIdentifier secondRun(defaults);
    EXPECT_EQ(secondRun.value(), created);
    EXPECT_EQ(defaults.size(), 1U);
}

TEST(DeviceIdentifier, IsReadOncePerProcess)
{
    InMemoryUserDefaults defaults;
    DeviceIdentifier identifier(defaults);
    const std::string first = identifier.value();
    defaults.setString("kavora.mac.deviceID", "CHANGED-FROM-OUTSIDE");
    EXPECT_EQ(identifier.value(), first);
}

TEST(DeviceIdentifier, AStoredStringIsUsedAsItIs)
{
    InMemoryUserDefaults defaults;
    defaults.setString("kavora.mac.deviceID", "0B9E5C1A-0000-4000-8000-00000000ABCD");
    EXPECT_EQ(DeviceIdentifier(defaults).value(), "0B9E5C1A-0000-4000-8000-00000000ABCD");
}

TEST(DeviceIdentifier, AValueOfAnotherTypeIsReplaced)
{
    InMemoryUserDefaults defaults;
    defaults.setObject("kavora.mac.deviceID", 42);
    const std::string created = DeviceIdentifier(defaults).value();
    EXPECT_TRUE(std::regex_match(created, kCanonicalV4)) << created;
    EXPECT_EQ(defaults.string("kavora.mac.deviceID"), created);
}

} // namespace
} // namespace kavora::test
