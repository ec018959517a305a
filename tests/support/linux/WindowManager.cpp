// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/linux/WindowManager.h"

#include "support/linux/Polling.h"
#include "support/linux/X11TestClient.h"

namespace kavora::test {

namespace {

constexpr std::chrono::seconds kManageTimeout { 15 };

} // namespace

WindowManager::WindowManager(const std::string& displayName, const std::string& logPath)
    : process_({ { "openbox", "--sm-disable" },
                 // its configuration and themes, which it cannot run without
                 { { "DISPLAY", displayName },
                   { "XDG_CONFIG_DIRS", "/etc/xdg" },
                   { "XDG_DATA_DIRS", "/usr/share" } },
                 false,
                 logPath })
{
    X11TestClient client(displayName);
    if (!process_.started() || !client.connected()
        || !pollUntil([&] { return !client.rootWindows("_NET_SUPPORTING_WM_CHECK").empty(); },
                      kManageTimeout))
        return;
    // openbox announces itself before its event loop runs, and a window mapped in between can
    // wait unmanaged until the next event reaches it: map one, nudging openbox with root property
    // changes (which it listens to) until it lists the window.
    const auto probe = client.createWindow({ .wmClass = "Probe" });
    const bool listed = pollUntil(
        [&] {
            client.writeRootWindows("_KAVORA_TEST_NUDGE", { probe });
            return client.awaitListed(probe, true, std::chrono::milliseconds(0));
        },
        kManageTimeout);
    client.destroyWindow(probe);
    managing_ = listed && client.awaitListed(probe, false);
}

} // namespace kavora::test
