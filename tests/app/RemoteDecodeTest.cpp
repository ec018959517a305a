#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kavora::test {
namespace {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs kavora-remote with arguments, input on its standard input, and collects what it prints.
// Files rather than pipes carry the streams, so that neither side can block on the other.
Outcome runRemote(std::vector<std::string> arguments, const std::string& input)
{
    const std::string program = std::string(KAVORA_BINARY_DIR) + "/src/app/kavora-remote";
    char directoryTemplate[] = "/tmp/kavora-remote-test-XXXXXX";
    const std::filesystem::path directory = ::mkdtemp(directoryTemplate);
    const auto in = directory / "in";
    const auto out = directory / "out";
    const auto err = directory / "err";
    std::ofstream(in, std::ios::binary) << input;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT,
                                     0600);
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    Outcome run;
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            run.exitCode = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = readFile(out);
    run.err = readFile(err);
    std::filesystem::remove_all(directory);
    return run;
}

struct Row {
    const char* name;
    std::string input;
    int exitCode;
    std::string out;
    std::string err;
};

// Test names and failure messages show the row's name rather than its bytes.
void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

const Row kRows[] = {
    { "PrintsTheWireForm", "{ \"keyDown\" : {\"keyCode\": 4, \"modifier\": 8} }\n", 0,
      "{\"keyDown\":{\"modifier\":8,\"keyCode\":4}}\n", "" },
    { "DropsWhatIsNotPartOfTheMessage", R"({"openURL":{"url":"x","browserBundleId":null},"y":1})",
      0, "{\"openURL\":{\"url\":\"x\"}}\n", "" },
    { "ReportsTheKeyCountFailure", R"({"scroll":{"deltaY":2},"leftClickDown":{}})", 1, "",
      "error: Invalid number of keys found, expected one.\n" },
    { "ReportsAFieldFailure", R"({"setMuted":{"_0":1}})", 1, "",
      "error: setMuted: _0: expected true or false\n" },
    { "ReportsEmptyInput", "", 1, "", "error: not valid JSON\n" },
};

class RemoteDecode : public testing::TestWithParam<Row> { };

TEST_P(RemoteDecode, PrintsTheMessageOrTheFailure)
{
    const Outcome run = runRemote({ "decode" }, GetParam().input);
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    EXPECT_EQ(run.out, GetParam().out);
    EXPECT_EQ(run.err, GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(Command, RemoteDecode, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& row) { return row.param.name; });

TEST(RemoteCommand, HelpNamesDecodeAndUnknownCommandsFail)
{
    const Outcome help = runRemote({ "--help" }, "");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("decode"), std::string::npos);
    EXPECT_EQ(runRemote({ "nonsense" }, "").exitCode, 2);
}

} // namespace
} // namespace kavora::test
