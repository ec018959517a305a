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
    // The controller's start-up steps for the settings, with the store half of the change
    // handlers wired first, as the controller wires its own.
    void startUp()
    {
        subscriptions = storeEveryAssignment(lists, store);
        store.migrateLegacyPreferences();
        store.loadSettings(lists);
    }

    std::vector<FavoriteSite> storedFavorites() const
    {
        auto bytes = defaults.data("macFavoriteSites");
        EXPECT_TRUE(bytes);
        if (!bytes)
            return {};
        auto decoded = decodeFavoriteSiteList(textOf(*bytes));
        EXPECT_TRUE(decoded);
        return decoded ? decoded.value() : std::vector<FavoriteSite> {};
    }

    InMemoryUserDefaults defaults;
    FakeLegacyPreferences legacy;
    CapturingLog log;
    SettingsStore store { defaults, legacy, log };
    UserLists lists;
    std::array<Subscription, 3> subscriptions;
};

TEST_F(SettingsStoreTest, FirstStartWithNothingStoredWritesTheDefaultsBack)
{
    startUp();
    EXPECT_EQ(defaults.object("macRegisteredAppBundleIds"), json::array());
    EXPECT_EQ(defaults.object("macSystemButtonIDs"),
              json::array({ "spotlight", "screenshot", "missioncontrol" }));
    EXPECT_FALSE(defaults.contains("macFavoriteSites"));
    EXPECT_EQ(defaults.object("kavora.migrated.v1"), json(true));
    EXPECT_EQ(defaults.size(), 3U);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(legacy.reads, Strings { kLegacyFile });
    EXPECT_EQ(*lists.registeredBundleIds, Strings {});
    EXPECT_EQ(*lists.systemButtonIDs, (Strings { "spotlight", "screenshot", "missioncontrol" }));
    EXPECT_TRUE(lists.favoriteSites->empty());
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

TEST_F(SettingsStoreTest, LegacyListIsInEffectFromTheSameStartUp)
{
    legacy.files[kLegacyFile]
        = { { "macRegisteredAppBundleIds",
              json::array({ "org.mozilla.firefox", "org.gnome.Nautilus" }) },
            { "macFavoriteSites",
              bytesOf(encodeFavoriteSiteList({ site("https://a.example/") })) } };
    startUp();
    EXPECT_EQ(*lists.registeredBundleIds,
              (Strings { "org.mozilla.firefox", "org.gnome.Nautilus" }));
    ASSERT_EQ(lists.favoriteSites->size(), 1U);
    EXPECT_EQ(lists.favoriteSites->at(0).id, "https://a.example/");
    EXPECT_EQ(defaults.stringArray("macRegisteredAppBundleIds"), *lists.registeredBundleIds);
}

TEST_F(SettingsStoreTest, WithTheMarkerSetTheLegacyFileIsNeverRead)
{
    defaults.setBool("kavora.migrated.v1", true);
    legacy.files[kLegacyFile] = { { "macCursorSpeed", 2.0 } };
    startUp();
    EXPECT_TRUE(legacy.reads.empty());
    EXPECT_FALSE(defaults.object("macCursorSpeed"));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(SettingsStoreTest, AMarkerStoredFalseStillMigrates)
{
    defaults.setBool("kavora.migrated.v1", false);
    legacy.files[kLegacyFile] = { { "macCursorSpeed", 2.0 } };
    store.migrateLegacyPreferences();
    EXPECT_EQ(defaults.doubleValue("macCursorSpeed"), 2.0);
}

TEST_F(SettingsStoreTest, WithoutALegacyDictionaryTheMarkerIsSetQuietlyAndOnce)
{
    store.migrateLegacyPreferences();
    store.migrateLegacyPreferences();
    EXPECT_EQ(legacy.reads, Strings { kLegacyFile });
    EXPECT_EQ(defaults.object("kavora.migrated.v1"), json(true));
    EXPECT_EQ(defaults.size(), 1U);
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

struct LoadRow {
    const char* name;
    std::map<std::string, json> stored;
    Strings registered;
    Strings buttons;
    json storedRegisteredAfter;
    json storedButtonsAfter;
};

class SettingsStoreLoad : public SettingsStoreTest, public testing::WithParamInterface<LoadRow> { };

TEST_P(SettingsStoreLoad, AssignsTheStoredListsOrTheDefaultsAndWritesThemBack)
{
    const auto& row = GetParam();
    defaults.setBool("kavora.migrated.v1", true);
    for (const auto& [key, value] : row.stored)
        defaults.setObject(key, value);
    startUp();
    EXPECT_EQ(*lists.registeredBundleIds, row.registered);
    EXPECT_EQ(*lists.systemButtonIDs, row.buttons);
    EXPECT_EQ(defaults.object("macRegisteredAppBundleIds"), row.storedRegisteredAfter);
    EXPECT_EQ(defaults.object("macSystemButtonIDs"), row.storedButtonsAfter);
}

const json kDefaultButtons = json::array({ "spotlight", "screenshot", "missioncontrol" });

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsStoreLoad,
    testing::Values(LoadRow { "StoredListsTakenAsTheyAre",
                              { { "macRegisteredAppBundleIds", json::array({ "b", "a", "b" }) },
                                { "macSystemButtonIDs",
                                  json::array({ "copy", "unknown", "paste", "undo" }) } },
                              { "b", "a", "b" },
                              { "copy", "unknown", "paste", "undo" },
                              json::array({ "b", "a", "b" }),
                              json::array({ "copy", "unknown", "paste", "undo" }) },
                    LoadRow { "EmptyStoredSelectionStaysEmpty",
                              { { "macSystemButtonIDs", json::array() } },
                              {},
                              {},
                              json::array(),
                              json::array() },
                    LoadRow { "AnotherTypeCountsAsAbsent",
                              { { "macRegisteredAppBundleIds", json::array({ 1, 2 }) },
                                { "macSystemButtonIDs", "spotlight" } },
                              {},
                              { "spotlight", "screenshot", "missioncontrol" },
                              json::array(),
                              kDefaultButtons }),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(SettingsStoreTest, StoredFavoritesAreLoadedAndWrittenBack)
{
    defaults.setBool("kavora.migrated.v1", true);
    const std::vector<FavoriteSite> sites { site("https://a.example/"),
                                            site("https://b.example/") };
    defaults.setData("macFavoriteSites",
                     Bytes(bytesOf(encodeFavoriteSiteList(sites)).get_binary()));
    int assignments = 0;
    auto counting = lists.favoriteSites.subscribe([&](const auto&) { ++assignments; });
    startUp();
    EXPECT_EQ(*lists.favoriteSites, sites);
    EXPECT_EQ(assignments, 1);
    EXPECT_EQ(storedFavorites(), sites);
}

TEST_F(SettingsStoreTest, UndecodableFavoritesStayEmptyAndTheBufferUntouchedUntilTheNextEdit)
{
    for (const json& stored : { bytesOf("[{\"id\":\"broken\""), bytesOf("{}"), json("[]") }) {
        SCOPED_TRACE(stored.dump());
        InMemoryUserDefaults domain;
        FakeLegacyPreferences noLegacy;
        SettingsStore settings(domain, noLegacy, log);
        UserLists fresh;
        auto wired = storeEveryAssignment(fresh, settings);
        int assignments = 0;
        auto counting = fresh.favoriteSites.subscribe([&](const auto&) { ++assignments; });
        domain.setObject("macFavoriteSites", stored);

        settings.migrateLegacyPreferences();
        settings.loadSettings(fresh);
        EXPECT_TRUE(fresh.favoriteSites->empty());
        EXPECT_EQ(assignments, 0);
        EXPECT_EQ(domain.object("macFavoriteSites"), stored);

        fresh.favoriteSites = { site("https://new.example/") };
        auto bytes = domain.data("macFavoriteSites");
        ASSERT_TRUE(bytes);
        auto decoded = decodeFavoriteSiteList(textOf(*bytes));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded.value(), std::vector<FavoriteSite> { site("https://new.example/") });
    }
}

TEST_F(SettingsStoreTest, StoredFavoritesNeverCarryIcons)
{
    startUp();
    lists.favoriteSites
        = { site("https://a.example/", Bytes { 0x89, 'P', 'N', 'G' }), site("https://b.example/") };
    auto bytes = defaults.data("macFavoriteSites");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(textOf(*bytes).find("iconPNG"), std::string::npos) << textOf(*bytes);
    EXPECT_EQ(
        storedFavorites(),
        (std::vector<FavoriteSite> { site("https://a.example/"), site("https://b.example/") }));
    // The list itself keeps its icons; only the stored copy leaves them out.
    EXPECT_TRUE(lists.favoriteSites->at(0).iconPNG);
}

TEST_F(SettingsStoreTest, EveryAssignmentIsStoredWhileTheSubscriptionsLive)
{
    startUp();
    lists.registeredBundleIds = { "org.example.Editor" };
    lists.systemButtonIDs = { "copy" };
    lists.favoriteSites = std::vector<FavoriteSite> {};
    EXPECT_EQ(defaults.object("macRegisteredAppBundleIds"), json::array({ "org.example.Editor" }));
    EXPECT_EQ(defaults.object("macSystemButtonIDs"), json::array({ "copy" }));
    EXPECT_EQ(defaults.data("macFavoriteSites"), Bytes(bytesOf("[]").get_binary()));

    for (auto& subscription : subscriptions)
        subscription.reset();
    lists.systemButtonIDs = { "paste" };
    EXPECT_EQ(defaults.object("macSystemButtonIDs"), json::array({ "copy" }));
}

} // namespace
} // namespace kavora::test
