// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct _XDisplay;

namespace kavora::test {

// A client of the test's own on an X display, as an application would be: it makes windows with
// what applications declare on them, reads and writes what a window manager publishes on the
// root window, and records the input that reaches a window of its own. Its windows go with it.
class X11TestClient {
public:
    // What a window declares before it is mapped; unset fields are left off the window.
    struct WindowTraits {
        std::string wmClass {}; // WM_CLASS: class, then instance
        std::string instance {};
        std::string title {}; // _NET_WM_NAME
        std::string type {}; // "DIALOG" for _NET_WM_WINDOW_TYPE_DIALOG
        bool skipTaskbar = false;
        unsigned long transientFor = 0;
        std::optional<std::uint32_t> pid {}; // _NET_WM_PID
        std::string gtkApplicationId {};
        std::string kdeDesktopFile {};
        std::vector<unsigned long> icon {}; // _NET_WM_ICON
    };

    struct Event {
        enum class Kind { KeyDown, KeyUp, ButtonDown, ButtonUp, Motion };
        Kind kind = Kind::Motion;
        unsigned int detail = 0; // the button or the keycode
        unsigned long keysym = 0; // for keys: what this client's keymap makes of it
        unsigned int state = 0; // modifier and button mask before the event
        int x = 0; // root coordinates
        int y = 0;
    };

    struct Pointer {
        int x = 0;
        int y = 0;
        unsigned int state = 0; // modifier and button mask
        bool held(unsigned int button) const { return state & (1u << (7 + button)); }
    };

    explicit X11TestClient(const std::string& displayName);
    ~X11TestClient();
    X11TestClient(const X11TestClient&) = delete;
    X11TestClient& operator=(const X11TestClient&) = delete;

    bool connected() const { return display_ != nullptr; }
    _XDisplay* display() const { return display_; }

    // Creates and maps a window; 0 when it could not be made.
    unsigned long createWindow(const WindowTraits& traits);
    void destroyWindow(unsigned long window);
    // A list of windows on the root window (_NET_CLIENT_LIST, _NET_ACTIVE_WINDOW ...).
    std::vector<unsigned long> rootWindows(const char* property) const;
    // Writes such a list, as a window manager would; an empty one removes the property.
    void writeRootWindows(const char* property, const std::vector<unsigned long>& windows);
    // Waits until the window manager lists the window in _NET_CLIENT_LIST (or, listed false, no
    // longer lists it).
    bool awaitListed(unsigned long window, bool listed = true,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    // Maps a window over the whole screen that no window manager handles, gives it the keyboard
    // focus and records the key, button and motion events it gets from then on; true once it is.
    bool recordInput();
    // The recorded events up to and including the first that matches, waiting at most the
    // timeout for it; empty when it did not come. What comes after it stays for the next call.
    std::vector<Event> takeUntil(const std::function<bool(const Event&)>& matches,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // One readable line: "down a +Control", "up Shift_L +Shift", "press 1 (150,250)",
    // "motion (300,300) +Button1" (the keysym's name or button, root position, what was held).
    static std::string describe(const Event& event);

    std::optional<Pointer> pointer() const;
    void warpPointer(int x, int y);
    // Swaps what two physical buttons mean for everyone (a left-handed map swaps 1 and 3).
    bool swapPointerButtons(unsigned int first, unsigned int second);
    // Locks the keyboard in a group (a layout of the keymap), as a layout switch does.
    bool lockGroup(unsigned int group);
    // The keycodes the server has down.
    std::vector<int> keysDown() const;
    // The first symbol the server's keymap gives a keycode, 0 for none.
    unsigned long serverKeysym(int keycode) const;

private:
    unsigned long atom(const char* name) const;
    bool readEvent(std::chrono::steady_clock::time_point deadline);

    _XDisplay* display_ = nullptr;
    unsigned long inputWindow_ = 0;
    bool mapped_ = false;
    std::vector<Event> received_;
};

} // namespace kavora::test
