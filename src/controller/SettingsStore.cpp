// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "controller/SettingsStore.h"

#include "core/Log.h"
#include "platform/LegacyPreferences.h"
#include "platform/SettingKeys.h"
#include "platform/UserDefaults.h"
#include "protocol/FavoriteSiteList.h"

#include <array>
#include <filesystem>

namespace kavora {
namespace {

// The keys copied from the legacy preferences, in this order. The smoothing setting, the device
// identifier and the marker stay behind.
constexpr std::array<std::string_view, 6> kMigratedKeys = {
    kRegisteredAppBundleIdsKey,    kSystemButtonIDsKey,           kFavoriteSitesKey,
    settingkey::kCursorSpeed.name, settingkey::kScrollSpeed.name, settingkey::kNaturalScroll.name,
};

} // namespace

std::vector<std::string> defaultSystemButtonIDs()
{
    return { "spotlight", "screenshot", "missioncontrol" };
}

SettingsStore::SettingsStore(UserDefaults& defaults, LegacyPreferences& legacy, Log& log)
    : defaults_(defaults)
    , legacy_(legacy)
    , log_(log)
{
}

void SettingsStore::migrateLegacyPreferences()
{
    if (defaults_.boolValue(kMigratedMarkerKey))
        return;
    const std::string home = legacy_.homeDirectory();
    std::optional<PropertyListDictionary> legacy;
    if (!home.empty())
        legacy = legacy_.read((std::filesystem::path(home) / kLegacyPreferencesPath).string());
    if (!legacy) {
        defaults_.setBool(kMigratedMarkerKey, true);
        return;
    }
    for (auto key : kMigratedKeys) {
        auto found = legacy->find(std::string(key));
        if (found != legacy->end() && !defaults_.object(key))
            defaults_.setObject(key, found->second);
    }
    defaults_.setBool(kMigratedMarkerKey, true);
    log_.line("Kavora: 旧バンドルID からのデータ移行完了");
}

StoredLists SettingsStore::loadSettings() const
{
    StoredLists lists;
    lists.registeredBundleIds
        = defaults_.stringArray(kRegisteredAppBundleIdsKey).value_or(std::vector<std::string> {});
    lists.systemButtonIDs
        = defaults_.stringArray(kSystemButtonIDsKey).value_or(defaultSystemButtonIDs());
    if (auto bytes = defaults_.data(kFavoriteSitesKey)) {
        auto sites = decodeFavoriteSiteList(
            std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
        if (sites)
            lists.favoriteSites = std::move(sites).value();
    }
    return lists;
}

void SettingsStore::storeRegisteredBundleIds(const std::vector<std::string>& bundleIds)
{
    defaults_.setStringArray(kRegisteredAppBundleIdsKey, bundleIds);
}

void SettingsStore::storeSystemButtonIDs(const std::vector<std::string>& ids)
{
    defaults_.setStringArray(kSystemButtonIDsKey, ids);
}

void SettingsStore::storeFavoriteSites(const std::vector<FavoriteSite>& sites)
{
    std::vector<FavoriteSite> withoutIcons = sites;
    for (auto& site : withoutIcons)
        site.iconPNG.reset();
    const std::string text = encodeFavoriteSiteList(withoutIcons);
    defaults_.setData(kFavoriteSitesKey, Bytes(text.begin(), text.end()));
}

} // namespace kavora
