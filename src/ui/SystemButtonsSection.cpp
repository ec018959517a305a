// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/SystemButtonsSection.h"

#include "presentation/FormTexts.h"
#include "presentation/HexColor.h"
#include "presentation/ListRules.h"
#include "ui/ControllerAdapter.h"
#include "ui/FormParts.h"
#include "ui/Look.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>

#include <algorithm>

namespace kavora {
namespace {

constexpr int kSymbolFrame = 22;
constexpr int kSymbolSize = 16;
constexpr int kGap = 8;
constexpr qreal kDisabledOpacity = 0.35;

} // namespace

PresetRow::PresetRow(const SystemButton& preset, QWidget* parent)
    : ValueButton(parent)
    , id_(preset.id)
    , symbolName_(QString::fromStdString(preset.sfSymbol))
    , color_(look::fromRgb(colorFromHex(preset.colorHex)))
{
    setText(QString::fromStdString(preset.label));
    setCursor(Qt::PointingHandCursor);
    renderSymbols();
}

void PresetRow::renderSymbols()
{
    const qreal ratio = devicePixelRatioF();
    symbol_ = look::symbol(symbolName_, color_, kSymbolSize, ratio);
    checkMark_
        = look::symbol(QStringLiteral("checkmark.circle.fill"), look::brand(), kSymbolSize, ratio);
}

QSize PresetRow::sizeHint() const
{
    return { kSymbolFrame + kGap + fontMetrics().horizontalAdvance(text()) + kGap + kSymbolSize,
             std::max(kSymbolFrame, fontMetrics().height()) + 6 };
}

void PresetRow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        renderSymbols();
    ValueButton::changeEvent(event);
}

void PresetRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!isEnabled())
        painter.setOpacity(kDisabledOpacity);
    const int middle = height() / 2;
    const auto drawCentred = [&](const QPixmap& pixmap, int x) {
        const QSizeF size = pixmap.deviceIndependentSize();
        painter.drawPixmap(QPointF(x, middle - size.height() / 2), pixmap);
    };
    drawCentred(symbol_, (kSymbolFrame - kSymbolSize) / 2);
    painter.setPen(palette().color(QPalette::Active, QPalette::WindowText));
    const QRect textRect(kSymbolFrame + kGap, 0, width() - kSymbolFrame - 2 * kGap - kSymbolSize,
                         height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text());
    if (isChecked())
        drawCentred(checkMark_, width() - kSymbolSize);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

SystemButtonsSection::SystemButtonsSection(ControllerAdapter& adapter, QWidget* parent)
    : QGroupBox(parent)
    , adapter_(adapter)
{
    auto* column = new QVBoxLayout(this);
    column->addWidget(noteLabel(QString::fromStdString(systemButtonsNote())));
    for (const auto& preset : adapter_.systemButtonPresets()) {
        auto* row = new PresetRow(preset);
        connect(row, &PresetRow::valueRequested, this,
                [this, id = preset.id] { adapter_.toggleSystemButton(id); });
        column->addWidget(row);
        rows_.push_back(row);
    }
    connect(&adapter_, &ControllerAdapter::systemButtonIDsChanged, this,
            &SystemButtonsSection::showSelection);
    showSelection();
}

void SystemButtonsSection::showSelection()
{
    const auto& selected = adapter_.systemButtonIDs();
    setTitle(QString::fromStdString(systemButtonsHeader(selected.size())));
    for (auto* row : rows_) {
        const auto& id = row->presetId();
        row->setValue(std::find(selected.begin(), selected.end(), id) != selected.end());
        row->setEnabled(isPresetRowEnabled(selected, id));
    }
}

} // namespace kavora
