// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "controller/SettingsStore.h"

#include "protocol/FavoriteSiteList.h"
#include "support/CapturingLog.h"
#include "support/FakeLegacyPreferences.h"
#include "support/InMemoryUserDefaults.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

using nlohmann::json;
using Strings = std::vector<std::string>;
using Values = std::map<std::string, json>;

constexpr const char* kLegacyFile = "/home/kavora/Library/Preferences/com.orvent.kavoramac.plist";
const Strings kDefaultIds { "spotlight", "screenshot", "missioncontrol" };

FavoriteSite site(std::string id, std::optional<Bytes> icon = std::nullopt)
{
    return { id, id, "サイト " + id, std::nullopt, std::move(icon), false };
}

json bytesOf(std::string_view text)
{
    return json::binary(Bytes(text.begin(), text.end()));
}

class SettingsStoreTest : public testing::Test {
protected:
    InMemoryUserDefaults defaults;
    FakeLegacyPreferences legacy;
    CapturingLog log;
    SettingsStore store { defaults, legacy, log };
};

TEST_F(SettingsStoreTest, FirstStartFindsNothingAndOnlyMarksTheMigration)
{
    store.migrateLegacyPreferences();
    store.migrateLegacyPreferences();
    const auto lists = store.loadSettings();
    EXPECT_EQ(lists.registeredBundleIds, Strings {});
    EXPECT_EQ(lists.systemButtonIDs, kDefaultIds);
    EXPECT_FALSE(lists.favoriteSites);
    EXPECT_EQ(defaults.object("kavora.migrated.v1"), json(true));
    EXPECT_EQ(defaults.size(), 1U);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(legacy.reads, Strings { kLegacyFile }); // looked for once
}

TEST_F(SettingsStoreTest, MigrationCopiesTheSixKeysTheDomainLacksAsTheyAre)
{
    const Values six { { "macRegisteredAppBundleIds", json::array({ "org.example.A" }) },
                       { "macSystemButtonIDs", json::array() },
                       { "macFavoriteSites", bytesOf("[]") },
                       { "macCursorSpeed", 0.5 },
                       { "macScrollSpeed", 3 },
                       { "macNaturalScroll", "YES" } };
    struct Row {
        const char* shows;
        Values legacy;
        Values current;
        Values expected; // the six keys afterwards
    };
    // clang-format off
    const Row rows[] = {
        { "all six copied unchanged", six, {}, six },
        { "a current value is kept", { { "macCursorSpeed", 2.0 } }, { { "macCursorSpeed", 1.5 } }, { { "macCursorSpeed", 1.5 } } },
        { "even one of another type", { { "macScrollSpeed", 2.0 } }, { { "macScrollSpeed", "fast" } }, { { "macScrollSpeed", "fast" } } },
        { "a marker stored false still migrates", { { "macCursorSpeed", 2.0 } }, { { "kavora.migrated.v1", false } }, { { "macCursorSpeed", 2.0 } } },
        { "other keys stay behind",
          { { "macCursorSmoothing", 0.3 }, { "kavora.mac.deviceID", "ID" }, { "kavora.migrated.v1", false }, { "other", 1 } }, {}, {} },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        InMemoryUserDefaults domain;
        FakeLegacyPreferences files;
        CapturingLog lines;
        files.files[kLegacyFile] = row.legacy;
        for (const auto& [key, value] : row.current)
            domain.setObject(key, value);
        SettingsStore(domain, files, lines).migrateLegacyPreferences();

        Values after;
        for (const auto& [key, value] : six) {
            if (auto stored = domain.object(key))
                after[key] = *stored;
        }
        EXPECT_EQ(after, row.expected);
        EXPECT_EQ(domain.size(), row.expected.size() + 1); // and the marker, now true
        EXPECT_EQ(domain.object("kavora.migrated.v1"), json(true));
        EXPECT_EQ(lines.lines, Strings { "Kavora: 旧バンドルID からのデータ移行完了" });
    }
}

TEST_F(SettingsStoreTest, NoMigrationWithTheMarkerSetOrWithoutAHomeFolder)
{
    defaults.setBool("kavora.migrated.v1", true);
    legacy.files[kLegacyFile] = { { "macCursorSpeed", 2.0 } };
    store.migrateLegacyPreferences();

    InMemoryUserDefaults homeless;
    FakeLegacyPreferences noHome;
    noHome.home.clear();
    noHome.files["Library/Preferences/com.orvent.kavoramac.plist"] = { { "macCursorSpeed", 2.0 } };
    SettingsStore(homeless, noHome, log).migrateLegacyPreferences();

    EXPECT_TRUE(legacy.reads.empty());
    EXPECT_TRUE(noHome.reads.empty());
    EXPECT_EQ(defaults.size(), 1U);
    EXPECT_EQ(homeless.object("kavora.migrated.v1"), json(true));
    EXPECT_EQ(homeless.size(), 1U);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(SettingsStoreTest, StoredListsAreTakenAsTheyAreAndOtherTypesCountAsAbsent)
{
    struct Row {
        const char* shows;
        json registered;
        json buttons;
        Strings expectedRegistered;
        Strings expectedButtons;
    };
    // clang-format off
    const Row rows[] = {
        { "no limits or known ids applied", { "b", "a", "b" }, { "copy", "unknown", "paste", "undo" }, { "b", "a", "b" }, { "copy", "unknown", "paste", "undo" } },
        { "an empty selection stays empty", nullptr, json::array(), {}, {} },
        { "another type counts as absent", { 1, 2 }, "spotlight", {}, kDefaultIds },
    };
    // clang-format on
    for (const auto& row : rows) {
        InMemoryUserDefaults domain;
        if (!row.registered.is_null())
            domain.setObject("macRegisteredAppBundleIds", row.registered);
        domain.setObject("macSystemButtonIDs", row.buttons);
        const auto lists = SettingsStore(domain, legacy, log).loadSettings();
        EXPECT_EQ(lists.registeredBundleIds, row.expectedRegistered) << row.shows;
        EXPECT_EQ(lists.systemButtonIDs, row.expectedButtons) << row.shows;
    }
}

TEST_F(SettingsStoreTest, FavoritesLoadOnlyFromABufferThatDecodes)
{
    const std::vector<FavoriteSite> sites { site("https://a/"), site("https://b/") };
    defaults.setObject("macFavoriteSites", bytesOf(encodeFavoriteSiteList(sites)));
    EXPECT_EQ(store.loadSettings().favoriteSites, sites);

    for (const json& stored : { bytesOf("[{\"id\":\"broken\""), bytesOf("{}"), json("[]") }) {
        defaults.setObject("macFavoriteSites", stored);
        EXPECT_FALSE(store.loadSettings().favoriteSites) << stored.dump();
        EXPECT_EQ(defaults.object("macFavoriteSites"), stored) << "left as it is";
    }
}

TEST_F(SettingsStoreTest, StoredFavoritesNeverCarryIcons)
{
    store.storeFavoriteSites({ site("https://a/", Bytes { 0x89, 'P' }), site("https://b/") });
    const auto bytes = defaults.data("macFavoriteSites").value_or(Bytes {});
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              encodeFavoriteSiteList({ site("https://a/"), site("https://b/") }));
}

} // namespace
} // namespace kavora::test
