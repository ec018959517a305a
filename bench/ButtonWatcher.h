// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <optional>
#include <string>

#include <X11/Xlib.h>
#include <poll.h>

namespace kavora::bench {

// The bench's own X client: a window over the whole screen that asks for button and key events
// and holds the keyboard focus, so that every press the receiver injects (at the pointer,
// wherever it is) is delivered to it. Core events are enough: XTest presses on Xvfb reach
// windows like a real device's.
class ButtonWatcher {
public:
    explicit ButtonWatcher(const std::string& displayName)
        : display_(XOpenDisplay(displayName.c_str()))
    {
        if (!display_)
            return;
        const int screen = DefaultScreen(display_);
        XSetWindowAttributes attributes {};
        attributes.override_redirect = True;
        attributes.event_mask = ButtonPressMask | ButtonReleaseMask | KeyPressMask | KeyReleaseMask
            | StructureNotifyMask;
        window_ = XCreateWindow(
            display_, RootWindow(display_, screen), 0, 0, unsigned(DisplayWidth(display_, screen)),
            unsigned(DisplayHeight(display_, screen)), 0, CopyFromParent, InputOutput,
            CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
        XMapRaised(display_, window_);
        XFlush(display_);
        mapped_ = nextEvent(MapNotify).has_value();
        if (mapped_) {
            XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
            XSync(display_, False);
        }
    }
    ~ButtonWatcher()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    ButtonWatcher(const ButtonWatcher&) = delete;
    ButtonWatcher& operator=(const ButtonWatcher&) = delete;

    bool ready() const { return mapped_; }
    int fd() const { return ConnectionNumber(display_); }

    // The events already here, until one of the type came: when it was taken off the socket.
    std::optional<std::chrono::steady_clock::time_point> takeEvents(int type)
    {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == type)
                return std::chrono::steady_clock::now();
        }
        return std::nullopt;
    }

private:
    static constexpr std::chrono::seconds kMapTimeout { 30 };

    std::optional<std::chrono::steady_clock::time_point> nextEvent(int type)
    {
        const auto deadline = std::chrono::steady_clock::now() + kMapTimeout;
        while (std::chrono::steady_clock::now() < deadline) {
            if (auto at = takeEvents(type))
                return at;
            pollfd readable { fd(), POLLIN, 0 };
            poll(&readable, 1, 10);
        }
        return std::nullopt;
    }

    Display* display_ = nullptr;
    Window window_ = 0;
    bool mapped_ = false;
};

} // namespace kavora::bench
