// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "protocol/Records.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

// The fixed catalogue of launcher buttons, in the order the settings window lists them.
const std::vector<SystemButton>& systemButtonPresets();

// The presets for the selected ids, in the user's order; ids not in the catalogue are skipped.
std::vector<SystemButton> selectedSystemButtons(const std::vector<std::string>& systemButtonIDs);

// The selection after toggling id: removes its first occurrence when selected, appends it when
// fewer than kMaxSystemButtons are selected, otherwise returns nothing (no change).
constexpr std::size_t kMaxSystemButtons = 3;
std::optional<std::vector<std::string>>
toggledSystemButtonIDs(std::vector<std::string> systemButtonIDs, const std::string& id);

} // namespace kavora
