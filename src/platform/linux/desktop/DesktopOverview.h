// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

#include <functional>

class QDBusMessage;

namespace kavora {

// Shows the running desktop's window overview: GNOME Shell, KDE Plasma (KWin) and Cinnamon over
// D-Bus, chosen by XDG_CURRENT_DESKTOP; every other desktop, and any of these whose call fails,
// gets the key fallback. All calls are asynchronous on the session bus of the GUI thread's event
// loop, so a busy shell never blocks the caller; like the overview key, each call toggles.
class DesktopOverview final {
public:
    // The fallback posts the desktop's overview key (Super on GNOME and most others); it may be
    // empty, and then desktops without a D-Bus overview get nothing.
    explicit DesktopOverview(std::function<void()> keyFallback);
    ~DesktopOverview();
    DesktopOverview(const DesktopOverview&) = delete;
    DesktopOverview& operator=(const DesktopOverview&) = delete;

    void toggle();

private:
    using ReplyHandler = std::function<void(const QDBusMessage& reply)>;

    void toggleGnomeOverview();
    void evalGnomeOverviewToggle();
    void invokeKWinOverview();
    void showCinnamonExpo();
    void fallBackToKey();
    // Sends the call and hands its reply (or the error reply, timeouts included) to the handler
    // on this thread; pending calls die with this object.
    void callAsync(const QDBusMessage& call, ReplyHandler handler);

    std::function<void()> keyFallback_;
    QObject context_;
};

} // namespace kavora
