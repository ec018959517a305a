// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/SettingsCommand.h"

#include "platform/linux/settings/JsonFileUserDefaults.h"

#include <ostream>

namespace kavora {

SettingsCommand::SettingsCommand(std::string_view name, Usage usage, std::ostream& out,
                                 std::ostream& err)
    : name_(name)
    , usage_(std::move(usage))
    , out_(out)
    , err_(err)
{
}

bool SettingsCommand::asksForHelp(const std::vector<std::string>& args)
{
    if (args.empty())
        return false;
    const auto& first = args[0];
    return first == "--help" || first == "-h" || first == "help"
        || (args.size() == 2 && args[1] == "--help");
}

int SettingsCommand::help() const
{
    usage_(out_);
    return kDone;
}

int SettingsCommand::wrongUsage() const
{
    usage_(err_);
    return kUsageError;
}

int SettingsCommand::complain(std::string_view problem, int status) const
{
    err_ << "kavora " << name_ << ": " << problem << '\n';
    return status;
}

int SettingsCommand::finishChange(const JsonFileUserDefaults& defaults) const
{
    if (auto error = defaults.lastWriteError())
        return complain(*error, kFailed);
    return kDone;
}

} // namespace kavora
