// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/ProcessTable.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace kavora {

namespace {

namespace fs = std::filesystem;

std::optional<std::uint32_t> processIdOf(std::string_view name)
{
    std::uint32_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (error != std::errc() || end != name.data() + name.size() || pid == 0)
        return std::nullopt;
    return pid;
}

std::string fileText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

// The value of one variable of a NUL-separated environment block.
std::optional<std::string> variableOf(const std::string& environment, std::string_view name)
{
    std::size_t start = 0;
    while (start < environment.size()) {
        std::size_t end = environment.find('\0', start);
        if (end == std::string::npos)
            end = environment.size();
        const std::string_view entry(environment.data() + start, end - start);
        if (entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == '=')
            return std::string(entry.substr(name.size() + 1));
        start = end + 1;
    }
    return std::nullopt;
}

// GIO names the entry it launched and the process it started; children inherit both.
std::optional<std::string> launchedIdOf(const fs::path& process, std::uint32_t pid)
{
    const std::string environment = fileText(process / "environ");
    const auto file = variableOf(environment, "GIO_LAUNCHED_DESKTOP_FILE");
    if (!file || variableOf(environment, "GIO_LAUNCHED_DESKTOP_FILE_PID") != std::to_string(pid))
        return std::nullopt;
    const fs::path name = fs::path(*file).filename();
    if (name.extension() != ".desktop" || name.stem().empty())
        return std::nullopt;
    return name.stem().string();
}

} // namespace

bool ProcessProgram::runs(const std::string& program) const
{
    // The kernel keeps the first 15 bytes of the command name.
    constexpr std::size_t kCommandLength = 15;
    return !program.empty()
        && (program == executable || program == argument0
            || (!command.empty() && program.substr(0, kCommandLength) == command));
}

ProcessTable::ProcessTable(std::filesystem::path root)
    : root_(std::move(root))
{
}

ProcessProgram ProcessTable::programOf(std::uint32_t pid) const
{
    const fs::path process = root_ / std::to_string(pid);
    ProcessProgram program;
    std::error_code error;
    const auto executable = fs::read_symlink(process / "exe", error);
    if (!error)
        program.executable = executable.filename().string();
    std::ifstream(process / "comm") >> program.command;
    const std::string commandLine = fileText(process / "cmdline");
    program.argument0 = fs::path(commandLine.substr(0, commandLine.find('\0'))).filename().string();
    return program;
}

std::vector<SessionProcess> ProcessTable::processes() const
{
    std::error_code error;
    const auto self = processIdOf(fs::read_symlink(root_ / "self", error).filename().string());
    std::vector<SessionProcess> processes;
    for (fs::directory_iterator it(root_, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        const auto pid = processIdOf(it->path().filename().string());
        struct stat status { };
        if (!pid || pid == self || ::stat(it->path().c_str(), &status) != 0
            || status.st_uid != ::geteuid())
            continue;
        processes.push_back({ *pid, programOf(*pid), launchedIdOf(it->path(), *pid) });
    }
    std::sort(processes.begin(), processes.end(),
              [](const auto& a, const auto& b) { return a.pid < b.pid; });
    return processes;
}

} // namespace kavora
