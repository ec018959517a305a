#pragma once

#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kavora::test {

// An Xvfb server of the caller's own. The server picks a free display number itself
// (-displayfd) and reports it once it accepts connections, so parallel runs never collide; the
// object stops and reaps it when it goes away, whatever the outcome of the test. Header-only and
// Qt-free, so that benchmarks can use it too.
class XvfbServer {
public:
    struct Options {
        std::string screen = "1920x1080x24";
        std::vector<std::string> extraArguments;
    };

    XvfbServer()
        : XvfbServer(Options {})
    {
    }
    explicit XvfbServer(const Options& options) { start(options); }
    ~XvfbServer() { stop(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return pid_ > 0; }
    // ":N", empty when the server did not start.
    const std::string& displayName() const { return displayName_; }

    // Ends the server now (a test may want it gone before the end).
    void stop()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
        while (waitpid(pid_, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        pid_ = -1;
    }

    // Runs an X client program (xrandr, setxkbmap ...) against this display and waits for it;
    // true when it exits with status 0.
    bool runClient(const std::vector<std::string>& arguments) const
    {
        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry) {
            if (std::strncmp(*entry, "DISPLAY=", 8) != 0)
                environment.emplace_back(*entry);
        }
        environment.push_back("DISPLAY=" + displayName_);
        pid_t child = -1;
        if (!spawn(arguments, environment, nullptr, child))
            return false;
        int status = 0;
        return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    static constexpr auto kStartTimeout = std::chrono::seconds(15);
    static constexpr auto kStopTimeout = std::chrono::seconds(5);

    void start(const Options& options)
    {
        int pipe[2];
        if (pipe2(pipe, O_CLOEXEC) != 0)
            return;
        // The write end goes to the server: it writes the display number there when ready.
        fcntl(pipe[1], F_SETFD, 0);
        std::vector<std::string> arguments { "Xvfb",      "-displayfd", std::to_string(pipe[1]),
                                             "-screen",   "0",          options.screen,
                                             "-nolisten", "tcp",        "-noreset" };
        arguments.insert(arguments.end(), options.extraArguments.begin(),
                         options.extraArguments.end());
        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry)
            environment.emplace_back(*entry);
        const bool spawned = spawn(arguments, environment, "/dev/null", pid_);
        close(pipe[1]);
        if (spawned)
            displayName_ = readDisplayNumber(pipe[0]);
        close(pipe[0]);
        if (displayName_.empty())
            stop();
    }

    static std::string readDisplayNumber(int fd)
    {
        std::string number;
        const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
        while (true) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd readable { fd, POLLIN, 0 };
            if (left.count() <= 0 || poll(&readable, 1, int(left.count())) <= 0)
                return {};
            char c = 0;
            if (read(fd, &c, 1) != 1)
                return {};
            if (c == '\n')
                return number.empty() ? std::string() : ":" + number;
            number.push_back(c);
        }
    }

    // Starts a program found on PATH; output goes to outputPath when given.
    static bool spawn(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment, const char* outputPath,
                      pid_t& pid)
    {
        std::vector<char*> argv;
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const auto& entry : environment)
            envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (outputPath) {
            posix_spawn_file_actions_addopen(&actions, 1, outputPath, O_WRONLY, 0);
            posix_spawn_file_actions_addopen(&actions, 2, outputPath, O_WRONLY, 0);
        }
        const int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (result != 0)
            pid = -1;
        return result == 0;
    }

    pid_t pid_ = -1;
    std::string displayName_;
};

} // namespace kavora::test
