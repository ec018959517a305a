#include "support/linux/X11TestWindow.h"

#include <poll.h>

#include <cstdio>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace kavora::test {

X11TestWindow::X11TestWindow(const std::string& displayName)
    : display_(XOpenDisplay(displayName.c_str()))
{
    if (!display_)
        return;
    const Window root = DefaultRootWindow(display_);
    const int screen = DefaultScreen(display_);
    window_ = XCreateSimpleWindow(display_, root, 0, 0, DisplayWidth(display_, screen),
                                  DisplayHeight(display_, screen), 0, 0, 0);
    XSelectInput(display_, window_,
                 KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask
                     | PointerMotionMask | StructureNotifyMask);
    XMapWindow(display_, window_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!ready_ && readEvent(deadline)) { }
    if (ready_) {
        // Xlib reads the keymap and starts following its changes at the first key lookup; an
        // application has done that long before anyone types into it.
        XkbKeycodeToKeysym(display_, 38, 0, 0);
        XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
        XSync(display_, False);
    }
}

X11TestWindow::~X11TestWindow()
{
    if (display_)
        XCloseDisplay(display_);
}

bool X11TestWindow::readEvent(std::chrono::steady_clock::time_point deadline)
{
    if (XPending(display_) == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd readable { ConnectionNumber(display_), POLLIN, 0 };
        if (left.count() <= 0 || poll(&readable, 1, int(left.count())) <= 0)
            return false;
        if (XPending(display_) == 0)
            return false;
    }
    XEvent event;
    XNextEvent(display_, &event);
    Event recorded;
    switch (event.type) {
    case KeyPress:
    case KeyRelease: {
        char text[16];
        KeySym keysym = NoSymbol;
        XLookupString(&event.xkey, text, sizeof text, &keysym, nullptr);
        recorded = { event.type == KeyPress ? Event::Kind::KeyDown : Event::Kind::KeyUp,
                     event.xkey.keycode,
                     keysym,
                     event.xkey.state,
                     event.xkey.x_root,
                     event.xkey.y_root };
        break;
    }
    case ButtonPress:
    case ButtonRelease:
        recorded = { event.type == ButtonPress ? Event::Kind::ButtonDown : Event::Kind::ButtonUp,
                     event.xbutton.button,
                     0,
                     event.xbutton.state,
                     event.xbutton.x_root,
                     event.xbutton.y_root };
        break;
    case MotionNotify:
        recorded = { Event::Kind::Motion, 0, 0, event.xmotion.state, event.xmotion.x_root,
                     event.xmotion.y_root };
        break;
    case MappingNotify:
        XRefreshKeyboardMapping(&event.xmapping);
        return true;
    case MapNotify:
        ready_ = true;
        return true;
    default:
        return true;
    }
    received_.push_back(recorded);
    return true;
}

std::vector<X11TestWindow::Event>
X11TestWindow::takeUntil(const std::function<bool(const Event&)>& matches,
                         std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t scanned = 0;
    while (display_) {
        for (; scanned < received_.size(); ++scanned) {
            if (matches(received_[scanned])) {
                std::vector<Event> taken(received_.begin(), received_.begin() + scanned + 1);
                received_.erase(received_.begin(), received_.begin() + scanned + 1);
                return taken;
            }
        }
        if (!readEvent(deadline) && std::chrono::steady_clock::now() >= deadline)
            break;
    }
    return {};
}

std::optional<X11TestWindow::Event>
X11TestWindow::waitFor(const std::function<bool(const Event&)>& matches,
                       std::chrono::milliseconds timeout)
{
    auto taken = takeUntil(matches, timeout);
    if (taken.empty())
        return std::nullopt;
    return taken.back();
}

std::optional<std::pair<int, int>> X11TestWindow::pointer() const
{
    Window root = 0;
    Window child = 0;
    int x = 0;
    int y = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &windowX,
                       &windowY, &mask))
        return std::nullopt;
    return std::pair { x, y };
}

std::vector<int> X11TestWindow::keysDown() const
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

unsigned long X11TestWindow::serverKeysym(int keycode) const
{
    XkbDescPtr keymap = XkbGetMap(display_, XkbAllClientInfoMask, XkbUseCoreKbd);
    if (!keymap)
        return NoSymbol;
    KeySym keysym = NoSymbol;
    if (XkbKeyNumGroups(keymap, keycode) > 0)
        keysym = XkbKeySymEntry(keymap, keycode, 0, 0);
    XkbFreeKeyboard(keymap, 0, True);
    return keysym;
}

std::string X11TestWindow::describe(const Event& event)
{
    std::string line;
    switch (event.kind) {
    case Event::Kind::KeyDown:
    case Event::Kind::KeyUp: {
        line = event.kind == Event::Kind::KeyDown ? "down " : "up ";
        // Xlib allocates (and never frees) the names of Unicode keysyms: spell those here.
        constexpr unsigned long unicodeKeysyms = 0x1000000;
        const bool unicode = event.keysym >= unicodeKeysyms && event.keysym <= 0x110FFFF;
        const char* name = unicode ? nullptr : XKeysymToString(event.keysym);
        if (unicode) {
            char unicodeName[16];
            std::snprintf(unicodeName, sizeof unicodeName, "U%04lX", event.keysym - unicodeKeysyms);
            line += unicodeName;
        } else {
            line += name ? name : "NoSymbol";
        }
        break;
    }
    case Event::Kind::ButtonDown:
    case Event::Kind::ButtonUp:
        line = (event.kind == Event::Kind::ButtonDown ? "press " : "release ")
            + std::to_string(event.detail);
        break;
    case Event::Kind::Motion:
        line = "motion";
        break;
    }
    if (event.kind != Event::Kind::KeyDown && event.kind != Event::Kind::KeyUp)
        line += " (" + std::to_string(event.x) + "," + std::to_string(event.y) + ")";
    const std::pair<unsigned int, const char*> modifiers[] = {
        { ShiftMask, "+Shift" }, { ControlMask, "+Control" }, { Mod1Mask, "+Alt" },
        { Mod4Mask, "+Super" },  { Button1Mask, "+Button1" }, { Button3Mask, "+Button3" },
    };
    std::string held;
    for (const auto& [mask, name] : modifiers) {
        if (event.state & mask)
            held += name;
    }
    if (!held.empty())
        line += " " + held;
    return line;
}

} // namespace kavora::test
