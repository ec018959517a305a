// `kavora defaults` against a settings folder of the test's own: the tables run the command in
// this process, the last test runs the kavora program.

#include "app/DefaultsCommand.h"
#include "platform/linux/settings/JsonFileUserDefaults.h"

#include "ProgramRun.h"
#include "support/CapturingLog.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

class DefaultsCommandTest : public testing::Test {
protected:
    fs::path folder() const { return temporary.path() / "kavora"; }
    fs::path settingsFile() const { return folder() / "settings.json"; }

    // The command in this process, as `kavora defaults args...`.
    ProgramRun defaults(const std::vector<std::string>& args)
    {
        return captured(
            [&](auto& out, auto& err) { return runDefaultsCommand(args, store, out, err); });
    }
    // The kavora program, with this test's settings folder.
    ProgramRun kavora(const std::vector<std::string>& args) const
    {
        return runProgram("kavora", args, {}, { { "XDG_CONFIG_HOME", temporary.path() } });
    }

    TemporaryFolder temporary;
    CapturingLog log;
    JsonFileUserDefaults store { folder(), log };
};

TEST_F(DefaultsCommandTest, WrittenValuesKeepTheirTypeAndPrintAsWritten)
{
    struct Row {
        const char* value;
        json stored; // as a receiver running beside the command reads it
        const char* printed;
    };
    const std::vector<Row> rows {
        { "\"text\"", "text", "\"text\"\n" },
        { "\"日本語\"", "日本語", "\"日本語\"\n" },
        { "2.0", 2.0, "2.0\n" },
        { "-3", -3, "-3\n" },
        { "true", true, "true\n" },
        { "[]", json::array(), "[]\n" },
        { "[\"only\"]", json::array({ "only" }), "[\n  \"only\"\n]\n" },
        { "{\"data\":\"AAEC/w==\"}", json::binary({ 0, 1, 2, 255 }),
          "{\n  \"data\": \"AAEC/w==\"\n}\n" },
        { "{\"data\":\"\"}", json::binary({}), "{\n  \"data\": \"\"\n}\n" },
    };
    for (const auto& row : rows) {
        const auto written = defaults({ "write", "key", row.value });
        ASSERT_EQ(written.status, 0) << row.value << ": " << written.err;
        EXPECT_EQ(written.out, "") << row.value;
        CapturingLog otherLog;
        EXPECT_EQ(JsonFileUserDefaults(folder(), otherLog).object("key"), row.stored) << row.value;
        const auto read = defaults({ "read", "key" });
        EXPECT_EQ(read.status, 0) << row.value << ": " << read.err;
        EXPECT_EQ(read.out, row.printed) << row.value;
    }
}

TEST_F(DefaultsCommandTest, ReadWithoutAKeyPrintsTheWholeDomain)
{
    EXPECT_EQ(defaults({ "read" }).out, "{}\n");
    ASSERT_EQ(defaults({ "write", "macCursorSpeed", "1.5" }).status, 0);
    ASSERT_EQ(defaults({ "write", "macFavoriteSites", "{\"data\":\"W10=\"}" }).status, 0);
    const auto read = defaults({ "read" });
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(json::parse(read.out),
              (json { { "macCursorSpeed", 1.5 }, { "macFavoriteSites", { { "data", "W10=" } } } }));
}

TEST_F(DefaultsCommandTest, AMalformedValueChangesNothing)
{
    ASSERT_EQ(defaults({ "write", "key", "\"before\"" }).status, 0);
    const auto before = readFile(settingsFile());
    for (const char* value : { "hello", "", "null", "[1]", "[\"a\",true]", "{\"a\":1}",
                               "{\"data\":\"!!\"}", "{\"data\":\"\",\"x\":1}", "1e999", "1 2" }) {
        const auto written = defaults({ "write", "key", value });
        EXPECT_EQ(written.status, 2) << value;
        EXPECT_NE(written.err.find("is refused"), std::string::npos) << written.err;
    }
    EXPECT_EQ(readFile(settingsFile()), before);
    EXPECT_EQ(store.string("key"), "before");
}

