// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <filesystem>
#include <vector>

namespace kavora {

// The data folders that hold the desktop's installed applications ("applications/") and their
// icons ("icons/", "pixmaps/"): the user's, then each system one, then the Flatpak and Snap
// export folders. Login scripts add the export folders to XDG_DATA_DIRS, but a receiver started
// by a systemd user unit may run without them, so they are added here when missing. No folder
// comes twice.

// From the session: $XDG_DATA_HOME (~/.local/share) and $XDG_DATA_DIRS
// (/usr/local/share:/usr/share), as GLib read them when first asked.
std::vector<std::filesystem::path> desktopDataFolders();
// From the given user and system data folders; system folders that are not absolute are ignored.
std::vector<std::filesystem::path>
desktopDataFolders(const std::filesystem::path& userData,
                   const std::vector<std::filesystem::path>& systemData);

} // namespace kavora
