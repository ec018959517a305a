// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/system/DesktopSessionBus.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kavora {

bool sessionBusConfigured()
{
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address)
        return true;
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (!runtimeDir || !*runtimeDir)
        return false;
    std::error_code error;
    return std::filesystem::is_socket(std::filesystem::path(runtimeDir) / "bus", error);
}

} // namespace kavora
