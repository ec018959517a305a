// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/settings/UserFolders.h"

#include <cstdlib>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavora {
namespace {

std::filesystem::path absoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return {};
    return value;
}

} // namespace

std::filesystem::path homeDirectory()
{
    if (auto home = absoluteFromEnvironment("HOME"); !home.empty())
        return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry {};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr
        && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

std::filesystem::path settingsFolder()
{
    if (auto config = absoluteFromEnvironment("XDG_CONFIG_HOME"); !config.empty())
        return config / "kavora";
    return homeDirectory() / ".config" / "kavora";
}

std::optional<std::string> preparePrivateFolder(const std::filesystem::path& folder)
{
    constexpr mode_t kGroupAndOthers = S_IRWXG | S_IRWXO;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return "cannot create the folder " + folder.string() + ": " + error.message();
    struct stat status { };
    if (::stat(folder.c_str(), &status) == 0 && (status.st_mode & kGroupAndOthers) != 0
        && status.st_uid == ::geteuid()) {
        ::chmod(folder.c_str(), status.st_mode & 07777 & ~kGroupAndOthers);
    }
    return std::nullopt;
}

} // namespace kavora
