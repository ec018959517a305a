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

constexpr const char* kLegacyFile = "/home/kavora/Library/Preferences/com.orvent.kavoramac.plist";
constexpr const char* kMigrationLine = "Kavora: 旧バンドルID からのデータ移行完了";

FavoriteSite site(std::string id, std::optional<Bytes> icon = std::nullopt)
{
    FavoriteSite result;
    result.id = id;
    result.url = id;
    result.name = "サイト " + id;
    result.iconPNG = std::move(icon);
    return result;
}

json bytesOf(std::string_view text)
{
    return json::binary(Bytes(text.begin(), text.end()));
}

std::string textOf(const Bytes& bytes)
{
    return { bytes.begin(), bytes.end() };
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
    EXPECT_EQ(lists.systemButtonIDs, (Strings { "spotlight", "screenshot", "missioncontrol" }));
    EXPECT_FALSE(lists.favoriteSites);
    EXPECT_EQ(defaults.object("kavora.migrated.v1"), json(true));
    EXPECT_EQ(defaults.size(), 1U);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(legacy.reads, Strings { kLegacyFile }); // looked for once
}

struct MigrationRow {
    const char* name;
    PropertyListDictionary legacyValues;
    std::map<std::string, json> current;
    std::map<std::string, json> expected; // the six migrated keys afterwards
};

class SettingsStoreMigration : public SettingsStoreTest,
                               public testing::WithParamInterface<MigrationRow> { };

