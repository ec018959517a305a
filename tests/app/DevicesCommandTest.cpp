// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// `kavora devices` against a settings folder of the test's own: the command in this process, and
// once through the kavora program.

#include "app/DevicesCommand.h"
#include "link/TrustedDevices.h"

#include "CommandRig.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

const std::string kPad(64, 'd');
// The same fingerprint as a person may copy it: capitals in colon-separated pairs.
const std::string kPadTyped = [] {
    std::string text = "DD";
    for (int i = 1; i < 32; ++i)
        text += ":DD";
    return text;
}();

class DevicesCommandTest : public testing::Test, public CommandRig {
protected:
    RunResult devices(const std::vector<std::string>& args)
    {
        return inProcess(runDevicesCommand, args);
    }
    // The trusted devices as a receiver running beside the command reads them.
    std::vector<TrustedDevice> trusted() const
    {
        auto settings = seenByAReceiver();
        return TrustedDevices(settings, systemWallTime).devices().get();
    }
};

TEST_F(DevicesCommandTest, AllowTrustsAheadOfTimeAndListShowsIt)
{
    EXPECT_EQ(devices({ "list" }).output, "No trusted controllers.\n");
    const auto allowed = devices({ "allow", kPadTyped });
    ASSERT_EQ(allowed.exitStatus, 0) << allowed.errors;
    EXPECT_EQ(allowed.output, "");
    const auto seen = trusted();
    ASSERT_EQ(seen.size(), 1U);
    EXPECT_EQ(seen[0].fingerprint, kPad);
    EXPECT_EQ(seen[0].lastSeen, std::nullopt);
    EXPECT_EQ(devices({ "allow", kPad }).exitStatus, 0) << "allowing twice is no error";

    const auto listed = devices({ "list" });
    EXPECT_EQ(listed.exitStatus, 0);
    EXPECT_EQ(listed.output,
              "(no name yet)\n  fingerprint  " + kPad + "\n  trusted      "
                  + storedTimeText(seen[0].trustedAt).replace(10, 1, " ").substr(0, 19)
                  + " UTC\n  last seen    never\n");
}

TEST_F(DevicesCommandTest, RenameAndRevokeChangeATrustedControllerAndFailOnAnUnknownOne)
{
    ASSERT_EQ(devices({ "allow", kPad }).exitStatus, 0);
    const std::string stranger(64, 'e');
    for (const auto& unknown : { std::vector<std::string> { "revoke", stranger },
                                 std::vector<std::string> { "rename", stranger, "Kitchen" } }) {
        const auto run = devices(unknown);
        EXPECT_EQ(run.exitStatus, 1) << unknown[0];
        EXPECT_NE(run.errors.find("no trusted controller"), std::string::npos) << run.errors;
    }
    EXPECT_EQ(devices({ "rename", kPadTyped, "Kitchen" }).exitStatus, 0);
    EXPECT_EQ(trusted().at(0).name, "Kitchen");
    EXPECT_EQ(devices({ "revoke", kPadTyped }).exitStatus, 0);
    EXPECT_TRUE(trusted().empty());
    EXPECT_EQ(devices({ "revoke", kPad }).exitStatus, 1);
}

TEST_F(DevicesCommandTest, WrongWordsAndMalformedFingerprintsChangeNothing)
{
    const std::vector<std::vector<std::string>> wrong {
        { "allow" },
        { "allow", kPad, "Pad" },
        { "list", "all" },
        { "allow", kPad.substr(1) },
        { "allow", kPad + "0" },
        { "revoke", "Pad" },
        { "rename", kPad },
        { "rename", kPad, "" },
    };
    for (const auto& args : wrong)
        EXPECT_EQ(devices(args).exitStatus, 2) << testing::PrintToString(args);
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
}

TEST_F(DevicesCommandTest, TheProgramRunsTheCommand)
{
    const auto allowed = kavora({ "devices", "allow", kPadTyped });
    ASSERT_EQ(allowed.exitStatus, 0) << allowed.errors;
    EXPECT_EQ(trusted().size(), 1U);
    EXPECT_NE(kavora({ "devices", "--help" }).output.find("kavora devices allow FINGERPRINT"),
              std::string::npos);
    EXPECT_NE(kavora({ "--help" }).output.find("kavora devices"), std::string::npos);
}

} // namespace
} // namespace kavora::test
