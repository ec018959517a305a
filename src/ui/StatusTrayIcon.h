// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace kavora {

class ControllerAdapter;
class MenuBarPanel;

// The receiver's status icon, "Kavora": a cursor arrow while no controller is connected and a
// cursor with rays while one is. Activating it opens (or closes) the panel at the icon, at the
// pointer where the tray does not say where its icon is, or centred where the pointer's place is
// not known either; its menu offers the panel's two commands for hosts that only show menus.
// Qt picks the way to the tray (a status-notifier item, else an X11 tray) when the first icon is
// made, so make it once a tray is there.
class StatusTrayIcon final : public QObject {
    Q_OBJECT

public:
    // `pointerKnown`: the pointer's place is where the user clicked the tray (an X11 session,
    // not clients of a Wayland compositor, which only learn it over their own windows).
    StatusTrayIcon(ControllerAdapter& adapter, MenuBarPanel& panel, bool pointerKnown,
                   QObject* parent = nullptr);

    QSystemTrayIcon& icon() { return icon_; }
    QMenu& menu() { return menu_; }

Q_SIGNALS:
    void settingsRequested();
    void quitRequested();

private:
    void showConnection();
    void activated(QSystemTrayIcon::ActivationReason reason);

    ControllerAdapter& adapter_;
    MenuBarPanel& panel_;
    bool pointerKnown_;
    QMenu menu_;
    QSystemTrayIcon icon_;
};

} // namespace kavora
