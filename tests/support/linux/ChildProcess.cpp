#include "support/linux/ChildProcess.h"

#include "support/linux/Polling.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <map>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kavora::test {

namespace {

constexpr std::chrono::milliseconds kStopGrace { 3000 };

std::vector<std::string> mergedEnvironment(const EnvironmentChanges& changes)
{
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        if (const auto equals = text.find('='); equals != std::string::npos)
            variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : changes)
        variables[name] = value;
    std::vector<std::string> merged;
    for (const auto& [name, value] : variables)
        merged.push_back(name + "=" + value);
    return merged;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (auto& text : strings)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

void closeAll(std::initializer_list<int> fds)
{
    for (const int fd : fds) {
        if (fd >= 0)
            close(fd);
    }
}

} // namespace

ChildProcess::ChildProcess(Options options)
{
    // Looked up before fork, with this process's PATH.
    const std::string program = options.argv.empty() ? "" : findProgram(options.argv.front());
    if (program.empty())
        return;
    std::vector<std::string> environment = mergedEnvironment(options.environment);
    const std::vector<char*> argv = pointers(options.argv);
    const std::vector<char*> envp = pointers(environment);
    int output[2] = { -1, -1 };
    // A socket rather than a pipe carries stdin, so that writing after the program is gone
    // fails with EPIPE (MSG_NOSIGNAL) instead of killing this process with SIGPIPE.
    int input[2] = { -1, -1 };
    if ((options.captureOutput && pipe2(output, O_CLOEXEC) != 0)
        || (options.feedInput && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, input) != 0)) {
        closeAll({ output[0], output[1] });
        return;
    }
    const int log = options.log.empty()
        ? -1
        : open(options.log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        if (input[1] >= 0)
            dup2(input[1], STDIN_FILENO);
        if (output[1] >= 0 || log >= 0)
            dup2(output[1] >= 0 ? output[1] : log, STDOUT_FILENO);
        if (log >= 0)
            dup2(log, STDERR_FILENO);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    closeAll({ log, output[1], input[1] });
    if (pid < 0) {
        closeAll({ output[0], input[0] });
        return;
    }
    pid_ = pid;
    inputFd_ = input[0];
    outputFd_ = output[0];
    if (outputFd_ >= 0)
        fcntl(outputFd_, F_SETFL, fcntl(outputFd_, F_GETFL) | O_NONBLOCK);
}

ChildProcess::~ChildProcess()
{
    stop();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
{
    *this = std::move(other);
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept
{
    if (this != &other) {
        stop();
        pid_ = std::exchange(other.pid_, -1);
        inputFd_ = std::exchange(other.inputFd_, -1);
        outputFd_ = std::exchange(other.outputFd_, -1);
        outputClosed_ = other.outputClosed_;
        buffer_ = std::move(other.buffer_);
        status_ = std::exchange(other.status_, std::nullopt);
    }
    return *this;
}

bool ChildProcess::reap(int options)
{
    if (pid_ <= 0 || status_)
        return status_.has_value();
    int status = 0;
    const pid_t result = waitpid(pid_, &status, options);
    if (result == pid_)
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    else if (result < 0 && errno == ECHILD)
        status_ = -1;
    return status_.has_value();
}

bool ChildProcess::running()
{
    return started() && !reap(WNOHANG);
}

bool ChildProcess::readAvailable()
{
    char chunk[4096];
    ssize_t count = 0;
    while (outputFd_ >= 0 && !outputClosed_ && (count = read(outputFd_, chunk, sizeof chunk)) > 0)
        buffer_.append(chunk, static_cast<size_t>(count));
    if (count == 0 && outputFd_ >= 0)
        outputClosed_ = true;
    return outputFd_ >= 0 && !outputClosed_;
}

bool ChildProcess::writeInput(std::string_view text)
{
    while (inputFd_ >= 0 && !text.empty()) {
        const ssize_t count = send(inputFd_, text.data(), text.size(), MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        text.remove_prefix(static_cast<size_t>(count));
    }
    return inputFd_ >= 0;
}

void ChildProcess::closeInput()
{
    closeAll({ std::exchange(inputFd_, -1) });
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout)
{
    pollUntil([this] { return !readAvailable() || buffer_.find('\n') != std::string::npos; },
              timeout);
    const auto newline = buffer_.find('\n');
    if (newline == std::string::npos)
        return std::nullopt;
    std::string line = buffer_.substr(0, newline);
    buffer_.erase(0, newline + 1);
    return line;
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout)
{
    pollUntil(
        [this] {
            readAvailable();
            return reap(WNOHANG);
        },
        timeout);
    readAvailable(); // what it wrote just before exiting
    return status_;
}

void ChildProcess::stop()
{
    if (pid_ > 0 && !reap(WNOHANG)) {
        kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
        while (!reap(WNOHANG) && std::chrono::steady_clock::now() < deadline)
            usleep(5000);
        if (!status_) {
            kill(pid_, SIGKILL);
            reap(0);
        }
    }
    closeInput();
    closeAll({ std::exchange(outputFd_, -1) });
    pid_ = -1;
}

std::string findProgram(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    const std::string folders = path ? path : "/usr/bin:/bin";
    for (size_t start = 0; start <= folders.size();) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

std::string missingPrograms(std::initializer_list<std::string> names)
{
    std::string missing;
    for (const auto& name : names) {
        if (findProgram(name).empty())
            missing += (missing.empty() ? "not installed: " : " ") + name;
    }
    return missing;
}

RunResult run(std::vector<std::string> argv, EnvironmentChanges environment,
              std::chrono::milliseconds timeout)
{
    ChildProcess child({ std::move(argv), std::move(environment), true, "/dev/null" });
    RunResult result;
    if (child.started()) {
        result.exitStatus = child.waitForExit(timeout);
        result.output = child.unreadOutput();
    }
    return result;
}

} // namespace kavora::test
