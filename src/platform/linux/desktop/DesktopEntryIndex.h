// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/desktop/DesktopApplications.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace kavora {

class ProcessTable;
struct ProcessProgram;
struct X11ClientWindow;

// The installed desktop entries by every key a running application is matched on; the first
// entry of the scan wins each key, as the first folder wins an id. Pointers it hands out live as
// long as the index.
class DesktopEntryIndex {
public:
    explicit DesktopEntryIndex(const std::vector<DesktopApplication>& scanned);

    const DesktopApplication* byId(const std::string& id) const;
    // The first of: the id GTK or KDE declares on the window, its WM_CLASS against an entry's
    // StartupWMClass, its WM_CLASS (class, then instance) against an id or the id's last
    // dot-separated part ignoring case, and its process's program (read from processes).
    const DesktopApplication* match(const X11ClientWindow& window,
                                    const ProcessTable& processes) const;
    // The first entry, in scan order, whose Exec starts this program, if no other entry starts
    // it and it is no launcher of other programs (env, a shell, flatpak).
    const DesktopApplication* byProgram(const ProcessProgram& program) const;

private:
    const DesktopApplication* find(const std::map<std::string, std::size_t>& map,
                                   const std::string& key) const;

    std::vector<DesktopApplication> entries_;
    std::map<std::string, std::size_t> byId_;
    std::map<std::string, std::size_t> byStartupWMClass_;
    std::map<std::string, std::size_t> byFoldedId_;
    std::map<std::string, std::size_t> byFoldedLastPart_;
    // How many entries start each program.
    std::map<std::string, int> programUses_;
};

} // namespace kavora
