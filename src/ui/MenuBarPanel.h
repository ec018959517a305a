// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QElapsedTimer>
#include <QFrame>

#include <optional>

class QLabel;
class QPushButton;

namespace kavora {

class ControllerAdapter;
class StatusDotWidget;
class ToggleSwitch;

// The panel that opens at the status icon: the title with the advertising switch, the
// connection state, the input permission (with the button that asks for it), and the settings
// and quit commands. A frameless window 260 pixels wide that closes when it loses focus. It keeps
// nothing of its own: every value is read from the adapter when it changes. Escape closes it.
class MenuBarPanel final : public QFrame {
    Q_OBJECT

public:
    static constexpr int kWidth = 260;

    explicit MenuBarPanel(ControllerAdapter& adapter, QWidget* parent = nullptr);

    // Opens the panel at the anchor (the status icon, or the pointer where the click was) inside
    // the available area of the screen there, or without an anchor centred on the primary screen.
    void popUp(const std::optional<QRect>& anchor);
    // True for a moment after the panel closed: the click on the status icon that closed it
    // (a click outside a popup closes it) must not open it again.
    bool closedJustNow() const;

Q_SIGNALS:
    void settingsRequested();
    void quitRequested();

protected:
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeStatusRow();
    QWidget* makePermissionBlock();
    QWidget* makeFooter();
    void showStatus();
    void showPermission();
    void restyle();

    ControllerAdapter& adapter_;
    QLabel* headerIcon_ = nullptr;
    QLabel* title_ = nullptr;
    ToggleSwitch* switch_ = nullptr;
    StatusDotWidget* dot_ = nullptr;
    QLabel* statusText_ = nullptr;
    QWidget* granted_ = nullptr;
    QLabel* grantedIcon_ = nullptr;
    QWidget* notGranted_ = nullptr;
    QLabel* warningIcon_ = nullptr;
    QLabel* warningText_ = nullptr;
    QLabel* explanation_ = nullptr;
    QPushButton* requestButton_ = nullptr;
    QElapsedTimer sinceHidden_;
};

} // namespace kavora
