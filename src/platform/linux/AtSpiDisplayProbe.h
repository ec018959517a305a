#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kavora {

// What the X display ($DISPLAY) tells the accessibility backend. Each call opens its own short
// connection through XCB, whose errors come back per request, so a vanished window or server
// never reaches a process-wide error handler. No display means false or nothing.
namespace atspi_display {

// True when the display accepts connections and offers the XTEST extension, which is all that
// input injection needs on X11: there is no permission to grant.
bool xtestUsable();

// The process id (_NET_WM_PID) of the window the window manager reports active
// (_NET_ACTIVE_WINDOW); nothing without an EWMH window manager, an active window or its pid.
std::optional<std::uint32_t> activeWindowProcessId();

// True when the root window carries the property, e.g. AT_SPI_BUS set by the accessibility bus
// launcher.
bool rootHasProperty(std::string_view name);

} // namespace atspi_display

} // namespace kavora
