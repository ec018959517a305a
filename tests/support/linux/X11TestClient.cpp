// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/linux/X11TestClient.h"

#include "support/linux/Polling.h"

#include <algorithm>
#include <cstdio>

#include <poll.h>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace kavora::test {

namespace {

constexpr std::chrono::seconds kMapTimeout { 5 };

} // namespace

X11TestClient::X11TestClient(const std::string& displayName)
    : display_(XOpenDisplay(displayName.c_str()))
{
}

X11TestClient::~X11TestClient()
{
    if (display_)
        XCloseDisplay(display_);
}

unsigned long X11TestClient::atom(const char* name) const
{
    return XInternAtom(display_, name, False);
}

unsigned long X11TestClient::createWindow(const WindowTraits& traits)
{
    const Window window
        = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 10, 10, 200, 150, 0, 0, 0);
    const auto set = [&](const char* property, Atom type, int format, const void* data, size_t n) {
        XChangeProperty(display_, window, atom(property), type, format, PropModeReplace,
                        static_cast<const unsigned char*>(data), static_cast<int>(n));
    };
    const auto setText = [&](const char* property, const std::string& text) {
        if (!text.empty())
            set(property, atom("UTF8_STRING"), 8, text.data(), text.size());
    };
    if (!traits.instance.empty() || !traits.wmClass.empty()) {
        std::string instance = traits.instance; // Xlib takes them as mutable strings
        std::string wmClass = traits.wmClass;
        XClassHint hint { instance.data(), wmClass.data() };
        XSetClassHint(display_, window, &hint);
    }
    setText("_NET_WM_NAME", traits.title);
    setText("_GTK_APPLICATION_ID", traits.gtkApplicationId);
    setText("_KDE_NET_WM_DESKTOP_FILE", traits.kdeDesktopFile);
    if (!traits.type.empty()) {
        const Atom type = atom(("_NET_WM_WINDOW_TYPE_" + traits.type).c_str());
        set("_NET_WM_WINDOW_TYPE", XA_ATOM, 32, &type, 1);
    }
    if (traits.skipTaskbar) {
        const Atom state = atom("_NET_WM_STATE_SKIP_TASKBAR");
        set("_NET_WM_STATE", XA_ATOM, 32, &state, 1);
    }
    if (traits.transientFor)
        XSetTransientForHint(display_, window, traits.transientFor);
    if (traits.pid) {
        const unsigned long pid = *traits.pid;
        set("_NET_WM_PID", XA_CARDINAL, 32, &pid, 1);
    }
    if (!traits.icon.empty())
        set("_NET_WM_ICON", XA_CARDINAL, 32, traits.icon.data(), traits.icon.size());
    XMapWindow(display_, window);
    XSync(display_, False);
    return window;
}

void X11TestClient::destroyWindow(unsigned long window)
{
    XDestroyWindow(display_, window);
    XSync(display_, False);
}

std::vector<unsigned long> X11TestClient::rootWindows(const char* property) const
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

void X11TestClient::writeRootWindows(const char* property,
                                     const std::vector<unsigned long>& windows)
{
    if (windows.empty())
        XDeleteProperty(display_, DefaultRootWindow(display_), atom(property));
    else
        XChangeProperty(display_, DefaultRootWindow(display_), atom(property), XA_WINDOW, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(windows.data()),
                        static_cast<int>(windows.size()));
    XSync(display_, False);
}

bool X11TestClient::awaitListed(unsigned long window, bool listed,
                                std::chrono::milliseconds timeout) const
{
    return pollUntil(
        [&] {
            const auto clients = rootWindows("_NET_CLIENT_LIST");
            return (std::find(clients.begin(), clients.end(), window) != clients.end()) == listed;
        },
        timeout);
}

