// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "controller/AppCatalogue.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

// Which rows and controls of the settings window's lists are offered.

// A top-button row can be pressed when its preset is selected (to deselect it) or while fewer
// than three are selected.
bool isPresetRowEnabled(const std::vector<std::string>& systemButtonIDs, const std::string& id);

// Whether a list of `count` entries is at its limit, where the add controls give way to
// "Limit reached".
bool isAtLimit(std::size_t count, std::size_t limit);

// The name a registered application's row shows: the first installed application's with that
// id, else the id itself (an application that was uninstalled).
std::string registeredAppName(const std::vector<InstalledApp>& installed,
                              const std::string& bundleId);
// The add menu's items: the installed applications not registered yet, in the given order.
std::vector<InstalledApp> addableApps(const std::vector<InstalledApp>& installed,
                                      const std::vector<std::string>& registeredBundleIds);

// The add-site button is enabled once the URL is more than white space and line breaks.
bool canAddSite(std::string_view urlText);

// Moving a row one place with the keyboard is a move onto its neighbour: the id of the row
// above (Up) or below (Down), nothing at either end or for an id not in the list.
enum class MoveDirection { Up, Down };
std::optional<std::string> keyboardMoveTarget(const std::vector<std::string>& ids,
                                              const std::string& id, MoveDirection direction);

} // namespace kavora
