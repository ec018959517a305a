// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

// The file names a process runs under: its executable, the kernel's (possibly truncated) command
// name for when the executable cannot be read, and the program its command line names first.
struct ProcessProgram {
    std::string executable;
    std::string command;
    std::string argument0;

    // True when the process runs this program (a file name, as a desktop entry's Exec names it).
    bool runs(const std::string& program) const;
};

// One process of this user, with what tells which application it belongs to.
struct SessionProcess {
    std::uint32_t pid = 0;
    ProcessProgram program;
    // The desktop-file id GIO started this very process from, when its environment can be read;
    // a process that inherited the launch news from its parent has none.
    std::optional<std::string> launchedId;
};

// The processes of a process file system (/proc), read anew on every call. Processes that end
// while they are read, or whose files cannot be read, give what could be read.
class ProcessTable {
public:
    explicit ProcessTable(std::filesystem::path root = "/proc");

    ProcessProgram programOf(std::uint32_t pid) const;
    // The processes of this program's user except this one, by ascending id.
    std::vector<SessionProcess> processes() const;

private:
    std::filesystem::path root_;
};

} // namespace kavora
