// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/DesktopFileManager.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

namespace kavora {

std::optional<std::filesystem::path> fileManagerEntry()
{
    GAppInfo* application = g_app_info_get_default_for_type("inode/directory", FALSE);
    if (application == nullptr)
        return std::nullopt;
    std::optional<std::filesystem::path> entry;
    if (G_IS_DESKTOP_APP_INFO(application)) {
        if (const char* file = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(application)))
            entry = file;
    }
    g_object_unref(application);
    return entry;
}

} // namespace kavora
