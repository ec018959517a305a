// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Result.h"
#include "protocol/Records.h"

#include <string>
#include <string_view>
#include <vector>

namespace kavora {

// The stored form of the favourite list: a compact UTF-8 JSON array of FavoriteSite records in
// list order. The store leaves the icons out by passing sites without iconPNG.
std::string encodeFavoriteSiteList(const std::vector<FavoriteSite>& sites);

// Fails when the text is not a JSON array or any element is not a valid FavoriteSite.
Result<std::vector<FavoriteSite>> decodeFavoriteSiteList(std::string_view json);

} // namespace kavora
