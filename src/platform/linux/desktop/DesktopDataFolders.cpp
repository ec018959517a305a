// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/DesktopDataFolders.h"

#include <algorithm>

#include <glib.h>

namespace kavora {

namespace fs = std::filesystem;

std::vector<fs::path> desktopDataFolders()
{
    std::vector<fs::path> systemData;
    for (const gchar* const* folder = g_get_system_data_dirs(); *folder != nullptr; ++folder)
        systemData.emplace_back(*folder);
    return desktopDataFolders(g_get_user_data_dir(), systemData);
}

std::vector<fs::path> desktopDataFolders(const fs::path& userData,
                                         const std::vector<fs::path>& systemData)
{
    std::vector<fs::path> folders;
    const auto add = [&folders](const fs::path& folder) {
        // "/usr/share/" and "/usr/share" are one folder.
        fs::path normal = folder.lexically_normal();
        if (normal.has_relative_path() && !normal.has_filename())
            normal = normal.parent_path();
        if (normal.is_absolute()
            && std::find(folders.begin(), folders.end(), normal) == folders.end())
            folders.push_back(std::move(normal));
    };
    add(userData);
    for (const auto& folder : systemData)
        add(folder);
    add(userData / "flatpak/exports/share");
    add("/var/lib/flatpak/exports/share");
    add("/var/lib/snapd/desktop");
    return folders;
}

} // namespace kavora
