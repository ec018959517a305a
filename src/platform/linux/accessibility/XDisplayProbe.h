// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kavora {

// Asks the X display ($DISPLAY) what the accessibility backend needs to know. Each question opens
// its own short connection through XCB (but see offersXTest), whose errors come back per request,
// so a vanished window or server never reaches a process-wide error handler. No display means
// false or nothing.
class XDisplayProbe {
public:
    XDisplayProbe();
    ~XDisplayProbe();
    XDisplayProbe(const XDisplayProbe&) = delete;
    XDisplayProbe& operator=(const XDisplayProbe&) = delete;

    // Whether the display accepts connections and offers the XTEST extension, which is all that
    // input injection needs on X11: there is no permission to grant. The answer is asked before
    // every input event, so once it is yes the connection is kept and later answers come from
    // what is known of it. On a thread with a Qt event loop the loop watches the connection and
    // drops it when the server closes it, so a yes costs no system call; without a loop each
    // answer reads the connection (without waiting) to see whether it is still open. A no is
    // asked anew every time.
    bool offersXTest();

    // The process id (_NET_WM_PID) of the window the window manager reports active
    // (_NET_ACTIVE_WINDOW); nothing without an EWMH window manager, an active window or its pid.
    static std::optional<std::uint32_t> activeWindowProcessId();

    // The text of the root window's property, e.g. AT_SPI_BUS set by the accessibility bus
    // launcher; nothing when it carries none.
    static std::optional<std::string> rootText(std::string_view name);

private:
    struct KeptConnection;
    // Reads what the server sent on the kept connection; drops the connection once it has ended.
    void takeKeptConnectionInput();

    std::unique_ptr<KeptConnection> kept_;
};

} // namespace kavora
