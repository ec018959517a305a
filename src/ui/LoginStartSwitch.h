// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

class QLabel;

namespace kavora {

class LoginStart;
class ToggleSwitch;

// "ログイン時に起動", in the settings window's "Kavora" section: whether the session starts the
// program at login. The switch shows what the system says, read again on every refresh (the
// window refreshes it whenever it is shown), so an entry the user removed by hand shows off.
// A note under it says that a login start comes up switched on. When a change fails, the reason
// shows under the switch.
class LoginStartSwitch final : public QWidget {
    Q_OBJECT

public:
    explicit LoginStartSwitch(LoginStart& loginStart, QWidget* parent = nullptr);

    void refresh();

    ToggleSwitch& toggle() { return *switch_; }
    // The reason the last change failed; hidden after one that succeeded.
    QLabel& problem() { return *problem_; }

private:
    void change(bool on);

    LoginStart& loginStart_;
    ToggleSwitch* switch_;
    QLabel* problem_;
};

} // namespace kavora
