// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/DefaultsCommand.h"

#include "app/SettingsCommand.h"
#include "core/Base64.h"
#include "core/Json.h"
#include "platform/linux/settings/JsonFileUserDefaults.h"

#include <cmath>
#include <ostream>

namespace kavora {
namespace {

using nlohmann::json;

void printUsage(std::ostream& stream, const JsonFileUserDefaults& defaults)
{
    stream << "Usage: kavora defaults read [KEY]\n"
              "       kavora defaults write KEY VALUE\n"
              "       kavora defaults delete KEY\n"
              "\n"
              "Reads and changes the receiver's settings, kept in\n"
              "  "
           << defaults.filePath().string()
           << "\n"
              "\n"
              "  read              print every key and value as one JSON object\n"
              "  read KEY          print the value of KEY; exit status 1 when it has none\n"
              "  write KEY VALUE   store VALUE under KEY\n"
              "  delete KEY        remove KEY; exit status 1 when it has no value\n"
              "\n"
              "VALUE and printed values are JSON: a string in double quotes (quote it for the\n"
              "shell: '\"text\"'), a number (1.5), true or false, an array of strings\n"
              "('[\"a\",\"b\"]'), or a byte buffer as {\"data\":\"<base64>\"}.\n"
              "A running receiver sees a change the next time it reads the setting.\n";
}

std::string dump(const json& value)
{
    return value.dump(2, ' ', false, json::error_handler_t::replace);
}

int readValues(const std::vector<std::string>& args, JsonFileUserDefaults& defaults,
               const SettingsCommand& command)
{
    if (args.size() == 1) {
        json all = json::object();
        for (const auto& [key, value] : defaults.dictionaryRepresentation())
            all[key] = toCommandForm(value);
        command.out() << dump(all) << '\n';
        return SettingsCommand::kDone;
    }
    auto value = defaults.object(args[1]);
    if (!value)
        return command.complain("the key \"" + args[1] + "\" has no value",
                                SettingsCommand::kFailed);
    command.out() << dump(toCommandForm(*value)) << '\n';
    return SettingsCommand::kDone;
}

} // namespace

json toCommandForm(const json& value)
{
    if (value.is_binary())
        return json { { "data", encodeBase64(value.get_binary()) } };
    if (value.is_array()) {
        json array = json::array();
        for (const auto& element : value)
            array.push_back(toCommandForm(element));
        return array;
    }
    if (value.is_object()) {
        json object = json::object();
        for (const auto& [key, element] : value.items())
            object[key] = toCommandForm(element);
        return object;
    }
    return value;
}

Result<json> parseCommandValue(std::string_view text)
{
    json value = parseJson(text);
    if (value.is_discarded()) {
        return Error { "not JSON; a string needs double quotes, e.g. '\"" + std::string(text)
                       + "\"'" };
    }
    if (value.is_string() || value.is_boolean())
        return value;
    if (value.is_number()) {
        if (value.is_number_float() && !std::isfinite(value.get<double>()))
            return Error { "the number is out of range" };
        return value;
    }
    if (value.is_array()) {
        for (const auto& element : value) {
            if (!element.is_string())
                return Error { "an array may hold only strings" };
        }
        return value;
    }
    if (value.is_object() && value.size() == 1 && value.contains("data")
        && value["data"].is_string()) {
        auto bytes = decodeBase64(value["data"].get_ref<const std::string&>());
        if (!bytes)
            return Error { "the \"data\" member is not base64" };
        return json::binary(std::move(*bytes));
    }
    return Error { "expected a string, a number, true, false, an array of strings or "
                   "{\"data\":\"<base64>\"}" };
}

int runDefaultsCommand(const std::vector<std::string>& args, JsonFileUserDefaults& defaults,
                       std::ostream& out, std::ostream& err)
{
    const SettingsCommand command(
        "defaults", [&defaults](std::ostream& stream) { printUsage(stream, defaults); }, out, err);
    if (SettingsCommand::asksForHelp(args))
        return command.help();
    const std::string verb = args.empty() ? std::string() : args[0];
    if (args.size() >= 2 && args[1].empty())
        return command.complain("KEY must not be empty", SettingsCommand::kUsageError);
    if (verb == "read" && args.size() <= 2)
        return readValues(args, defaults, command);
    if (verb == "write" && args.size() == 3) {
        auto value = parseCommandValue(args[2]);
        if (!value) {
            return command.complain("VALUE " + args[2] + " is refused: " + value.error(),
                                    SettingsCommand::kUsageError);
        }
        defaults.setObject(args[1], std::move(value).value());
        return command.finishChange(defaults);
    }
    if (verb == "delete" && args.size() == 2) {
        if (!defaults.object(args[1]))
            return command.complain("the key \"" + args[1] + "\" has no value",
                                    SettingsCommand::kFailed);
        defaults.removeObject(args[1]);
        return command.finishChange(defaults);
    }
    return command.wrongUsage();
}

} // namespace kavora
