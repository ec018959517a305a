// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/StatusDotWidget.h"

#include "ui/Look.h"

#include <QPainter>

namespace kavora {

StatusDotWidget::StatusDotWidget(int diameter, QWidget* parent)
    : QWidget(parent)
    , diameter_(diameter)
{
    setFixedSize(diameter, diameter);
}

void StatusDotWidget::setDot(StatusDot dot)
{
    if (dot == dot_)
        return;
    dot_ = dot;
    update();
}

void StatusDotWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(look::statusDotColor(dot_, palette()));
    painter.drawEllipse(QRectF(0, 0, diameter_, diameter_));
}

} // namespace kavora
