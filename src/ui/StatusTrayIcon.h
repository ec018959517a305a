#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace kavora {

class ControllerAdapter;
class MenuBarPanel;

// The receiver's status icon, "Kavora": a cursor arrow while no controller is connected and a
// cursor with rays while one is. Activating it opens (or closes) the panel at the icon; its
// menu offers the panel's two commands for hosts that only show menus.
class StatusTrayIcon final : public QObject {
    Q_OBJECT

public:
    StatusTrayIcon(ControllerAdapter& adapter, MenuBarPanel& panel, QObject* parent = nullptr);

    // Whether a tray host shows icons on this desktop now.
    static bool hostAvailable();
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
    QMenu menu_;
    QSystemTrayIcon icon_;
};

} // namespace kavora
