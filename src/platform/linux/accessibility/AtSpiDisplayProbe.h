#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace kavora {

// What the X display ($DISPLAY) tells the accessibility backend. Each call opens its own short
// connection through XCB (but see XTestProbe), whose errors come back per request, so a vanished
// window or server never reaches a process-wide error handler. No display means false or nothing.
namespace atspi_display {

// Tells whether the display accepts connections and offers the XTEST extension, which is all
// that input injection needs on X11: there is no permission to grant. The answer is asked before
// every input event, so once it is yes the connection is kept, and later answers only check that
// the server has not closed it: a read that does not wait instead of a new connection. A no is
// asked anew every time.
class XTestProbe {
public:
    XTestProbe();
    ~XTestProbe();
    XTestProbe(const XTestProbe&) = delete;
    XTestProbe& operator=(const XTestProbe&) = delete;

    bool usable();

private:
    struct KeptConnection;
    std::unique_ptr<KeptConnection> kept_;
};

// The process id (_NET_WM_PID) of the window the window manager reports active
// (_NET_ACTIVE_WINDOW); nothing without an EWMH window manager, an active window or its pid.
std::optional<std::uint32_t> activeWindowProcessId();

// True when the root window carries the property, e.g. AT_SPI_BUS set by the accessibility bus
// launcher.
bool rootHasProperty(std::string_view name);

} // namespace atspi_display

} // namespace kavora
