// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "support/linux/ChildProcess.h"

#include <string>

namespace kavora::test {

// openbox managing an X display, as a desktop's window manager does: it lists the application
// windows in _NET_CLIENT_LIST and follows the focused one in _NET_ACTIVE_WINDOW. Stopped when the
// object goes.
class WindowManager {
public:
    WindowManager(const std::string& displayName, const std::string& logPath);

    // True once it manages the windows mapped on the display.
    bool managing() const { return managing_; }

private:
    ChildProcess process_;
    bool managing_ = false;
};

} // namespace kavora::test
