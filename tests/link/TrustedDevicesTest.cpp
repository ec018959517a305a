// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "link/TrustedDevices.h"

#include "support/InMemoryUserDefaults.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

const std::string kA(64, 'a');
const std::string kB(64, 'b');
const std::string kC(64, 'c');

WallTime at(const char* text)
{
    return parseStoredTime(text).value();
}

class TrustedDevicesTest : public ::testing::Test {
protected:
    json stored() const { return defaults.object(TrustedDevices::kKey).value_or(json()); }

    InMemoryUserDefaults defaults;
    WallTime now = at("2026-03-04T05:06:07Z");
    TrustedDevices devices { defaults, [this] { return now; } };
};

TEST_F(TrustedDevicesTest, TrustedDevicesAreStoredReadableAndReadBackMostRecentFirst)
{
    devices.trust(kA, "Pad", TrustedDevices::Seen::Now);
    now += 1h;
    devices.trust(kB, "", TrustedDevices::Seen::NotYet); // allowed before it ever came
    now += 1h;
    devices.touch(kA, "Pad 2");
    devices.touch(kC, "Stranger"); // not trusted: nothing

    EXPECT_EQ(stored(), json::parse(R"({
        ")" + kA + R"(": {"name": "Pad 2", "trusted": "2026-03-04T05:06:07Z",
                          "lastSeen": "2026-03-04T07:06:07Z"},
        ")" + kB + R"(": {"name": "", "trusted": "2026-03-04T06:06:07Z"}})"));
    const std::vector<TrustedDevice> expected {
        { kA, "Pad 2", at("2026-03-04T05:06:07Z"), at("2026-03-04T07:06:07Z") },
        { kB, "", at("2026-03-04T06:06:07Z"), std::nullopt },
    };
    EXPECT_EQ(devices.devices().get(), expected);
    EXPECT_EQ(TrustedDevices(defaults, [] { return WallTime(); }).devices().get(), expected);

    devices.trust(kA, "", TrustedDevices::Seen::NotYet);
    EXPECT_EQ(devices.find(kA)->name, "Pad 2") << "an empty name keeps the known one";
    EXPECT_EQ(devices.find(kA)->trustedAt, at("2026-03-04T05:06:07Z")) << "trusted once";
}

