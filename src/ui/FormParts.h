// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ui/Look.h"

#include <QFrame>
#include <QLabel>

class QHBoxLayout;
class QVBoxLayout;

namespace kavora {

// Small pieces the settings window's sections are built from.

// A label in one of the views' text styles, plain text, optionally in the secondary colour.
enum class Tone { Primary, Secondary };
QLabel* styledLabel(const QString& text, look::TextStyle style, Tone tone = Tone::Primary,
                    QWidget* parent = nullptr);
// A note under a section header: caption style, secondary colour, wrapped.
QLabel* noteLabel(const QString& text, QWidget* parent = nullptr);
// A row with a label on the left and a value (secondary colour) on the right; returns the value.
QLabel* addValueRow(QVBoxLayout* layout, const QString& label);

// The name of a row's remove button, "Remove “NAME”", for screen readers and as its tooltip.
QString removeButtonName(const QString& name);

// A one-line label that shortens its text in the middle when it does not fit; screen readers
// still get the whole text.
class ElidedLabel final : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A rounded panel filled with the palette's base colour at 70 % opacity, for the add-site form.
class RoundedPanel final : public QFrame {
    Q_OBJECT

public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace kavora
