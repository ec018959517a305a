// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// What the defaults, devices and web commands share (SettingsCommand): the help words, the usage
// on wrong words and a change that cannot be saved, each command once.

#include "app/DefaultsCommand.h"
#include "app/DevicesCommand.h"
#include "app/WebCommand.h"

#include "CommandRig.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

int web(const std::vector<std::string>& args, JsonFileUserDefaults& defaults, std::ostream& out,
        std::ostream& err)
{
    return runWebCommand(
        args, defaults, [] { return std::string(); }, out, err);
}

TEST(SettingsCommand, HelpWrongWordsAndUnsavedChanges)
{
    struct Row {
        const char* shows;
        CommandRig::Command command;
        std::vector<std::string> args;
        int status;
        const char* output; // what it starts with
        const char* errors; // what it starts with
        bool unsaved = false; // the settings file cannot be written
    };
    const std::string pad(64, 'd');
    // clang-format off
    const Row rows[] = {
        { "--help", runDefaultsCommand, { "--help" }, 0, "Usage: kavora defaults read", "" },
        { "-h", runDevicesCommand, { "-h" }, 0, "Usage: kavora devices list", "" },
        { "help", web, { "help" }, 0, "Usage: kavora web", "" },
        { "--help after the verb", runDefaultsCommand, { "write", "--help" }, 0, "Usage: kavora defaults", "" },
        { "no words", runDefaultsCommand, {}, 2, "", "Usage: kavora defaults" },
        { "an unknown verb", runDevicesCommand, { "trust", pad }, 2, "", "Usage: kavora devices" },
        { "an unknown word", web, { "maybe" }, 2, "", "Usage: kavora web" },
        { "a malformed value", runDevicesCommand, { "revoke", "Pad" }, 2, "", "kavora devices: \"Pad\" is not a fingerprint" },
        { "defaults not saved", runDefaultsCommand, { "write", "a", "1" }, 1, "", "kavora defaults: cannot read", true },
        { "devices not saved", runDevicesCommand, { "allow", pad }, 1, "", "kavora devices: cannot read", true },
        { "web not saved", web, { "off" }, 1, "", "kavora web: cannot read", true },
    };
    // clang-format on
    for (const auto& row : rows) {
        CommandRig rig;
        if (row.unsaved) // a folder where the file belongs can be neither read nor replaced
            std::filesystem::create_directories(rig.settingsFile());
        const auto result = rig.inProcess(row.command, row.args);
        EXPECT_EQ(result.exitStatus, row.status) << row.shows;
        EXPECT_TRUE(result.output.starts_with(row.output)) << row.shows << ": " << result.output;
        EXPECT_EQ(result.output.empty(), !*row.output) << row.shows;
        EXPECT_TRUE(result.errors.starts_with(row.errors)) << row.shows << ": " << result.errors;
        EXPECT_EQ(result.errors.empty(), !*row.errors) << row.shows;
        EXPECT_EQ(std::filesystem::is_regular_file(rig.settingsFile()), false) << row.shows;
    }
}

} // namespace
} // namespace kavora::test
