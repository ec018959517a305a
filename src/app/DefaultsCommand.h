// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Result.h"

#include <nlohmann/json.hpp>

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

class JsonFileUserDefaults;

// `kavora defaults read [KEY] | write KEY VALUE | delete KEY`: args are the words after
// "defaults". Prints to out and err and returns the exit status: 0 done, 1 no such key or the
// change could not be saved, 2 a usage error (including a malformed VALUE, which changes
// nothing).
int runDefaultsCommand(const std::vector<std::string>& args, JsonFileUserDefaults& defaults,
                       std::ostream& out, std::ostream& err);

// The form values are printed and written in: JSON, with a byte buffer as {"data":"<base64>"}.
nlohmann::json toCommandForm(const nlohmann::json& value);
// Reads a VALUE argument: a JSON string, finite number, true or false, array of strings, or
// {"data":"<base64>"} for a byte buffer.
Result<nlohmann::json> parseCommandValue(std::string_view text);

} // namespace kavora
