// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ui/ValueButton.h"

namespace kavora {

// An on/off switch (ValueButton: it shows a value it does not own). Its text, when it has one,
// stands on the left and the switch on the right.
class ToggleSwitch final : public ValueButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRect trackRect() const;
};

} // namespace kavora
