// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Published.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace kavora {

class BrowserControl;
class ToggleSwitch;

// "ブラウザから操作", in the settings window's "接続" section: the switch, and while the page is
// served the address with a pairing code, its QR code to scan with a phone, and a button that
// shows a new code. The code shown is replaced as soon as it was used or expired.
class BrowserControlSwitch final : public QWidget {
    Q_OBJECT

public:
    explicit BrowserControlSwitch(BrowserControl& control, QWidget* parent = nullptr);

    ToggleSwitch& toggle() { return *switch_; }
    QLabel& address() { return *address_; }
    QLabel& qrCode() { return *qrCode_; }

private:
    void showState();

    BrowserControl& control_;
    ToggleSwitch* switch_;
    QLabel* waiting_;
    QWidget* pairing_;
    QLabel* address_;
    QLabel* qrCode_;
    QPushButton* renew_;
    Subscription enabled_;
    Subscription pairingAddress_;
};

} // namespace kavora
