// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QGroupBox>

class QLabel;
class QSlider;
class QVBoxLayout;

namespace kavora {

class InputSettings;
class ToggleSwitch;

// "トラッキング": the pointer and scroll speed sliders (0.5 to 3.0 in steps of 0.1) and the
// natural-scrolling switch, each written to the settings as it moves, so that the injector uses
// the new value on its next event. A value is shown as stored, and the default is not written
// until the user moves the control.
class TrackingSection final : public QGroupBox {
    Q_OBJECT

public:
    explicit TrackingSection(InputSettings& settings, QWidget* parent = nullptr);

    // Shows the stored values again (the settings file may have been changed meanwhile).
    void refresh();

private:
    struct Speed {
        QSlider* slider = nullptr;
        QLabel* value = nullptr;
    };
    Speed addSpeed(QVBoxLayout* column, const QString& title);
    static void showSpeed(const Speed& speed, double value);

    InputSettings& settings_;
    Speed cursor_;
    Speed scroll_;
    ToggleSwitch* naturalScroll_;
};

} // namespace kavora
