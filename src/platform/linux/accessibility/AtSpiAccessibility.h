#pragma once

#include "platform/Accessibility.h"
#include "platform/linux/accessibility/XDisplayProbe.h"

#include <memory>

namespace kavora {

// Accessibility on an X11 desktop. Trust is whether input can be injected at all: the display
// offers XTEST (there is no permission to grant on X11, so requestTrust() only checks again).
// Menus come from AT-SPI: the frontmost application is the one owning the active window
// (_NET_ACTIVE_WINDOW and its _NET_WM_PID, matched to the AT-SPI application of that process),
// or, where the display names no active window, the application whose window is in the active
// state. Every D-Bus call is bounded by kAtSpiCallTimeout; no accessibility bus, no frontmost
// application or one that died or hangs gives null or empty answers. GUI thread only: libatspi
// is synchronous and dispatches its bus connection on the default GLib context, which Qt runs.
class AtSpiAccessibility final : public Accessibility {
public:
    AtSpiAccessibility();
    ~AtSpiAccessibility() override;

    bool isTrusted() override;
    bool requestTrust() override;
    std::shared_ptr<AccessibilityElement> frontmostMenuBar() override;

private:
    // Connects libatspi to the accessibility bus when there is one; false otherwise. A failed
    // attempt is undone, so a later call tries again instead of reaching libatspi's abort on a
    // missing bus.
    bool connect();
    void disconnect();

    bool connected_ = false;
    XDisplayProbe display_;
};

} // namespace kavora
