// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/ListRules.h"

#include "controller/SystemButtonPresets.h"
#include "core/Text.h"

#include <algorithm>

namespace kavora {

bool isPresetRowEnabled(const std::vector<std::string>& systemButtonIDs, const std::string& id)
{
    const bool selected
        = std::find(systemButtonIDs.begin(), systemButtonIDs.end(), id) != systemButtonIDs.end();
    return selected || systemButtonIDs.size() < kMaxSystemButtons;
}

bool isAtLimit(std::size_t count, std::size_t limit)
{
    return count >= limit;
}

std::string registeredAppName(const std::vector<InstalledApp>& installed,
                              const std::string& bundleId)
{
    const auto found
        = std::find_if(installed.begin(), installed.end(),
                       [&](const InstalledApp& app) { return app.bundleId == bundleId; });
    return found != installed.end() ? found->name : bundleId;
}

std::vector<InstalledApp> addableApps(const std::vector<InstalledApp>& installed,
                                      const std::vector<std::string>& registeredBundleIds)
{
    std::vector<InstalledApp> addable;
    std::copy_if(installed.begin(), installed.end(), std::back_inserter(addable),
                 [&](const InstalledApp& app) {
                     return std::find(registeredBundleIds.begin(), registeredBundleIds.end(),
                                      app.bundleId)
                         == registeredBundleIds.end();
                 });
    return addable;
}

bool canAddSite(std::string_view urlText)
{
    return !trimWhitespaceAndNewlines(urlText).empty();
}

std::optional<std::string> keyboardMoveTarget(const std::vector<std::string>& ids,
                                              const std::string& id, MoveDirection direction)
{
    const auto found = std::find(ids.begin(), ids.end(), id);
    if (found == ids.end())
        return std::nullopt;
    if (direction == MoveDirection::Up)
        return found == ids.begin() ? std::nullopt : std::optional(*std::prev(found));
    const auto next = std::next(found);
    return next == ids.end() ? std::nullopt : std::optional(*next);
}

} // namespace kavora
