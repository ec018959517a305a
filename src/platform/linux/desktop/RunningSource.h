// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/desktop/ProcessTable.h"

#include <memory>
#include <optional>
#include <string>

namespace kavora {

class AppScopeList;
class Log;
class Scheduler;
class X11ClientList;

// Where the running applications of a session are read from.
enum class RunningSource {
    // The window manager's client list: X11 sessions.
    WindowList,
    // The user manager's application units: sessions without a window list (Wayland) that a
    // systemd user manager runs.
    AppScopes,
    // The processes, matched to desktop entries by program: anything else.
    Processes,
};

// What the choice of a source depends on.
struct SessionFacts {
    // XDG_SESSION_TYPE, DISPLAY and WAYLAND_DISPLAY; absent when unset or empty.
    std::optional<std::string> sessionType;
    std::optional<std::string> display;
    std::optional<std::string> waylandDisplay;
    // Whether the user manager's app.slice could be found.
    bool hasAppScopes = false;
};

// The window list only when the session is X11: a Wayland session's X server (Xwayland) lists
// the windows of X clients alone. The declared session type decides; without one, a Wayland
// display means Wayland.
RunningSource chooseRunningSource(const SessionFacts& facts);

// The readers a workspace takes its running applications from; only the chosen source's is set,
// besides the processes, which are read to match X11 windows as well.
struct RunningSources {
    std::unique_ptr<X11ClientList> clients;
    std::unique_ptr<AppScopeList> scopes;
    ProcessTable processes;

    RunningSources();
    RunningSources(RunningSources&&) noexcept;
    RunningSources& operator=(RunningSources&&) noexcept;
    ~RunningSources();

    // The sources of the session this program runs in; the scheduler and the log must outlive
    // them.
    static RunningSources ofThisSession(Scheduler& scheduler, Log& log);
};

} // namespace kavora
