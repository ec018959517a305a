// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Result.h"
#include "protocol/JsonWriter.h"
#include "protocol/Records.h"

#include <nlohmann/json.hpp>

namespace kavora {

// The JSON form of the catalogue records. Members are written in field order, absent optional
// fields are left out (never null) and FavoriteSite's userNamed is always written. Writing cannot
// fail.
void writeJson(JsonWriter& writer, const AppInfo& app);
void writeJson(JsonWriter& writer, const FavoriteSite& site);
void writeJson(JsonWriter& writer, const SystemButton& button);
void writeJson(JsonWriter& writer, const MacroAction& action);

// The same forms as JSON values, for callers that hold JSON documents.
nlohmann::json toJson(const AppInfo& app);
nlohmann::json toJson(const FavoriteSite& site);
nlohmann::json toJson(const SystemButton& button);
nlohmann::json toJson(const MacroAction& action);

// Decoding: the value must be an object; members with other keys are ignored; required fields
// must be present, not null and of their type. Optional fields and userNamed may be absent or
// null. A MacroAction needs exactly one of its four case keys, else the description is "Invalid
// number of keys found, expected one.".
Result<AppInfo> appInfoFromJson(const nlohmann::json& value);
Result<FavoriteSite> favoriteSiteFromJson(const nlohmann::json& value);
Result<SystemButton> systemButtonFromJson(const nlohmann::json& value);
Result<MacroAction> macroActionFromJson(const nlohmann::json& value);

} // namespace kavora
