// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/FormParts.h"

#include "presentation/Translation.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace kavora {
namespace {

constexpr qreal kPanelRadius = 12;
constexpr qreal kPanelOpacity = 0.7;

} // namespace

QLabel* styledLabel(const QString& text, look::TextStyle style, Tone tone, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(look::font(QApplication::font(), style));
    if (tone == Tone::Secondary)
        look::makeSecondary(label);
    return label;
}

QLabel* noteLabel(const QString& text, QWidget* parent)
{
    auto* label = styledLabel(text, look::TextStyle::Caption, Tone::Secondary, parent);
    label->setWordWrap(true);
    return label;
}

QLabel* addValueRow(QVBoxLayout* layout, const QString& label)
{
    auto* row = new QHBoxLayout;
    auto* name = new QLabel(label);
    name->setTextFormat(Qt::PlainText);
    auto* value = new QLabel;
    value->setTextFormat(Qt::PlainText);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    look::makeSecondary(value);
    row->addWidget(name);
    row->addStretch(1);
    row->addWidget(value);
    layout->addLayout(row);
    return value;
}

QString removeButtonName(const QString& name)
{
    return QString::fromStdString(
        fillIn(i18n("Remove “{name}”"), { { "name", name.toStdString() } }));
}

QSize ElidedLabel::minimumSizeHint() const
{
    return { 0, QLabel::minimumSizeHint().height() };
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    const QRect area = contentsRect();
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
}

void RoundedPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::Base);
    fill.setAlphaF(kPanelOpacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), kPanelRadius, kPanelRadius);
}

} // namespace kavora
