// `kavora defaults` against a settings folder of the test's own: the tables run the command in
// this process, the rest runs the kavora program.

#include "app/DefaultsCommand.h"
#include "platform/linux/settings/JsonFileUserDefaults.h"

#include "support/CapturingLog.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kavora::test {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class DefaultsCommandTest : public testing::Test {
protected:
    fs::path settingsFile() const { return temporary.path() / "kavora" / "settings.json"; }

    // The command in this process, as `kavora defaults args...`.
    CommandRun defaults(const std::vector<std::string>& args)
    {
        std::ostringstream out;
        std::ostringstream err;
        CommandRun run;
        run.status = runDefaultsCommand(args, store, out, err);
        run.out = out.str();
        run.err = err.str();
        return run;
    }

    // The kavora program.
    CommandRun kavora(std::vector<std::string> args) const
    {
        const auto outPath = temporary.path() / "out";
        const auto errPath = temporary.path() / "err";
        const std::string program = std::string(KAVORA_BINARY_DIR) + "/src/app/kavora";
        args.insert(args.begin(), program);
        const pid_t child = ::fork();
        if (child == 0) {
            const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(err, 2);
            ::setenv("XDG_CONFIG_HOME", temporary.path().c_str(), 1);
            std::vector<char*> argv;
            for (auto& arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        CommandRun run;
        int status = 0;
        ::waitpid(child, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = readFile(outPath);
        run.err = readFile(errPath);
        return run;
    }

    TemporaryFolder temporary;
    CapturingLog log;
    JsonFileUserDefaults store { temporary.path() / "kavora", log };
};

struct ValueRow {
    const char* name;
    const char* value;
    json stored; // as the store holds it
    const char* printed;
};

class DefaultsCommandValues : public DefaultsCommandTest,
                              public testing::WithParamInterface<ValueRow> { };

TEST_P(DefaultsCommandValues, WrittenValuesKeepTheirTypeAndPrintAsWritten)
{
    const auto& row = GetParam();
    const auto written = defaults({ "write", "key", row.value });
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out, "");

    // A receiver running beside the command sees the value with its type.
    CapturingLog otherLog;
    JsonFileUserDefaults receiver(settingsFile().parent_path(), otherLog);
    EXPECT_EQ(receiver.object("key"), row.stored);

    const auto read = defaults({ "read", "key" });
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, row.printed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DefaultsCommandValues,
    testing::Values(
        ValueRow { "String", "\"text\"", "text", "\"text\"\n" },
        ValueRow { "Japanese", "\"日本語\"", "日本語", "\"日本語\"\n" },
        ValueRow { "Double", "2.0", 2.0, "2.0\n" }, ValueRow { "Integer", "-3", -3, "-3\n" },
        ValueRow { "True", "true", true, "true\n" },
        ValueRow { "EmptyArray", "[]", json::array(), "[]\n" },
        ValueRow { "OneString", "[\"only\"]", json::array({ "only" }), "[\n  \"only\"\n]\n" },
        ValueRow { "Bytes", "{\"data\":\"AAEC/w==\"}", json::binary({ 0, 1, 2, 255 }),
                   "{\n  \"data\": \"AAEC/w==\"\n}\n" },
        ValueRow { "EmptyBytes", "{\"data\":\"\"}", json::binary({}), "{\n  \"data\": \"\"\n}\n" }),
    [](const auto& row) { return std::string(row.param.name); });

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

struct RefusedRow {
    const char* name;
    const char* value;
};

class DefaultsCommandRefused : public DefaultsCommandTest,
                               public testing::WithParamInterface<RefusedRow> { };

TEST_P(DefaultsCommandRefused, AMalformedValueChangesNothing)
{
    ASSERT_EQ(defaults({ "write", "key", "\"before\"" }).status, 0);
    const auto before = readFile(settingsFile());

    const auto written = defaults({ "write", "key", GetParam().value });
    EXPECT_EQ(written.status, 2);
    EXPECT_NE(written.err.find("is refused"), std::string::npos) << written.err;
    EXPECT_EQ(readFile(settingsFile()), before);
    EXPECT_EQ(store.string("key"), "before");
}

INSTANTIATE_TEST_SUITE_P(Rows, DefaultsCommandRefused,
                         testing::Values(RefusedRow { "UnquotedWord", "hello" },
                                         RefusedRow { "Empty", "" }, RefusedRow { "Null", "null" },
                                         RefusedRow { "ArrayOfNumbers", "[1]" },
                                         RefusedRow { "MixedArray", "[\"a\",true]" },
                                         RefusedRow { "Dictionary", "{\"a\":1}" },
                                         RefusedRow { "DataNotBase64", "{\"data\":\"!!\"}" },
                                         RefusedRow { "DataWithExtra", "{\"data\":\"\",\"x\":1}" },
                                         RefusedRow { "Infinite", "1e999" },
                                         RefusedRow { "TwoValues", "1 2" }),
                         [](const auto& row) { return std::string(row.param.name); });

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

struct UsageRow {
    const char* name;
    std::vector<std::string> args;
};

class DefaultsCommandUsage : public DefaultsCommandTest,
                             public testing::WithParamInterface<UsageRow> { };

TEST_P(DefaultsCommandUsage, WrongWordsGetTheUsageAndChangeNothing)
{
    const auto run = defaults(GetParam().args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("kavora defaults"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(settingsFile()));
}

INSTANTIATE_TEST_SUITE_P(Rows, DefaultsCommandUsage,
                         testing::Values(UsageRow { "NoVerb", {} },
                                         UsageRow { "UnknownVerb", { "remove", "a" } },
                                         UsageRow { "WriteWithoutValue", { "write", "a" } },
                                         UsageRow { "WriteTooMany", { "write", "a", "1", "2" } },
                                         UsageRow { "ReadTooMany", { "read", "a", "b" } },
                                         UsageRow { "DeleteWithoutKey", { "delete" } },
                                         UsageRow { "EmptyKey", { "write", "", "1" } }),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(DefaultsCommandTest, AChangeThatCannotBeSavedFails)
{
    // A folder where the settings file belongs can be neither read nor replaced.
    fs::create_directories(settingsFile());
    const auto written = defaults({ "write", "a", "1" });
    EXPECT_EQ(written.status, 1);
    EXPECT_NE(written.err.find("kavora defaults: cannot read"), std::string::npos) << written.err;
    EXPECT_TRUE(fs::is_directory(settingsFile()));
}

TEST_F(DefaultsCommandTest, TheProgramChangesTheSettingsFile)
{
    const auto written = kavora({ "defaults", "write", "macFavoriteSites", "{\"data\":\"W10=\"}" });
    ASSERT_EQ(written.status, 0) << written.err;
    ASSERT_EQ(kavora({ "defaults", "write", "macSystemButtonIDs", "[]" }).status, 0);
    // Another process changed the file: this store sees it once it has taken the news.
    store.takeChangeNotifications();
    EXPECT_EQ(store.data("macFavoriteSites"), (Bytes { '[', ']' }));
    EXPECT_EQ(store.stringArray("macSystemButtonIDs"), std::vector<std::string> {});

    const auto read = kavora({ "defaults", "read", "macFavoriteSites" });
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(read.out, "{\n  \"data\": \"W10=\"\n}\n");
    EXPECT_EQ(kavora({ "defaults", "delete", "macSystemButtonIDs" }).status, 0);
    store.takeChangeNotifications();
    EXPECT_FALSE(store.object("macSystemButtonIDs"));

    const auto absent = kavora({ "defaults", "read", "macSystemButtonIDs" });
    EXPECT_EQ(absent.status, 1);
    EXPECT_EQ(absent.out, "");
    EXPECT_NE(absent.err.find("\"macSystemButtonIDs\" has no value"), std::string::npos)
        << absent.err;

    const auto refused = kavora({ "defaults", "write", "macCursorSpeed", "fast" });
    EXPECT_EQ(refused.status, 2);
    store.takeChangeNotifications();
    EXPECT_FALSE(store.object("macCursorSpeed"));
}

TEST_F(DefaultsCommandTest, TheProgramsHelpAndVersion)
{
    for (const char* help : { "--help", "-h", "help" }) {
        const auto run = kavora({ "defaults", help });
        EXPECT_EQ(run.status, 0) << help;
        EXPECT_NE(run.out.find("kavora defaults write KEY VALUE"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(settingsFile().string()), std::string::npos) << run.out;
    }
    const auto top = kavora({ "--help" });
    EXPECT_EQ(top.status, 0);
    EXPECT_NE(top.out.find("kavora defaults"), std::string::npos) << top.out;
    EXPECT_EQ(kavora({ "--version" }).out, "kavora " KAVORA_VERSION "\n");
}

TEST_F(DefaultsCommandTest, TheProgramKeepsADamagedFileAsideAndSaysSo)
{
    fs::create_directories(settingsFile().parent_path());
    std::ofstream(settingsFile()) << "{ not json";
    const auto read = kavora({ "defaults", "read" });
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(read.out, "{}\n");
    EXPECT_NE(read.err.find("is damaged"), std::string::npos) << read.err;
    EXPECT_FALSE(fs::exists(settingsFile()));
}

} // namespace
} // namespace kavora::test
