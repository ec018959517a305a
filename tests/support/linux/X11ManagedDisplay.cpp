#include "support/linux/X11ManagedDisplay.h"

#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

#include <algorithm>
#include <chrono>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace kavora::test {

namespace {

constexpr std::chrono::seconds kStartTimeout { 15 };
constexpr std::chrono::seconds kListTimeout { 10 };

} // namespace

X11ManagedDisplay::X11ManagedDisplay(WindowManager windowManager)
{
    auto& session = PrivateSession::instance();
    session.application();
    if (!xvfb_.running())
        return;
    display_ = XOpenDisplay(xvfb_.displayName().c_str());
    if (!display_)
        return;
    if (windowManager == WindowManager::Unmanaged) {
        ready_ = true;
        return;
    }
    // HOME and XDG_CONFIG_HOME are the session's private ones; openbox needs the system's
    // configuration and themes besides.
    windowManager_ = ChildProcess({ { "openbox", "--sm-disable" },
                                    { { "DISPLAY", xvfb_.displayName() },
                                      { "XDG_CONFIG_DIRS", "/etc/xdg" },
                                      { "XDG_DATA_DIRS", "/usr/share" } },
                                    false,
                                    (session.root() / "openbox-workspace.log").string() });
    ready_ = windowManager_.started()
        && pollUntil([this] { return !rootWindows("_NET_SUPPORTING_WM_CHECK").empty(); },
                     kStartTimeout)
        && awaitManaging();
}

// openbox announces itself before its event loop runs, and a window mapped in between can wait
// unmanaged until the next event reaches it: map one, nudging it with root property changes
// (which it listens to) until it lists the window.
bool X11ManagedDisplay::awaitManaging()
{
    const auto probe = createWindow(WindowTraits::ofClass("Probe"));
    const bool managing = pollUntil(
        [&] {
            writeRootWindows("_KAVORA_TEST_NUDGE", {});
            const auto clients = clientList();
            return std::find(clients.begin(), clients.end(), probe) != clients.end();
        },
        kStartTimeout);
    destroyWindow(probe);
    return managing && awaitListed(probe, false);
}

X11ManagedDisplay::~X11ManagedDisplay()
{
    windowManager_.stop();
    if (display_)
        XCloseDisplay(display_);
}

unsigned long X11ManagedDisplay::atom(const char* name) const
{
    return XInternAtom(display_, name, False);
}

std::vector<unsigned long> X11ManagedDisplay::rootWindows(const char* property) const
{
    std::vector<unsigned long> windows;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, DefaultRootWindow(display_), atom(property), 0, 1024, False,
                           XA_WINDOW, &type, &format, &count, &remaining, &data)
            == Success
        && data) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        windows.assign(values, values + count);
    }
    if (data)
        XFree(data);
    return windows;
}

unsigned long X11ManagedDisplay::createWindow(const WindowTraits& traits)
{
    const Window root = DefaultRootWindow(display_);
    const Window window = XCreateSimpleWindow(display_, root, 10, 10, 200, 150, 0, 0, 0);
    const auto setText = [&](const char* property, const std::string& value) {
        XChangeProperty(display_, window, atom(property), atom("UTF8_STRING"), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(value.data()),
                        static_cast<int>(value.size()));
    };
    const auto setAtoms = [&](const char* property, const std::vector<Atom>& atoms) {
        XChangeProperty(display_, window, atom(property), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(atoms.data()),
                        static_cast<int>(atoms.size()));
    };
    if (!traits.instance.empty() || !traits.wmClass.empty()) {
        std::string instance = traits.instance; // Xlib takes them as mutable strings
        std::string wmClass = traits.wmClass;
        XClassHint hint { instance.data(), wmClass.data() };
        XSetClassHint(display_, window, &hint);
    }
    if (!traits.title.empty())
        setText("_NET_WM_NAME", traits.title);
    if (traits.type)
        setAtoms("_NET_WM_WINDOW_TYPE", { atom(("_NET_WM_WINDOW_TYPE_" + *traits.type).c_str()) });
    if (traits.skipTaskbar)
        setAtoms("_NET_WM_STATE", { atom("_NET_WM_STATE_SKIP_TASKBAR") });
    if (traits.transientFor)
        XSetTransientForHint(display_, window, *traits.transientFor);
    if (traits.pid) {
        const unsigned long pid = *traits.pid;
        XChangeProperty(display_, window, atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
    }
    if (!traits.icon.empty()) {
        XChangeProperty(display_, window, atom("_NET_WM_ICON"), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(traits.icon.data()),
                        static_cast<int>(traits.icon.size()));
    }
    if (traits.gtkApplicationId)
        setText("_GTK_APPLICATION_ID", *traits.gtkApplicationId);
    if (traits.kdeDesktopFile)
        setText("_KDE_NET_WM_DESKTOP_FILE", *traits.kdeDesktopFile);
    XMapWindow(display_, window);
    XSync(display_, False);
    return window;
}

void X11ManagedDisplay::destroyWindow(unsigned long window)
{
    XDestroyWindow(display_, window);
    XSync(display_, False);
}

std::vector<unsigned long> X11ManagedDisplay::clientList() const
{
    return rootWindows("_NET_CLIENT_LIST");
}

bool X11ManagedDisplay::awaitListed(unsigned long window, bool listed) const
{
    return pollUntil(
        [&] {
            const auto clients = clientList();
            return (std::find(clients.begin(), clients.end(), window) != clients.end()) == listed;
        },
        kListTimeout);
}

unsigned long X11ManagedDisplay::activeWindow() const
{
    const auto active = rootWindows("_NET_ACTIVE_WINDOW");
    return active.empty() ? 0 : active.front();
}

void X11ManagedDisplay::writeRootWindows(const char* property,
                                         const std::vector<unsigned long>& windows)
{
    XChangeProperty(display_, DefaultRootWindow(display_), atom(property), XA_WINDOW, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(windows.data()),
                    static_cast<int>(windows.size()));
    XSync(display_, False);
}

} // namespace kavora::test