TEST_F(DefaultsCommandTest, DeleteRemovesAKeyAndFailsOnAnAbsentOne)
{
    ASSERT_EQ(defaults({ "write", "a", "1" }).status, 0);
    ASSERT_EQ(defaults({ "write", "b", "2" }).status, 0);
    EXPECT_EQ(defaults({ "delete", "a" }).status, 0);
    EXPECT_EQ(defaults({ "read", "a" }).status, 1);
    EXPECT_EQ(json::parse(readFile(settingsFile())), (json { { "b", 2 } }));
    const auto again = defaults({ "delete", "a" });
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("\"a\" has no value"), std::string::npos) << again.err;
}

TEST_F(DefaultsCommandTest, WrongWordsGetTheUsageAndChangeNothing)
{
    // clang-format off
    const std::vector<std::vector<std::string>> wrong {
        {}, { "remove", "a" }, { "write", "a" }, { "write", "a", "1", "2" }, { "read", "a", "b" },
        { "delete" }, { "write", "", "1" },
    };
    // clang-format on
    for (const auto& args : wrong) {
        const auto run = defaults(args);
        EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(run.out, "") << testing::PrintToString(args);
        EXPECT_NE(run.err.find("kavora defaults"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(settingsFile()));
}

TEST_F(DefaultsCommandTest, AChangeThatCannotBeSavedFails)
{
    // A folder where the settings file belongs can be neither read nor replaced.
    fs::create_directories(settingsFile());
    const auto written = defaults({ "write", "a", "1" });
    EXPECT_EQ(written.status, 1);
    EXPECT_NE(written.err.find("kavora defaults: cannot read"), std::string::npos) << written.err;
    EXPECT_TRUE(fs::is_directory(settingsFile()));
}

TEST_F(DefaultsCommandTest, TheProgramReadsAndChangesTheSettingsFile)
{
    const auto written = kavora({ "defaults", "write", "macFavoriteSites", "{\"data\":\"W10=\"}" });
    ASSERT_EQ(written.status, 0) << written.err;
    store.takeChangeNotifications();
    EXPECT_EQ(store.data("macFavoriteSites"), (Bytes { '[', ']' }));
    EXPECT_EQ(kavora({ "defaults", "read", "macFavoriteSites" }).out,
              "{\n  \"data\": \"W10=\"\n}\n");
    EXPECT_EQ(kavora({ "defaults", "delete", "macFavoriteSites" }).status, 0);
    store.takeChangeNotifications();
    EXPECT_FALSE(store.object("macFavoriteSites"));
    EXPECT_EQ(kavora({ "defaults", "write", "macCursorSpeed", "fast" }).status, 2);
    store.takeChangeNotifications();
    EXPECT_FALSE(store.object("macCursorSpeed"));

    // A damaged file is kept aside, and the user is told.
    std::ofstream(settingsFile()) << "{ not json";
    const auto read = kavora({ "defaults", "read" });
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(read.out, "{}\n");
    EXPECT_NE(read.err.find("is damaged"), std::string::npos) << read.err;
    EXPECT_FALSE(fs::exists(settingsFile()));

    for (const char* help : { "--help", "-h", "help" }) {
        const auto run = kavora({ "defaults", help });
        EXPECT_EQ(run.status, 0) << help;
        EXPECT_NE(run.out.find(settingsFile().string()), std::string::npos) << run.out;
    }
    EXPECT_EQ(kavora({ "--version" }).out, "kavora " KAVORA_VERSION "\n");
    EXPECT_EQ(kavora({ "--headless", "--listen", "localhost" }).status, 2)
        << "a bad option stops the receiver before it starts";
}

} // namespace
} // namespace kavora::test