TEST_P(SettingsStoreMigration, CopiesOnlyWhatTheDomainLacks)
{
    const auto& row = GetParam();
    legacy.files[kLegacyFile] = row.legacyValues;
    for (const auto& [key, value] : row.current)
        defaults.setObject(key, value);

    store.migrateLegacyPreferences();

    for (const char* key : { "macRegisteredAppBundleIds", "macSystemButtonIDs", "macFavoriteSites",
                             "macCursorSpeed", "macScrollSpeed", "macNaturalScroll" }) {
        auto expected = row.expected.find(key);
        if (expected == row.expected.end())
            EXPECT_FALSE(defaults.object(key)) << key;
        else
            EXPECT_EQ(defaults.object(key), expected->second) << key;
    }
    EXPECT_EQ(defaults.object("kavora.migrated.v1"), json(true));
    EXPECT_EQ(log.lines, Strings { kMigrationLine });
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsStoreMigration,
    testing::Values(
        MigrationRow {
            "ValueCopied", { { "macCursorSpeed", 2.0 } }, {}, { { "macCursorSpeed", 2.0 } } },
        MigrationRow { "CurrentValueKept",
                       { { "macCursorSpeed", 2.0 } },
                       { { "macCursorSpeed", 1.5 } },
                       { { "macCursorSpeed", 1.5 } } },
        MigrationRow { "CurrentValueOfAnotherTypeStillKept",
                       { { "macScrollSpeed", 2.0 } },
                       { { "macScrollSpeed", "fast" } },
                       { { "macScrollSpeed", "fast" } } },
        MigrationRow { "AllSixCopiedUnchanged",
                       { { "macRegisteredAppBundleIds", json::array({ "org.example.A" }) },
                         { "macSystemButtonIDs", json::array() },
                         { "macFavoriteSites", bytesOf("[]") },
                         { "macCursorSpeed", 0.5 },
                         { "macScrollSpeed", 3 },
                         { "macNaturalScroll", false } },
                       {},
                       { { "macRegisteredAppBundleIds", json::array({ "org.example.A" }) },
                         { "macSystemButtonIDs", json::array() },
                         { "macFavoriteSites", bytesOf("[]") },
                         { "macCursorSpeed", 0.5 },
                         { "macScrollSpeed", 3 },
                         { "macNaturalScroll", false } } },
        MigrationRow { "MarkerStoredFalseStillMigrates",
                       { { "macCursorSpeed", 2.0 } },
                       { { "kavora.migrated.v1", false } },
                       { { "macCursorSpeed", 2.0 } } },
        MigrationRow { "ValueOfAnotherTypeCopiedAsItIs",
                       { { "macNaturalScroll", "YES" } },
                       {},
                       { { "macNaturalScroll", "YES" } } },
        MigrationRow { "EmptyDictionaryStillCountsAsMigrated", {}, {}, {} }),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(SettingsStoreTest, KeysOutsideTheSixStayBehind)
{
    legacy.files[kLegacyFile] = { { "macCursorSmoothing", 0.3 },
                                  { "kavora.mac.deviceID", "LEGACY-ID" },
                                  { "kavora.migrated.v1", false },
                                  { "other", 1 } };
    store.migrateLegacyPreferences();
    EXPECT_FALSE(defaults.object("macCursorSmoothing"));
    EXPECT_FALSE(defaults.object("kavora.mac.deviceID"));
    EXPECT_FALSE(defaults.object("other"));
    EXPECT_EQ(defaults.object("kavora.migrated.v1"), json(true));
    EXPECT_EQ(log.lines, Strings { kMigrationLine });
}

TEST_F(SettingsStoreTest, MigratedListsAreLoadedAtTheSameStartUp)
{
    legacy.files[kLegacyFile]
        = { { "macRegisteredAppBundleIds",
              json::array({ "org.mozilla.firefox", "org.gnome.Nautilus" }) },
            { "macFavoriteSites",
              bytesOf(encodeFavoriteSiteList({ site("https://a.example/") })) } };
    store.migrateLegacyPreferences();
    const auto lists = store.loadSettings();
    EXPECT_EQ(lists.registeredBundleIds, (Strings { "org.mozilla.firefox", "org.gnome.Nautilus" }));
    EXPECT_EQ(lists.favoriteSites, std::vector<FavoriteSite> { site("https://a.example/") });
}

TEST_F(SettingsStoreTest, WithTheMarkerSetTheLegacyFileIsNeverRead)
{
    defaults.setBool("kavora.migrated.v1", true);
    legacy.files[kLegacyFile] = { { "macCursorSpeed", 2.0 } };
    store.migrateLegacyPreferences();
    EXPECT_TRUE(legacy.reads.empty());
    EXPECT_FALSE(defaults.object("macCursorSpeed"));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(SettingsStoreTest, WithoutAHomeFolderThereIsNothingToMigrate)
{
    legacy.home.clear();
    legacy.files["Library/Preferences/com.orvent.kavoramac.plist"] = { { "macCursorSpeed", 2.0 } };
    store.migrateLegacyPreferences();
    EXPECT_TRUE(legacy.reads.empty());
    EXPECT_TRUE(defaults.boolValue("kavora.migrated.v1"));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(SettingsStoreTest, StoredListsAreTakenAsTheyAreAndOtherTypesCountAsAbsent)
{
    struct Row {
        const char* shows;
        std::map<std::string, json> stored;
        Strings registered;
        Strings buttons;
    };
    const Row rows[] = {
        { "no limits or known ids applied",
          { { "macRegisteredAppBundleIds", json::array({ "b", "a", "b" }) },
            { "macSystemButtonIDs", json::array({ "copy", "unknown", "paste", "undo" }) } },
          { "b", "a", "b" },
          { "copy", "unknown", "paste", "undo" } },
        { "an empty selection stays empty", { { "macSystemButtonIDs", json::array() } }, {}, {} },
        { "another type counts as absent",
          { { "macRegisteredAppBundleIds", json::array({ 1, 2 }) },
            { "macSystemButtonIDs", "spotlight" } },
          {},
          { "spotlight", "screenshot", "missioncontrol" } },
    };
    for (const auto& row : rows) {
        InMemoryUserDefaults domain;
        for (const auto& [key, value] : row.stored)
            domain.setObject(key, value);
        const auto lists = SettingsStore(domain, legacy, log).loadSettings();
        EXPECT_EQ(lists.registeredBundleIds, row.registered) << row.shows;
        EXPECT_EQ(lists.systemButtonIDs, row.buttons) << row.shows;
    }
}

TEST_F(SettingsStoreTest, FavoritesLoadOnlyFromABufferThatDecodes)
{
    const std::vector<FavoriteSite> sites { site("https://a.example/"),
                                            site("https://b.example/") };
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
    store.storeFavoriteSites(
        { site("https://a.example/", Bytes { 0x89, 'P', 'N', 'G' }), site("https://b.example/") });
    auto bytes = defaults.data("macFavoriteSites");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(textOf(*bytes).find("iconPNG"), std::string::npos) << textOf(*bytes);
    EXPECT_EQ(
        decodeFavoriteSiteList(textOf(*bytes)).value(),
        (std::vector<FavoriteSite> { site("https://a.example/"), site("https://b.example/") }));
}

} // namespace
} // namespace kavora::test
