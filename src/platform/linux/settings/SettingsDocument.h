// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Result.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace kavora {

// The values of a settings domain by key. Byte buffers are nlohmann binary values.
using SettingsValues = std::map<std::string, nlohmann::json, std::less<>>;

// The text form of settings.json: one JSON object whose members are the keys of the domain.
//
// JSON has no byte buffers, so a buffer is written as an object with the single member "$data"
// holding its standard base64 text: {"$data":"AAEC"}. So that no stored dictionary can be taken
// for a buffer, every key of a stored dictionary that starts with "$" is written with one more
// "$" in front ("$data" becomes "$$data") and loses it again when read. Any other object key
// starting with a single "$" is not something this format writes, and makes the document invalid.
// A top-level member holding null counts as absent.
inline constexpr std::string_view kDataTag = "$data";

// Documents larger than this are not read: the receiver's own settings stay far below it.
inline constexpr std::size_t kMaxSettingsDocumentSize = std::size_t { 8 } * 1024 * 1024;
// Arrays and dictionaries may nest at most this deep inside a value.
inline constexpr int kMaxSettingsValueDepth = 64;

// Reads the text of a settings file; any departure from the format above is an error whose
// description says what is wrong.
Result<SettingsValues> parseSettingsDocument(std::string_view text);

// Writes the text of a settings file (indented, keys sorted, ending with a newline). Strings
// that are not valid UTF-8 have the bad bytes replaced by U+FFFD.
std::string serializeSettingsDocument(const SettingsValues& values);

// Whether a value can be written and read back unchanged: no NaN or infinity, and no deeper
// nesting than kMaxSettingsValueDepth.
bool isStorableSettingsValue(const nlohmann::json& value);

} // namespace kavora
