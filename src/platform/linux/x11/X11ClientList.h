// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QImage;
class QSocketNotifier;

namespace kavora {

class X11Connection;

// One window of an application as the window manager lists it, with what tells whose it is.
struct X11ClientWindow {
    unsigned long window = 0;
    // _GTK_APPLICATION_ID: the desktop id a GApplication declares.
    std::optional<std::string> gtkApplicationId;
    // _KDE_NET_WM_DESKTOP_FILE: the desktop id a KDE application declares.
    std::optional<std::string> kdeDesktopFile;
    // WM_CLASS: the instance ("res_name") and the class ("res_class"); empty when unset.
    std::string wmInstance;
    std::string wmClass;
    // _NET_WM_PID, which the client sets itself (absent for remote clients and some toolkits).
    std::optional<std::uint32_t> pid;
    // _NET_WM_NAME, else WM_NAME; empty when neither is set.
    std::string title;
};

// The application windows an EWMH window manager manages on one X display, read over a
// connection of its own: the windows of the root's _NET_CLIENT_LIST, in that order, that are
// normal top-level windows (no dialog, dock or other special type, not kept off the task bar, not
// transient for another window). A window that vanishes while it is read is left out. Without a
// display or a window manager the list is empty. Main thread only: the change callback comes
// from the Qt event loop, which also notices at once when the connection ends.
class X11ClientList {
public:
    // Opens the named display, or $DISPLAY when the name is empty.
    explicit X11ClientList(std::string displayName = {});
    ~X11ClientList();
    X11ClientList(const X11ClientList&) = delete;
    X11ClientList& operator=(const X11ClientList&) = delete;

    std::vector<X11ClientWindow> windows();
    // Called on the main thread each time the window manager changes its client list; replaces
    // the previous callback.
    void onChange(std::function<void()> changed);
    // Called on the main thread when the connection has ended (the server went away); replaces
    // the previous callback.
    void onConnectionLost(std::function<void()> lost);
    bool isConnected() const;
    // After the connection ended: connects again and, once connected, reports a change, since
    // the windows are those of the server now. True when connected; nothing happens while the
    // connection is alive.
    bool reconnect();
    // Asks the window manager to raise and focus the window, as a pager does; true when the
    // request was sent. Whether it complies is up to it.
    bool activate(unsigned long window);
    // The picture the window carries for its application (_NET_WM_ICON): of the sizes it offers,
    // the smallest that is at least 64 pixels wide and high, else the largest. A null image when
    // it has none.
    QImage icon(unsigned long window);

private:
    struct Atoms;

    void connect();
    std::optional<X11ClientWindow> readWindow(unsigned long window);
    void readEvents();
    void connectionEnded();
    void readQueuedEventsLater();

    std::string displayName_;
    std::unique_ptr<X11Connection> connection_;
    std::unique_ptr<Atoms> atoms_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> changed_;
    std::function<void()> lost_;
};

} // namespace kavora
