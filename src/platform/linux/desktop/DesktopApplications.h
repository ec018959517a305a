// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

// What the workspace needs of one application's desktop entry.
struct DesktopApplication {
    // The desktop-file id without ".desktop", such as "org.mozilla.firefox".
    std::string id;
    // The entry's Name, localised for the user's language.
    std::string name;
    // The absolute path of the .desktop file.
    std::string location;
    // StartupWMClass, which names the WM_CLASS of the application's windows when it differs
    // from the id.
    std::optional<std::string> startupWMClass;
    // The file name of the program Exec starts ("firefox-esr"), for matching running processes.
    std::string executable;
};

// The installed applications of the freedesktop application folders: the user's data folder
// first, then every system data folder, then the Flatpak and Snap export folders when the
// session did not add them. Entries hidden from menus (NoDisplay, Hidden, OnlyShowIn and
// friends, a TryExec that is missing) are left out.
class DesktopApplications {
public:
    DesktopApplications();
    // For tests: exactly these "applications" folders, in this order.
    explicit DesktopApplications(std::vector<std::filesystem::path> applicationFolders);

    const std::vector<std::filesystem::path>& applicationFolders() const { return folders_; }

    // Every shown entry, folder by folder in search order, each folder in listing order; the
    // same id may come from several folders, unless its first entry is hidden or broken, which
    // hides the later ones as well. Ids that locate() refuses are left out.
    std::vector<DesktopApplication> scan() const;
    // The entry the desktop uses for this id (the first folder that has it), if it is shown;
    // nothing for an id that is not one plain file name. "com.apple.finder" that no folder has
    // is the desktop's file manager, under that id (see kFinderBundleId).
    std::optional<DesktopApplication> locate(const std::string& id) const;

private:
    std::vector<std::filesystem::path> folders_;
};

} // namespace kavora
