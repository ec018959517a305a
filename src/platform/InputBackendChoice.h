// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kavora {

// The ways input can reach the desktop.
enum class InputBackend : std::uint8_t {
    XTest, // an X11 session: XTest
    Portal, // a Wayland session: the desktop portal's remote desktop
    None, // neither; the receiver still serves the catalogue
};

// What the choice looks at: the session's variables, and probes that are asked only when the
// answer depends on them (each may take a round trip).
struct InputEnvironment {
    std::string sessionType; // XDG_SESSION_TYPE
    bool waylandDisplay = false; // WAYLAND_DISPLAY is set
    bool x11Display = false; // DISPLAY is set
    std::function<bool()> xtestUsable;
    std::function<bool()> portalHasRemoteDesktop;
};

struct InputBackendChoice {
    InputBackend backend = InputBackend::None;
    // For None: why, as a log line and as the permission block says it (in English, marked
    // translatable: the view shows it in the user's language).
    std::string logLine;
    std::string hint;
};

// An X11 session (or a display with XTest and no Wayland) uses XTest; a Wayland session the
// portal, never XTest, which would reach only the Xwayland windows.
InputBackendChoice chooseInputBackend(const InputEnvironment& environment);

} // namespace kavora
