// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QGroupBox>

class QLabel;

namespace kavora {

class ControllerAdapter;
class StatusDotWidget;
class ToggleSwitch;
class TrustedDevicesList;

// The settings window's three sections about the receiver itself, each a few rows that follow
// the adapter's values.

// "Kavora": the advertising switch and the connection status.
class AdvertisingSection final : public QGroupBox {
    Q_OBJECT

public:
    explicit AdvertisingSection(ControllerAdapter& adapter, QWidget* parent = nullptr);

private:
    void showStatus();

    ControllerAdapter& adapter_;
    ToggleSwitch* switch_;
    StatusDotWidget* dot_;
    QLabel* statusText_;
};

// "接続": whether a controller is connected, whether input can be injected, and the trusted
// controllers, each with a button that removes it.
class ConnectionSection final : public QGroupBox {
    Q_OBJECT

public:
    explicit ConnectionSection(ControllerAdapter& adapter, QWidget* parent = nullptr);

    TrustedDevicesList& trustedDevices() { return *trustedDevices_; }

private:
    void showState();

    ControllerAdapter& adapter_;
    QLabel* connection_;
    QLabel* accessibility_;
    TrustedDevicesList* trustedDevices_;
};

// "情報": the program's version and its developer.
class InformationSection final : public QGroupBox {
    Q_OBJECT

public:
    explicit InformationSection(QWidget* parent = nullptr);
};

} // namespace kavora
