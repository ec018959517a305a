// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace kavora {

// True when this process has a D-Bus session bus to talk to: DBUS_SESSION_BUS_ADDRESS is set, or
// the per-user bus socket exists in XDG_RUNTIME_DIR. Without either, a connection attempt would
// fall back to autolaunching a new bus tied to the X display, which must never happen behind the
// user's back; callers then treat the desktop's D-Bus services as absent.
bool sessionBusConfigured();

} // namespace kavora
