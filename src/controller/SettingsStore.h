// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/SettingKeys.h"
#include "protocol/Records.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

class LegacyPreferences;
class Log;
class UserDefaults;

inline constexpr std::string_view kRegisteredAppBundleIdsKey = settingkey::kRegisteredApps.name;
inline constexpr std::string_view kSystemButtonIDsKey = settingkey::kSystemButtons.name;
inline constexpr std::string_view kFavoriteSitesKey = settingkey::kFavoriteSites.name;
inline constexpr std::string_view kMigratedMarkerKey = settingkey::kMigrated.name;
// Under the home folder.
inline constexpr std::string_view kLegacyPreferencesPath
    = "Library/Preferences/com.orvent.kavoramac.plist";

// The selection used when none is stored.
std::vector<std::string> defaultSystemButtonIDs();

// The user's three lists as loadSettings found them.
struct StoredLists {
    std::vector<std::string> registeredBundleIds;
    std::vector<std::string> systemButtonIDs;
    // Absent when no stored buffer decodes: the list then stays as it is, and so does the buffer.
    std::optional<std::vector<FavoriteSite>> favoriteSites;
};

// Loads and stores the user's lists in the user-defaults domain, and once per user copies the
// settings of the application's former identity from its legacy preferences file.
class SettingsStore {
public:
    SettingsStore(UserDefaults& defaults, LegacyPreferences& legacy, Log& log);

    // Start-up, before loadSettings: copies the legacy values the domain lacks, once.
    void migrateLegacyPreferences();
    // Start-up: the stored lists, or their defaults. The lists' owners assign them, and their
    // change handlers store them back.
    StoredLists loadSettings() const;

    // The store half of each list's change handler.
    void storeRegisteredBundleIds(const std::vector<std::string>& bundleIds);
    void storeSystemButtonIDs(const std::vector<std::string>& ids);
    // Stores the list without icons, as a UTF-8 JSON array in a byte buffer.
    void storeFavoriteSites(const std::vector<FavoriteSite>& sites);

private:
    UserDefaults& defaults_;
    LegacyPreferences& legacy_;
    Log& log_;
};

} // namespace kavora
