// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kavora::bench {

constexpr int kStartTimeoutMs = 30'000;

// This process's environment with some variables replaced.
std::vector<std::string> environmentWith(const std::map<std::string, std::string>& changes)
{
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        if (!changes.contains(text.substr(0, text.find('='))))
            result.push_back(text);
    }
    for (const auto& [name, value] : changes)
        result.push_back(name + "=" + value);
    return result;
}

// The program measured: $KAVORA_BENCH_RECEIVER when set (the floor program, or another build
// of kavora to compare with), else the kavora built beside the bench.
inline std::string receiverProgramPath()
{
    const char* chosen = std::getenv("KAVORA_BENCH_RECEIVER");
    return chosen && *chosen ? chosen : KAVORA_PROGRAM;
}

// kavora --headless --advertise --listen 127.0.0.1 on the given display, with folders of its
// own and no session bus or sound server to reach; stopped with SIGTERM when the object goes.
class ReceiverProgram {
public:
    ReceiverProgram(const std::string& display, const std::filesystem::path& root)
    {
        const std::string program = receiverProgramPath();
        std::filesystem::create_directories(root / "home/.config");
        auto environment = environmentWith({
            { "DISPLAY", display },
            { "HOME", (root / "home").string() },
            { "XDG_CONFIG_HOME", (root / "home/.config").string() },
            { "XDG_DATA_HOME", (root / "home/.local/share").string() },
            { "XDG_RUNTIME_DIR", root.string() },
            { "XDG_DATA_DIRS", (root / "home/.local/share").string() },
            { "DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (root / "no-bus").string() },
            { "AT_SPI_BUS_ADDRESS", "unix:path=" + (root / "no-bus").string() },
            { "PULSE_SERVER", "unix:" + (root / "no-sound-server").string() },
            { "QT_QPA_PLATFORM", "offscreen" },
        });
        std::vector<std::string> arguments { program,    "--headless", "--advertise",
                                             "--listen", "127.0.0.1",  "--port",
                                             "0" };
        int output[2];
        if (pipe2(output, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (root / "kavora.log").c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0600);
        const bool spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr,
                                         pointers(arguments).data(), pointers(environment).data())
            == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(output[1]);
        if (spawned)
            port_ = readPort(output[0]);
        else
            pid_ = -1;
        close(output[0]);
    }
    ~ReceiverProgram()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    ReceiverProgram(const ReceiverProgram&) = delete;
    ReceiverProgram& operator=(const ReceiverProgram&) = delete;

    std::uint16_t port() const { return port_; }
    pid_t pid() const { return pid_; }

private:
    static std::vector<char*> pointers(std::vector<std::string>& strings)
    {
        std::vector<char*> result;
        for (auto& text : strings)
            result.push_back(text.data());
        result.push_back(nullptr);
        return result;
    }

    // The N of the first line, "kavora: NAME listening on port N".
    static std::uint16_t readPort(int fd)
    {
        std::string line;
        char c = 0;
        pollfd readable { fd, POLLIN, 0 };
        while (poll(&readable, 1, kStartTimeoutMs) > 0 && read(fd, &c, 1) == 1 && c != '\n')
            line.push_back(c);
        const auto at = line.rfind(' ');
        return at == std::string::npos
            ? 0
            : static_cast<std::uint16_t>(std::strtoul(line.c_str() + at + 1, nullptr, 10));
    }

    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
};

} // namespace kavora::bench