bool X11TestClient::recordInput()
{
    const int screen = DefaultScreen(display_);
    XSetWindowAttributes attributes {};
    attributes.override_redirect = True;
    attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask
        | PointerMotionMask | StructureNotifyMask;
    inputWindow_
        = XCreateWindow(display_, DefaultRootWindow(display_), 0, 0, DisplayWidth(display_, screen),
                        DisplayHeight(display_, screen), 0, CopyFromParent, InputOutput,
                        CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    XMapWindow(display_, inputWindow_);
    const auto deadline = std::chrono::steady_clock::now() + kMapTimeout;
    while (!mapped_ && readEvent(deadline)) { }
    if (mapped_) {
        // Xlib reads the keymap and starts following its changes at the first key lookup; an
        // application has done that long before anyone types into it.
        XkbKeycodeToKeysym(display_, 38, 0, 0);
        XSetInputFocus(display_, inputWindow_, RevertToPointerRoot, CurrentTime);
        XSync(display_, False);
    }
    return mapped_;
}

bool X11TestClient::readEvent(std::chrono::steady_clock::time_point deadline)
{
    if (XPending(display_) == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd readable { ConnectionNumber(display_), POLLIN, 0 };
        if (left.count() <= 0 || poll(&readable, 1, int(left.count())) <= 0
            || XPending(display_) == 0)
            return false;
    }
    XEvent event;
    XNextEvent(display_, &event);
    using Kind = Event::Kind;
    switch (event.type) {
    case KeyPress:
    case KeyRelease: {
        char text[16];
        KeySym keysym = NoSymbol;
        XLookupString(&event.xkey, text, sizeof text, &keysym, nullptr);
        received_.push_back({ event.type == KeyPress ? Kind::KeyDown : Kind::KeyUp,
                              event.xkey.keycode, keysym, event.xkey.state, event.xkey.x_root,
                              event.xkey.y_root });
        break;
    }
    case ButtonPress:
    case ButtonRelease:
        received_.push_back({ event.type == ButtonPress ? Kind::ButtonDown : Kind::ButtonUp,
                              event.xbutton.button, 0, event.xbutton.state, event.xbutton.x_root,
                              event.xbutton.y_root });
        break;
    case MotionNotify:
        received_.push_back({ Kind::Motion, 0, 0, event.xmotion.state, event.xmotion.x_root,
                              event.xmotion.y_root });
        break;
    case MappingNotify:
        XRefreshKeyboardMapping(&event.xmapping);
        break;
    case MapNotify:
        mapped_ = true;
        break;
    default:
        break;
    }
    return true;
}

std::vector<X11TestClient::Event>
X11TestClient::takeUntil(const std::function<bool(const Event&)>& matches,
                         std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (std::size_t scanned = 0; display_;) {
        for (; scanned < received_.size(); ++scanned) {
            if (matches(received_[scanned])) {
                const auto end = received_.begin() + static_cast<long>(scanned) + 1;
                std::vector<Event> taken(received_.begin(), end);
                received_.erase(received_.begin(), end);
                return taken;
            }
        }
        if (!readEvent(deadline) && std::chrono::steady_clock::now() >= deadline)
            break;
    }
    return {};
}

std::string X11TestClient::describe(const Event& event)
{
    using Kind = Event::Kind;
    std::string line;
    if (event.kind == Kind::KeyDown || event.kind == Kind::KeyUp) {
        line = event.kind == Kind::KeyDown ? "down " : "up ";
        // Xlib allocates (and never frees) the names of Unicode keysyms: spell those here.
        constexpr unsigned long kUnicode = 0x1000000;
        if (event.keysym >= kUnicode && event.keysym <= kUnicode + 0x10FFFF) {
            char name[16];
            std::snprintf(name, sizeof name, "U%04lX", event.keysym - kUnicode);
            line += name;
        } else {
            const char* name = XKeysymToString(event.keysym);
            line += name ? name : "NoSymbol";
        }
    } else {
        line = event.kind == Kind::Motion    ? "motion"
            : event.kind == Kind::ButtonDown ? "press " + std::to_string(event.detail)
                                             : "release " + std::to_string(event.detail);
        line += " (" + std::to_string(event.x) + "," + std::to_string(event.y) + ")";
    }
    const std::pair<unsigned int, const char*> modifiers[] = {
        { ShiftMask, "+Shift" }, { ControlMask, "+Control" }, { Mod1Mask, "+Alt" },
        { Mod4Mask, "+Super" },  { Button1Mask, "+Button1" }, { Button3Mask, "+Button3" },
    };
    std::string held;
    for (const auto& [mask, name] : modifiers) {
        if (event.state & mask)
            held += name;
    }
    return held.empty() ? line : line + " " + held;
}

std::optional<X11TestClient::Pointer> X11TestClient::pointer() const
{
    Window root = 0;
    Window child = 0;
    Pointer pointer;
    int windowX = 0;
    int windowY = 0;
    if (!display_
        || !XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &pointer.x,
                          &pointer.y, &windowX, &windowY, &pointer.state))
        return std::nullopt;
    return pointer;
}

void X11TestClient::warpPointer(int x, int y)
{
    XWarpPointer(display_, None, DefaultRootWindow(display_), 0, 0, 0, 0, x, y);
    XSync(display_, False);
}

bool X11TestClient::swapPointerButtons(unsigned int first, unsigned int second)
{
    unsigned char map[256];
    const int buttons = XGetPointerMapping(display_, map, sizeof map);
    if (first < 1 || second < 1 || int(std::max(first, second)) > buttons)
        return false;
    std::swap(map[first - 1], map[second - 1]);
    const bool swapped = XSetPointerMapping(display_, map, buttons) == MappingSuccess;
    XSync(display_, False);
    return swapped;
}

bool X11TestClient::lockGroup(unsigned int group)
{
    const bool sent = XkbLockGroup(display_, XkbUseCoreKbd, group);
    XSync(display_, False);
    return sent;
}

std::vector<int> X11TestClient::keysDown() const
{
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    std::vector<int> down;
    for (int keycode = 0; keycode < 256; ++keycode) {
        if (keys[keycode / 8] & (1 << (keycode % 8)))
            down.push_back(keycode);
    }
    return down;
}

unsigned long X11TestClient::serverKeysym(int keycode) const
{
    XkbDescPtr keymap = XkbGetMap(display_, XkbAllClientInfoMask, XkbUseCoreKbd);
    if (!keymap)
        return NoSymbol;
    const KeySym keysym
        = XkbKeyNumGroups(keymap, keycode) > 0 ? XkbKeySymEntry(keymap, keycode, 0, 0) : NoSymbol;
    XkbFreeKeyboard(keymap, 0, True);
    return keysym;
}

} // namespace kavora::test
