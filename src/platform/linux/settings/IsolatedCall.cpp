// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/settings/IsolatedCall.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kavora {
namespace {

using Clock = std::chrono::steady_clock;
using Status = IsolatedOutcome::Status;

int remainingMs(Clock::time_point deadline)
{
    const auto left
        = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

void killAndReap(pid_t child)
{
    ::kill(child, SIGKILL);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) { }
}

// An anonymous file that holds the bytes, read from its start: the program's standard input,
// which it may read at its own pace without anyone writing to it meanwhile.
int inputFile(std::string_view input)
{
    const int fd = ::memfd_create("kavora-input", MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    while (!input.empty()) {
        const ssize_t count = ::write(fd, input.data(), input.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            ::close(fd);
            return -1;
        }
        input.remove_prefix(static_cast<std::size_t>(count));
    }
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

pid_t spawn(const std::string& program, const std::vector<std::string>& arguments, int in, int out)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // The receiver ignores SIGPIPE and may block signals; the program starts with none of that.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> words { program };
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = -1;
    const int error
        = ::posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? child : -1;
}

// Reads until the program closes its output (Finished) or a limit is passed.
Status readOutput(int in, Clock::time_point deadline, std::size_t limit, std::string& output)
{
    for (;;) {
        pollfd entry { in, POLLIN, 0 };
        const int ready = ::poll(&entry, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return Status::TimedOut;
        std::array<char, 65536> buffer;
        const ssize_t count = ::read(in, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return Status::Finished;
        output.append(buffer.data(), static_cast<std::size_t>(count));
        if (output.size() > limit)
            return Status::OutputTooLarge;
    }
}

// How the program ended, once its output closed; it may close it before it exits, so this too
// waits no longer than the deadline.
Status waitForEnd(pid_t child, Clock::time_point deadline, int& signalNumber)
{
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (done < 0 && errno != EINTR)
            return Status::CannotStart;
        if (remainingMs(deadline) == 0) {
            killAndReap(child);
            return Status::TimedOut;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (WIFSIGNALED(status)) {
        signalNumber = WTERMSIG(status);
        return Status::Crashed;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? Status::Finished : Status::Failed;
}

} // namespace

IsolatedOutcome runIsolated(const std::string& program, const std::vector<std::string>& arguments,
                            std::string_view input, IsolationLimits limits)
{
    IsolatedOutcome outcome;
    const int in = inputFile(input);
    std::array<int, 2> pipeFds { -1, -1 };
    if (in < 0 || ::pipe2(pipeFds.data(), O_CLOEXEC) != 0) {
        if (in >= 0)
            ::close(in);
        return outcome;
    }
    const pid_t child = spawn(program, arguments, in, pipeFds[1]);
    ::close(in);
    ::close(pipeFds[1]);
    if (child < 0) {
        ::close(pipeFds[0]);
        return outcome;
    }
    const auto deadline = Clock::now() + limits.timeout;
    outcome.status = readOutput(pipeFds[0], deadline, limits.maxOutput, outcome.output);
    ::close(pipeFds[0]);
    if (outcome.status == Status::Finished)
        outcome.status = waitForEnd(child, deadline, outcome.signal);
    else
        killAndReap(child);
    if (outcome.status != Status::Finished)
        outcome.output.clear();
    return outcome;
}

} // namespace kavora
