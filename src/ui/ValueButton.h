// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAbstractButton>

namespace kavora {

// A checkable button that shows a value it does not own. A click, Space, or an assistive
// technology's toggle asks for the other value (valueRequested) and changes nothing itself; the
// owner answers with setValue() once the value really changed. Screen readers see a check box.
class ValueButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit ValueButton(QWidget* parent = nullptr);

    void setValue(bool on);

Q_SIGNALS:
    void valueRequested(bool on);

protected:
    void nextCheckState() override;

private:
    void toggledFromOutside(bool on);

    bool applying_ = false;
};

} // namespace kavora
