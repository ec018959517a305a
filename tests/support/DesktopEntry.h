// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace kavora::test {

// Writes the desktop entry of an application (making its folder): its name, any further lines
// and the command it starts.
inline void writeDesktopEntry(const std::filesystem::path& file, const std::string& name,
                              const std::string& extra = "", const std::string& exec = "/bin/true")
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "[Desktop Entry]\nType=Application\nName=" << name << "\nExec=" << exec
                        << "\n"
                        << extra;
}

// Writes a program that does nothing, or the script given (making its folder).
inline void writeProgram(const std::filesystem::path& file,
                         const std::string& script = "#!/bin/sh\n")
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << script;
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
}

} // namespace kavora::test
