// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ToggleSwitch.h"

#include "ui/Look.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace kavora {
namespace {

constexpr QSize kTrackSize { 32, 18 };
constexpr int kTextGap = 10;
constexpr int kKnobInset = 2;

} // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent)
    : ValueButton(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const
{
    const int textWidth = text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text()) + kTextGap;
    const int height = std::max(kTrackSize.height(), fontMetrics().height()) + 4;
    return { textWidth + kTrackSize.width() + 4, height };
}

bool ToggleSwitch::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

QRect ToggleSwitch::trackRect() const
{
    const int x = width() - kTrackSize.width() - 2;
    const int y = (height() - kTrackSize.height()) / 2;
    return { QPoint(x, y), kTrackSize };
}

void ToggleSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();

    if (!text().isEmpty()) {
        painter.setPen(
            pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        const QRect textRect(0, 0, trackRect().left() - kTextGap, height());
        painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());
    }

    const QRectF track = trackRect();
    QColor fill = isChecked() ? look::brand() : pal.color(QPalette::Mid);
    if (!isEnabled())
        fill.setAlphaF(0.4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);

    const qreal knob = track.height() - 2 * kKnobInset;
    const qreal knobX = isChecked() ? track.right() - kKnobInset - knob : track.left() + kKnobInset;
    painter.setBrush(QColor(Qt::white));
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.drawEllipse(QRectF(knobX, track.top() + kKnobInset, knob, knob));

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = trackRect().adjusted(-2, -2, 2, 2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

} // namespace kavora
