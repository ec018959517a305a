// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "link/DeviceIdentifier.h"

#include "support/InMemoryUserDefaults.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace kavora::test {
namespace {

const std::regex
    kCanonicalV4("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");

TEST(DeviceIdentifier, UuidTextSetsVersionAndVariantAndKeepsTheOtherBits)
{
    EXPECT_EQ(uuidV4Text(0, 0), "00000000-0000-4000-8000-000000000000");
    EXPECT_EQ(uuidV4Text(~0ULL, ~0ULL), "FFFFFFFF-FFFF-4FFF-BFFF-FFFFFFFFFFFF");
    EXPECT_EQ(uuidV4Text(0x0123456789ABCDEFULL, 0xFEDCBA9876543210ULL),
              "01234567-89AB-4DEF-BEDC-BA9876543210");
    EXPECT_EQ(uuidV4Text(0, 0x4000000000000000ULL), "00000000-0000-4000-8000-000000000000");
}

TEST(DeviceIdentifier, RandomIdentifiersAreCanonicalAndDistinct)
{
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const auto text = makeRandomUuidText();
        EXPECT_TRUE(std::regex_match(text, kCanonicalV4)) << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 200U);
}

TEST(DeviceIdentifier, MadeAndStoredOnFirstUseThenKeptAndReadOncePerProcess)
{
    InMemoryUserDefaults defaults;
    defaults.setObject("kavora.mac.deviceID", 42); // another type: replaced
    DeviceIdentifier firstRun(defaults);
    const std::string created = firstRun.value();
    EXPECT_TRUE(std::regex_match(created, kCanonicalV4)) << created;
    EXPECT_EQ(defaults.string("kavora.mac.deviceID"), created);

    defaults.setString("kavora.mac.deviceID", "CHANGED-FROM-OUTSIDE");
    EXPECT_EQ(firstRun.value(), created);
    // A later run uses what is stored, as it is.
    EXPECT_EQ(DeviceIdentifier(defaults).value(), "CHANGED-FROM-OUTSIDE");
}

} // namespace
} // namespace kavora::test