TEST_F(TrustedDevicesTest, EntriesThatDoNotReadAreIgnoredAndKept)
{
    const json good = { { "name", "Pad" }, { "trusted", "2026-01-02T03:04:05Z" } };
    struct Row {
        const char* shows;
        std::string key;
        json entry;
        bool counts;
    };
    const Row rows[] = {
        { "a well-formed entry", kA, good, true },
        { "a key typed with colons and capitals", "AA:" + std::string(62, 'A'), good, true },
        { "a key that is no fingerprint", "Pad", good, false },
        { "a key one digit short", std::string(63, 'a'), good, false },
        { "an entry that is not an object", kA, "Pad", false },
        { "a name that is not text",
          kA,
          { { "name", 5 }, { "trusted", "2026-01-02T03:04:05Z" } },
          false },
        { "no trust time", kA, { { "name", "Pad" } }, false },
        { "an impossible date", kA, { { "trusted", "2026-02-30T03:04:05Z" } }, false },
        { "a renamed mark that is not true or false",
          kA,
          { { "trusted", "2026-01-02T03:04:05Z" }, { "renamed", "yes" } },
          false },
        { "a last-seen time that is not a time",
          kA,
          { { "trusted", "2026-01-02T03:04:05Z" }, { "lastSeen", 12 } },
          false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        defaults.setObject(TrustedDevices::kKey, json { { row.key, row.entry } });
        devices.reload();
        EXPECT_EQ(devices.isTrusted(kA), row.counts);
        EXPECT_EQ(devices.devices()->size(), row.counts ? 1U : 0U);
    }
    defaults.setObject(TrustedDevices::kKey, json { { "Pad", good } });
    devices.trust(kB, "Other", TrustedDevices::Seen::Now);
    EXPECT_TRUE(stored().contains("Pad")) << "what this version cannot read is left alone";
    defaults.setObject(TrustedDevices::kKey, "not an object");
    devices.reload();
    EXPECT_TRUE(devices.devices()->empty());
    devices.trust(kB, "Other", TrustedDevices::Seen::Now);
    EXPECT_TRUE(stored().contains(kB)) << "a key that holds no object is replaced";
}

TEST_F(TrustedDevicesTest, RevokeRemovesEveryFormOfTheKeyAndSaysWhetherThereWasOne)
{
    defaults.setObject(TrustedDevices::kKey,
                       json { { "AA:" + std::string(62, 'A'),
                                { { "name", "Pad" }, { "trusted", "2026-01-02T03:04:05Z" } } } });
    devices.reload();
    EXPECT_FALSE(devices.revoke(kB));
    EXPECT_TRUE(devices.revoke(kA));
    EXPECT_EQ(stored(), json::object());
    EXPECT_FALSE(devices.revoke(kA));
}

TEST_F(TrustedDevicesTest, ANameTheUserGaveOutlivesTheNamesTheDeviceConnectsUnder)
{
    EXPECT_FALSE(devices.rename(kA, "Kitchen")) << "not trusted";
    devices.trust(kA, "Chrome · Android", TrustedDevices::Seen::Now);
    EXPECT_FALSE(devices.rename(kA, ""));
    EXPECT_TRUE(devices.rename(kA, "Kitchen"));
    devices.touch(kA, "Chrome · Android");
    devices.trust(kA, "Chrome · Android", TrustedDevices::Seen::Now);
    EXPECT_EQ(stored()[kA]["name"], "Kitchen");
    EXPECT_EQ(stored()[kA]["renamed"], true);
    EXPECT_TRUE(TrustedDevices(defaults, [] { return WallTime(); }).find(kA)->renamed);
}

TEST_F(TrustedDevicesTest, ReloadPublishesOnlyWhatChanged)
{
    int published = 0;
    auto subscription = devices.devices().subscribe([&](const auto&) { ++published; });
    devices.reload();
    EXPECT_EQ(published, 0);
    defaults.setObject(
        TrustedDevices::kKey,
        json { { kC, { { "name", "Pad" }, { "trusted", "2026-01-02T03:04:05Z" } } } });
    devices.reload();
    devices.reload();
    EXPECT_EQ(published, 1);
    EXPECT_TRUE(devices.isTrusted(kC));
}

TEST(FingerprintText, TypedFormsReadAsTheStoredForm)
{
    const std::string upperPairs = [] {
        std::string text;
        for (int i = 0; i < 32; ++i)
            text += (i == 0 ? "" : ":") + std::string("AB");
        return text;
    }();
    const std::string ab32 = [] {
        std::string text;
        for (int i = 0; i < 32; ++i)
            text += "ab";
        return text;
    }();
    const std::pair<std::string, std::optional<std::string>> rows[] = {
        { kA, kA },
        { upperPairs, ab32 },
        { ab32.substr(0, 32) + " " + ab32.substr(32), ab32 },
        { std::string(63, 'a'), std::nullopt },
        { std::string(65, 'a'), std::nullopt },
        { std::string(32, 'f') + std::string(32, 'F'), std::string(64, 'f') },
        { std::string(63, 'a') + "g", std::nullopt },
        { std::string(63, 'a') + "-a", std::nullopt },
        { "", std::nullopt },
    };
    for (const auto& [typed, expected] : rows)
        EXPECT_EQ(normalizedFingerprint(typed), expected) << typed;
}

TEST(StoredTime, WrittenAndReadAsUtcSecondsAndNothingElse)
{
    const auto time = std::chrono::sys_days(std::chrono::year(2024) / 2 / 29) + 23h + 59min + 58s;
    EXPECT_EQ(storedTimeText(time), "2024-02-29T23:59:58Z");
    EXPECT_EQ(parseStoredTime("2024-02-29T23:59:58Z"), time);
    for (const char* bad : { "2023-02-29T00:00:00Z", "2024-13-01T00:00:00Z", "2024-01-01T24:00:00Z",
                             "2024-01-01T00:60:00Z", "2024-01-01 00:00:00Z", "2024-01-01T00:00:00",
                             "2024-01-01T00:00:00+01", "2024-1-01T00:00:00Z",
                             "20x4-01-01T00:00:00Z", "2024-0x-01T00:00:00Z", "" })
        EXPECT_EQ(parseStoredTime(bad), std::nullopt) << bad;
}

} // namespace
} // namespace kavora::test
