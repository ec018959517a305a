#pragma once

#include "support/TemporaryFolder.h"

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kavora::test {

struct ProgramRun {
    int status = -1; // -1: it did not exit normally
    std::string out;
    std::string err;
};

// Runs one of the built programs (src/app/NAME) with input on its standard input and the
// variables set in its environment, and collects what it prints. Files rather than pipes carry
// the streams, so that neither side can block on the other.
inline ProgramRun runProgram(const std::string& name, std::vector<std::string> args,
                             const std::string& input = {},
                             const std::vector<std::pair<std::string, std::string>>& variables = {})
{
    const std::string program = std::string(KAVORA_BINARY_DIR) + "/src/app/" + name;
    const TemporaryFolder folder;
    const auto in = folder.path() / "in";
    const auto out = folder.path() / "out";
    const auto err = folder.path() / "err";
    std::ofstream(in, std::ios::binary) << input;
    args.insert(args.begin(), program);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(::open(in.c_str(), O_RDONLY), 0);
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        for (const auto& [variable, value] : variables)
            ::setenv(variable.c_str(), value.c_str(), 1);
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ProgramRun run;
    int status = 0;
    if (::waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    run.out = readFile(out);
    run.err = readFile(err);
    return run;
}

} // namespace kavora::test
