// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "support/linux/ChildProcess.h"

#include <string>

namespace kavora::test {

// A real tray host of a desktop on the PrivateSession: xfce4-panel as one bar across the top of
// the screen, holding only its status tray, which shows status-notifier items (and X11 tray
// icons). Its configuration (xfce4-panel.xml) is put in the session's settings folder first;
// ready() once the session bus says that a host shows items. Stopped with the object.
class XfcePanel {
public:
    static constexpr int kHeight = 32; // as xfce4-panel.xml has it

    XfcePanel();

    // Empty when the panel is installed; otherwise what is missing, as a skip reason.
    const std::string& missing() const { return missing_; }
    bool ready() const { return ready_; }
    std::string log() const;
    void stop() { process_.stop(); }

private:
    ChildProcess process_;
    std::string missing_;
    bool ready_ = false;
};

// A property of the session's status-notifier watcher (a tray host's) as gdbus prints it, or "":
// IsStatusNotifierHostRegistered, RegisteredStatusNotifierItems.
std::string statusNotifierWatcher(const std::string& property,
                                  const EnvironmentChanges& session = {});

} // namespace kavora::test
