// `kavora devices` against a settings folder of the test's own: the command in this process, and
// once through the kavora program.

#include "app/DevicesCommand.h"
#include "link/TrustedDevices.h"
#include "platform/linux/settings/JsonFileUserDefaults.h"

#include "ProgramRun.h"
#include "support/CapturingLog.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

namespace fs = std::filesystem;

const std::string kPad(64, 'd');
// The same fingerprint as a person may copy it: capitals in colon-separated pairs.
const std::string kPadTyped = [] {
    std::string text;
    for (int i = 0; i < 32; ++i)
        text += (i == 0 ? "" : ":") + std::string("DD");
    return text;
}();

class DevicesCommandTest : public testing::Test {
protected:
    fs::path folder() const { return temporary.path() / "kavora"; }

    ProgramRun devices(const std::vector<std::string>& args)
    {
        std::ostringstream out;
        std::ostringstream err;
        const int status = runDevicesCommand(args, store, out, err);
        return { status, out.str(), err.str() };
    }
    // The trusted devices as a receiver running beside the command reads them.
    std::vector<TrustedDevice> seenByAReceiver() const
    {
        CapturingLog otherLog;
        JsonFileUserDefaults other(folder(), otherLog);
        return TrustedDevices(other, systemWallTime).devices().get();
    }

    TemporaryFolder temporary;
    CapturingLog log;
    JsonFileUserDefaults store { folder(), log };
};

TEST_F(DevicesCommandTest, AllowTrustsAheadOfTimeAndListShowsIt)
{
    EXPECT_EQ(devices({ "list" }).out, "No trusted controllers.\n");
    const auto allowed = devices({ "allow", kPadTyped });
    ASSERT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_EQ(allowed.out, "");
    const auto seen = seenByAReceiver();
    ASSERT_EQ(seen.size(), 1U);
    EXPECT_EQ(seen[0].fingerprint, kPad);
    EXPECT_EQ(seen[0].lastSeen, std::nullopt);
    EXPECT_EQ(devices({ "allow", kPad }).status, 0) << "allowing twice is no error";

    const auto listed = devices({ "list" });
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out,
              "(no name yet)\n  fingerprint  " + kPad + "\n  trusted      "
                  + storedTimeText(seen[0].trustedAt).replace(10, 1, " ").substr(0, 19)
                  + " UTC\n  last seen    never\n");
}

TEST_F(DevicesCommandTest, RenameAndRevokeChangeATrustedControllerAndFailOnAnUnknownOne)
{
    ASSERT_EQ(devices({ "allow", kPad }).status, 0);
    const std::string stranger(64, 'e');
    for (const auto& unknown : { std::vector<std::string> { "revoke", stranger },
                                 std::vector<std::string> { "rename", stranger, "Kitchen" } }) {
        const auto run = devices(unknown);
        EXPECT_EQ(run.status, 1) << unknown[0];
        EXPECT_NE(run.err.find("no trusted controller"), std::string::npos) << run.err;
    }
    EXPECT_EQ(devices({ "rename", kPadTyped, "Kitchen" }).status, 0);
    EXPECT_EQ(seenByAReceiver().at(0).name, "Kitchen");
    EXPECT_EQ(devices({ "revoke", kPadTyped }).status, 0);
    EXPECT_TRUE(seenByAReceiver().empty());
    EXPECT_EQ(devices({ "revoke", kPad }).status, 1);
}

TEST_F(DevicesCommandTest, WrongWordsAndMalformedFingerprintsChangeNothing)
{
    const std::vector<std::vector<std::string>> wrong {
        {},
        { "trust", kPad },
        { "allow" },
        { "allow", kPad, "Pad" },
        { "list", "all" },
        { "allow", kPad.substr(1) },
        { "allow", kPad + "0" },
        { "revoke", "Pad" },
        { "rename", kPad },
        { "rename", kPad, "" },
    };
    for (const auto& args : wrong) {
        const auto run = devices(args);
        EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(run.out, "") << testing::PrintToString(args);
        EXPECT_NE(run.err.find("kavora devices"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(folder() / "settings.json"));
}

TEST_F(DevicesCommandTest, AChangeThatCannotBeSavedFails)
{
    fs::create_directories(folder() / "settings.json");
    const auto allowed = devices({ "allow", kPad });
    EXPECT_EQ(allowed.status, 1);
    EXPECT_NE(allowed.err.find("kavora devices: cannot read"), std::string::npos) << allowed.err;
}

TEST_F(DevicesCommandTest, TheProgramRunsTheCommand)
{
    const std::vector<std::pair<std::string, std::string>> environment { { "XDG_CONFIG_HOME",
                                                                           temporary.path() } };
    const auto allowed = runProgram("kavora", { "devices", "allow", kPadTyped }, {}, environment);
    ASSERT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_EQ(seenByAReceiver().size(), 1U);
    const auto help = runProgram("kavora", { "devices", "--help" }, {}, environment);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("kavora devices allow FINGERPRINT"), std::string::npos) << help.out;
    EXPECT_NE(runProgram("kavora", { "--help" }).out.find("kavora devices"), std::string::npos);
}

} // namespace
} // namespace kavora::test
