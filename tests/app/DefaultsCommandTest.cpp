// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// `kavora defaults` against a settings folder of the test's own: the tables run the command in
// this process, the last test runs the kavora program.

#include "app/DefaultsCommand.h"

#include "CommandRig.h"

#include <gtest/gtest.h>

namespace kavora::test {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

class DefaultsCommandTest : public testing::Test, public CommandRig {
protected:
    RunResult defaults(const std::vector<std::string>& args)
    {
        return inProcess(runDefaultsCommand, args);
    }
};

TEST_F(DefaultsCommandTest, WrittenValuesKeepTheirTypeAndPrintAsWritten)
{
    struct Row {
        const char* value;
        json stored; // as a receiver running beside the command reads it
        const char* printed;
    };
    // clang-format off
    const std::vector<Row> rows {
        { "\"text\"", "text", "\"text\"\n" },
        { "\"日本語\"", "日本語", "\"日本語\"\n" },
        { "2.0", 2.0, "2.0\n" },
        { "-3", -3, "-3\n" },
        { "true", true, "true\n" },
        { "[]", json::array(), "[]\n" },
        { "[\"only\"]", json::array({ "only" }), "[\n  \"only\"\n]\n" },
        { "{\"data\":\"AAEC/w==\"}", json::binary({ 0, 1, 2, 255 }), "{\n  \"data\": \"AAEC/w==\"\n}\n" },
        { "{\"data\":\"\"}", json::binary({}), "{\n  \"data\": \"\"\n}\n" },
    };
    // clang-format on
    for (const auto& row : rows) {
        const auto written = defaults({ "write", "key", row.value });
        ASSERT_EQ(written.exitStatus, 0) << row.value << ": " << written.errors;
        EXPECT_EQ(written.output, "") << row.value;
        EXPECT_EQ(seenByAReceiver().object("key"), row.stored) << row.value;
        const auto read = defaults({ "read", "key" });
        EXPECT_EQ(read.exitStatus, 0) << row.value << ": " << read.errors;
        EXPECT_EQ(read.output, row.printed) << row.value;
    }
}

TEST_F(DefaultsCommandTest, ReadWithoutAKeyPrintsTheWholeDomain)
{
    EXPECT_EQ(defaults({ "read" }).output, "{}\n");
    ASSERT_EQ(defaults({ "write", "macCursorSpeed", "1.5" }).exitStatus, 0);
    ASSERT_EQ(defaults({ "write", "macFavoriteSites", "{\"data\":\"W10=\"}" }).exitStatus, 0);
    const auto read = defaults({ "read" });
    EXPECT_EQ(read.exitStatus, 0);
    EXPECT_EQ(json::parse(read.output),
              (json { { "macCursorSpeed", 1.5 }, { "macFavoriteSites", { { "data", "W10=" } } } }));
}

TEST_F(DefaultsCommandTest, AMalformedValueChangesNothing)
{
    ASSERT_EQ(defaults({ "write", "key", "\"before\"" }).exitStatus, 0);
    const auto before = readFile(settingsFile());
    for (const char* value : { "hello", "", "null", "[1]", "[\"a\",true]", "{\"a\":1}",
                               "{\"data\":\"!!\"}", "{\"data\":\"\",\"x\":1}", "1e999", "1 2" }) {
        const auto written = defaults({ "write", "key", value });
        EXPECT_EQ(written.exitStatus, 2) << value;
        EXPECT_NE(written.errors.find("is refused"), std::string::npos) << written.errors;
    }
    EXPECT_EQ(readFile(settingsFile()), before);
    EXPECT_EQ(store.string("key"), "before");
}

TEST_F(DefaultsCommandTest, DeleteRemovesAKeyAndFailsOnAnAbsentOne)
{
    ASSERT_EQ(defaults({ "write", "a", "1" }).exitStatus, 0);
    ASSERT_EQ(defaults({ "write", "b", "2" }).exitStatus, 0);
    EXPECT_EQ(defaults({ "delete", "a" }).exitStatus, 0);
    EXPECT_EQ(defaults({ "read", "a" }).exitStatus, 1);
    EXPECT_EQ(json::parse(readFile(settingsFile())), (json { { "b", 2 } }));
    const auto again = defaults({ "delete", "a" });
    EXPECT_EQ(again.exitStatus, 1);
    EXPECT_EQ(again.errors, "kavora defaults: the key \"a\" has no value\n");
}

TEST_F(DefaultsCommandTest, WrongWordsChangeNothing)
{
    const std::vector<std::vector<std::string>> wrong {
        { "remove", "a" },    { "write", "a" }, { "write", "a", "1", "2" },
        { "read", "a", "b" }, { "delete" },     { "write", "", "1" },
    };
    for (const auto& args : wrong)
        EXPECT_EQ(defaults(args).exitStatus, 2) << testing::PrintToString(args);
    EXPECT_FALSE(fs::exists(settingsFile()));
}

TEST_F(DefaultsCommandTest, TheProgramReadsAndChangesTheSettingsFile)
{
    const auto written = kavora({ "defaults", "write", "macFavoriteSites", "{\"data\":\"W10=\"}" });
    ASSERT_EQ(written.exitStatus, 0) << written.errors;
    store.takeChangeNotifications();
    EXPECT_EQ(store.data("macFavoriteSites"), (Bytes { '[', ']' }));
    EXPECT_EQ(kavora({ "defaults", "read", "macFavoriteSites" }).output,
              "{\n  \"data\": \"W10=\"\n}\n");
    EXPECT_EQ(kavora({ "defaults", "delete", "macFavoriteSites" }).exitStatus, 0);
    store.takeChangeNotifications();
    EXPECT_FALSE(store.object("macFavoriteSites"));
    EXPECT_EQ(kavora({ "defaults", "write", "macCursorSpeed", "fast" }).exitStatus, 2);

    // A damaged file is kept aside, and the user is told.
    std::ofstream(settingsFile()) << "{ not json";
    const auto read = kavora({ "defaults", "read" });
    EXPECT_EQ(read.exitStatus, 0);
    EXPECT_EQ(read.output, "{}\n");
    EXPECT_NE(read.errors.find("is damaged"), std::string::npos) << read.errors;
    EXPECT_FALSE(fs::exists(settingsFile()));

    EXPECT_NE(kavora({ "defaults", "help" }).output.find(settingsFile().string()),
              std::string::npos);
    EXPECT_EQ(kavora({ "--version" }).output, "kavora " KAVORA_VERSION "\n");
    EXPECT_EQ(kavora({ "--headless", "--listen", "localhost" }).exitStatus, 2)
        << "a bad option stops the receiver before it starts";
}

} // namespace
} // namespace kavora::test
