// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/DesktopApplications.h"

#include "platform/linux/desktop/DesktopDataFolders.h"
#include "platform/linux/desktop/DesktopFileManager.h"
#include "platform/linux/desktop/DesktopLaunchArguments.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string_view>
#include <system_error>
#include <utility>

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

namespace kavora {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kDesktopSuffix = ".desktop";

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

enum class Visibility { ShownOnly, Any };

std::string orEmpty(const char* text)
{
    return text != nullptr ? text : "";
}

// The entry as GIO reads it: nothing for a file that is broken, not an application, deleted
// (Hidden) or whose program (TryExec, else Exec) is not installed, nor, when only shown ones are
// wanted, for one left out of menus.
std::optional<DesktopApplication> readEntry(const fs::path& file, std::string id,
                                            Visibility visibility)
{
    const std::unique_ptr<GDesktopAppInfo, GObjectUnref> entry(
        g_desktop_app_info_new_from_filename(file.c_str()));
    if (!entry)
        return std::nullopt;
    // Hidden=true means deleted; g_app_info_should_show() only looks at NoDisplay and the
    // desktops the entry is for.
    GAppInfo* application = G_APP_INFO(entry.get());
    if (g_desktop_app_info_get_is_hidden(entry.get())
        || (visibility == Visibility::ShownOnly && !g_app_info_should_show(application)))
        return std::nullopt;

    DesktopApplication result;
    result.id = std::move(id);
    result.name = orEmpty(g_app_info_get_name(application));
    result.location = file.string();
    if (const char* wmClass = g_desktop_app_info_get_startup_wm_class(entry.get()))
        result.startupWMClass = wmClass;
    result.executable
        = fs::path(orEmpty(g_app_info_get_executable(application))).filename().string();
    return result;
}

bool isHidden(const fs::path& path)
{
    return path.filename().string().starts_with('.');
}

// The file name of the entry with this desktop-file id, for an id that is one plain file name the
// launcher accepts; nothing for anything else, such as "", "a/b", "..", "-x" or a control byte.
std::optional<std::string> entryFileName(const std::string& id)
{
    if (id.find("..") != std::string::npos)
        return std::nullopt;
    return desktopFileIdFor(id + std::string(kDesktopSuffix));
}

// The desktop-file id of an entry: its path below the folder, '/' replaced by '-', without
// ".desktop" ("kde/foo.desktop" is "kde-foo"). Nothing for an id that could not be located, so
// that every id the scan offers can be located and started again.
std::optional<std::string> idOf(const fs::path& relative)
{
    std::string id = relative.generic_string();
    if (!id.ends_with(kDesktopSuffix))
        return std::nullopt;
    id.resize(id.size() - kDesktopSuffix.size());
    std::replace(id.begin(), id.end(), '/', '-');
    if (!entryFileName(id))
        return std::nullopt;
    return id;
}

// Whether the first entry found for an id was shown, by id.
using FirstEntries = std::map<std::string, bool>;

void scanFolder(const fs::path& folder, FirstEntries& firstEntries,
                std::vector<DesktopApplication>& applications)
{
    std::error_code error;
    // Folder symbolic links are not followed, so a link cycle cannot trap the scan.
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied,
                                        error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (isHidden(it->path())) {
            it.disable_recursion_pending();
            continue;
        }
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        auto id = idOf(it->path().lexically_relative(folder));
        if (!id)
            continue;
        // As in locate(): an entry that is hidden, or broken, hides the later ones of its id.
        const auto first = firstEntries.find(*id);
        if (first != firstEntries.end() && !first->second)
            continue;
        auto application = readEntry(it->path(), *id, Visibility::ShownOnly);
        if (first == firstEntries.end())
            firstEntries.emplace(std::move(*id), application.has_value());
        if (application)
            applications.push_back(std::move(*application));
    }
}

// The file of a desktop-file name in the folder. A '-' in the name may stand for a subfolder
// ("kde-foo.desktop" may be kde/foo.desktop); a file directly in the folder comes first.
std::optional<fs::path> entryFile(const fs::path& folder, std::string_view fileName)
{
    std::error_code error;
    if (fs::is_regular_file(folder / fileName, error))
        return folder / fileName;
    for (auto dash = fileName.find('-'); dash != std::string_view::npos;
         dash = fileName.find('-', dash + 1)) {
        const std::string_view subfolder = fileName.substr(0, dash);
        // The scan skips hidden names and does not follow folder links; neither does this.
        if (subfolder.empty() || subfolder.front() == '.'
            || !fs::is_directory(fs::symlink_status(folder / subfolder, error)))
            continue;
        if (auto file = entryFile(folder / subfolder, fileName.substr(dash + 1)))
            return file;
    }
    return std::nullopt;
}

std::vector<fs::path> applicationFoldersOf(const std::vector<fs::path>& dataFolders)
{
    std::vector<fs::path> folders;
    folders.reserve(dataFolders.size());
    for (const auto& folder : dataFolders)
        folders.push_back(folder / "applications");
    return folders;
}

} // namespace

DesktopApplications::DesktopApplications()
    : DesktopApplications(applicationFoldersOf(desktopDataFolders()))
{
}

DesktopApplications::DesktopApplications(std::vector<std::filesystem::path> applicationFolders)
    : folders_(std::move(applicationFolders))
{
}

std::vector<DesktopApplication> DesktopApplications::scan() const
{
    std::vector<DesktopApplication> applications;
    FirstEntries firstEntries;
    for (const auto& folder : folders_)
        scanFolder(folder, firstEntries, applications);
    return applications;
}

std::optional<DesktopApplication> DesktopApplications::locate(const std::string& id) const
{
    const auto fileName = entryFileName(id);
    if (!fileName)
        return std::nullopt;
    // The first folder that has the entry decides, even when the entry there is hidden: that is
    // how a user's Hidden=true copy removes a system application from the desktop.
    for (const auto& folder : folders_) {
        if (const auto file = entryFile(folder, *fileName))
            return readEntry(*file, id, Visibility::ShownOnly);
    }
    // Finder is pinned by the controller device and exists on no Linux desktop: it stands for
    // the desktop's file manager, under the id the device asked for. The entry is taken even
    // when it is hidden from menus, since some desktops open folders with a NoDisplay entry
    // (Thunar's folder handler). Only the locating is done here: the launcher has to open the
    // same entry for this id, and a running file manager is reported under its own id.
    if (id == kFinderBundleId) {
        if (const auto file = fileManagerEntry())
            return readEntry(*file, id, Visibility::Any);
    }
    return std::nullopt;
}

} // namespace kavora
