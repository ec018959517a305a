// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

// The settings window's texts that carry a number or depend on a value, in the user's language
// (Translation.h).

// "Registered apps (up to 10)", with the registration limit.
std::string registeredAppsHeader();
// "Top buttons (n/3)" for n selected buttons.
std::string systemButtonsHeader(std::size_t selected);
// "Choose up to 3 buttons to show at the top of the launcher."
std::string systemButtonsNote();
// "Favourite sites (n/10)" for n sites.
std::string favoriteSitesHeader(std::size_t sites);

// The program's version followed by the platform, "? (Linux)" when the version is unknown.
std::string versionText(const std::optional<std::string>& version);

// The browser a favourite site opens in, as its row names it: "Chrome", "Safari", else
// "Default" (the desktop's default browser).
std::string browserName(const std::optional<std::string>& browserBundleId);

// The choices of the add-site form's browser picker, in order; an absent value is the default.
struct BrowserChoice {
    std::string label;
    std::optional<std::string> browserBundleId;
};
std::vector<BrowserChoice> browserChoices();

} // namespace kavora
