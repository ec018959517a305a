#pragma once

#include "controller/UserLists.h"
#include "core/Published.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

class LegacyPreferences;
class Log;
class UserDefaults;

inline constexpr std::string_view kRegisteredAppBundleIdsKey = "macRegisteredAppBundleIds";
inline constexpr std::string_view kSystemButtonIDsKey = "macSystemButtonIDs";
inline constexpr std::string_view kFavoriteSitesKey = "macFavoriteSites";
inline constexpr std::string_view kMigratedMarkerKey = "kavora.migrated.v1";
// Under the home folder.
inline constexpr std::string_view kLegacyPreferencesPath
    = "Library/Preferences/com.orvent.kavoramac.plist";

// The selection used when none is stored.
std::vector<std::string> defaultSystemButtonIDs();

// Loads and stores the user's lists in the user-defaults domain, and once per user copies the
// settings of the application's former identity from its legacy preferences file.
class SettingsStore {
public:
    SettingsStore(UserDefaults& defaults, LegacyPreferences& legacy, Log& log);

    // Start-up, before loadSettings: copies the legacy values the domain lacks, once.
    void migrateLegacyPreferences();
    // Start-up: assigns the stored lists (or their defaults) to lists. The favourites are
    // assigned only when a stored buffer decodes; otherwise they and the buffer stay as they are.
    void loadSettings(UserLists& lists);

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

// Runs the matching store operation after every assignment of each list, for as long as the
// returned subscriptions live. The controller's own change handlers do this and then push.
[[nodiscard]] std::array<Subscription, 3> storeEveryAssignment(UserLists& lists,
                                                               SettingsStore& store);

} // namespace kavora
