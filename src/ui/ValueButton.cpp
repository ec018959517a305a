// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ValueButton.h"

namespace kavora {

ValueButton::ValueButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    // QAbstractButton::toggle(), which assistive technologies call, sets the state directly.
    connect(this, &QAbstractButton::toggled, this, &ValueButton::toggledFromOutside);
}

void ValueButton::setValue(bool on)
{
    applying_ = true;
    setChecked(on);
    applying_ = false;
}

void ValueButton::nextCheckState()
{
    Q_EMIT valueRequested(!isChecked());
}

void ValueButton::toggledFromOutside(bool on)
{
    if (applying_)
        return;
    setValue(!on);
    Q_EMIT valueRequested(on);
}

} // namespace kavora
