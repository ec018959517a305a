// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QWidget>

class QLabel;
class QPushButton;

namespace kavora {

class AdvertisingSection;
class BrowserControl;
class BrowserControlSwitch;
class ConnectionSection;
class ControllerAdapter;
class FavoriteSitesSection;
class LoginStart;
class LoginStartSwitch;
class RegisteredAppsSection;
class SystemButtonsSection;
class TrackingSection;

// The settings window "Kavora 設定": one scrolling form of seven sections. There is one for the
// life of the program: closing it only hides it, with its size, place and form contents kept,
// and showing it again brings the same window to the front. Where no tray shows the status icon
// the window is the program's face: a row under the form offers "終了" and says what closing the
// window does. Ctrl+Q quits wherever the window is.
class SettingsWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kInitialSize { 400, 640 };

    // With a login start, the "Kavora" section has the start-at-login switch; with a browser
    // control, the "接続" section has the switch for control from a browser. Both must outlive
    // the window.
    explicit SettingsWindow(ControllerAdapter& adapter, LoginStart* loginStart = nullptr,
                            BrowserControl* browserControl = nullptr, QWidget* parent = nullptr);

    // Shows the window and brings it to the front: centred on the screen the first time, where
    // it was left after that.
    void showWindow();

    TrackingSection& tracking() { return *tracking_; }
    SystemButtonsSection& systemButtons() { return *systemButtons_; }
    RegisteredAppsSection& registeredApps() { return *registeredApps_; }
    FavoriteSitesSection& favoriteSites() { return *favoriteSites_; }
    ConnectionSection& connection() { return *connection_; }
    AdvertisingSection& advertising() { return *advertising_; }
    // Null without a login start.
    LoginStartSwitch* loginStart() { return loginStart_; }
    // Null without a browser control.
    BrowserControlSwitch* browserControl() { return browserControl_; }

    // Shows or hides the row with "終了" (shown where there is no tray).
    void offerQuit(bool offered);
    QPushButton& quitButton() { return *quitButton_; }

Q_SIGNALS:
    void quitRequested();
    // The user closed the window (its title bar's button, the window manager's close; not a
    // close() of the program's own).
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    AdvertisingSection* advertising_;
    LoginStartSwitch* loginStart_ = nullptr;
    BrowserControlSwitch* browserControl_ = nullptr;
    TrackingSection* tracking_;
    RegisteredAppsSection* registeredApps_;
    SystemButtonsSection* systemButtons_;
    FavoriteSitesSection* favoriteSites_;
    ConnectionSection* connection_;
    QWidget* quitRow_;
    QLabel* closeNote_;
    QPushButton* quitButton_;
    QByteArray geometry_;
};

} // namespace kavora
