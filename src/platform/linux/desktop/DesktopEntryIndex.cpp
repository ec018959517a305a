// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/DesktopEntryIndex.h"

#include "platform/linux/desktop/ProcessTable.h"
#include "platform/linux/x11/X11ClientList.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace kavora {

namespace {

std::string foldedKey(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

std::string withoutDesktopSuffix(std::string id)
{
    constexpr std::string_view suffix = ".desktop";
    if (id.ends_with(suffix))
        id.erase(id.size() - suffix.size());
    return id;
}

// Programs that start other programs: their name says nothing of the application.
bool isLauncherProgram(const std::string& program)
{
    constexpr std::array<std::string_view, 8> kLaunchers
        = { "env", "sh", "bash", "dash", "flatpak", "snap", "gtk-launch", "gio" };
    return std::find(kLaunchers.begin(), kLaunchers.end(), program) != kLaunchers.end();
}

} // namespace

DesktopEntryIndex::DesktopEntryIndex(const std::vector<DesktopApplication>& scanned)
{
    for (const auto& entry : scanned) {
        if (byId_.contains(entry.id))
            continue;
        entries_.push_back(entry);
        const std::size_t index = entries_.size() - 1;
        byId_.emplace(entry.id, index);
        if (entry.startupWMClass)
            byStartupWMClass_.emplace(*entry.startupWMClass, index);
        byFoldedId_.emplace(foldedKey(entry.id), index);
        // An id without a dot is its own last part (npos + 1 is 0).
        byFoldedLastPart_.emplace(foldedKey(entry.id.substr(entry.id.rfind('.') + 1)), index);
        ++programUses_[entry.executable];
    }
}

const DesktopApplication* DesktopEntryIndex::byId(const std::string& id) const
{
    return find(byId_, id);
}

const DesktopApplication* DesktopEntryIndex::match(const X11ClientWindow& window,
                                                   const ProcessTable& processes) const
{
    for (const auto& declared : { window.gtkApplicationId, window.kdeDesktopFile }) {
        if (!declared)
            continue;
        if (const auto* entry = byId(withoutDesktopSuffix(*declared)))
            return entry;
    }
    for (const auto* name : { &window.wmClass, &window.wmInstance }) {
        if (const auto* entry = find(byStartupWMClass_, *name))
            return entry;
    }
    for (const auto* name : { &window.wmClass, &window.wmInstance }) {
        const std::string key = foldedKey(*name);
        if (const auto* entry = find(byFoldedId_, key))
            return entry;
        if (const auto* entry = find(byFoldedLastPart_, key))
            return entry;
    }
    return window.pid ? byProgram(processes.programOf(*window.pid)) : nullptr;
}

const DesktopApplication* DesktopEntryIndex::byProgram(const ProcessProgram& program) const
{
    // A program that several entries start cannot tell them apart.
    const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const auto& entry) {
        return programUses_.at(entry.executable) == 1 && !isLauncherProgram(entry.executable)
            && program.runs(entry.executable);
    });
    return found == entries_.end() ? nullptr : &*found;
}

const DesktopApplication* DesktopEntryIndex::find(const std::map<std::string, std::size_t>& map,
                                                  const std::string& key) const
{
    if (key.empty())
        return nullptr;
    const auto found = map.find(key);
    return found == map.end() ? nullptr : &entries_[found->second];
}

} // namespace kavora
