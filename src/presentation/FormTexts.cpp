// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/FormTexts.h"

#include "controller/AppCatalogue.h"
#include "controller/FavoriteSites.h"
#include "controller/SystemButtonPresets.h"
#include "presentation/Translation.h"

namespace kavora {
namespace {

constexpr const char* kChromeBundleId = "com.google.Chrome";
constexpr const char* kSafariBundleId = "com.apple.Safari";

// The counts are printed as "%lld" prints them.
std::string count(std::size_t value)
{
    return std::to_string(static_cast<long long>(value));
}

} // namespace

std::string registeredAppsHeader()
{
    return fillIn(i18n("Registered apps (up to {limit})"),
                  { { "limit", count(kMaxRegisteredApps) } });
}

std::string systemButtonsHeader(std::size_t selected)
{
    return fillIn(i18n("Top buttons ({selected}/{limit})"),
                  { { "selected", count(selected) }, { "limit", count(kMaxSystemButtons) } });
}

std::string systemButtonsNote()
{
    return fillIn(i18np("Choose up to {limit} button to show at the top of the launcher.",
                        "Choose up to {limit} buttons to show at the top of the launcher.",
                        kMaxSystemButtons),
                  { { "limit", count(kMaxSystemButtons) } });
}

std::string favoriteSitesHeader(std::size_t sites)
{
    return fillIn(i18n("Favourite sites ({count}/{limit})"),
                  { { "count", count(sites) }, { "limit", count(FavoriteSites::kMaxSites) } });
}

std::string versionText(const std::optional<std::string>& version)
{
    return version.value_or("?") + " (Linux)";
}

std::string browserName(const std::optional<std::string>& browserBundleId)
{
    if (browserBundleId == kChromeBundleId)
        return "Chrome";
    if (browserBundleId == kSafariBundleId)
        return "Safari";
    return i18n("Default");
}

std::vector<BrowserChoice> browserChoices()
{
    return {
        { i18n("Default"), std::nullopt },
        { "Chrome", kChromeBundleId },
        { "Safari", kSafariBundleId },
    };
}

} // namespace kavora
