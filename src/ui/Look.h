// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "presentation/ConnectionStatus.h"
#include "presentation/HexColor.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QString>

class QWidget;

namespace kavora::look {

// Colours, type sizes and symbols shared by the panel and the settings window. Everything
// follows the desktop's palette and font: only the brand colour and the few signal colours
// (yellow, green, orange, red, grey) are fixed, each with a variant for dark palettes.

QColor fromRgb(const Rgb& rgb);
QColor brand();

enum class Signal { Yellow, Green, Orange, Red, Grey };
QColor signal(Signal which, const QPalette& palette);
// The status dot: brand while connected, yellow while waiting, grey at 60 % while off.
QColor statusDotColor(StatusDot dot, const QPalette& palette);
bool isDark(const QPalette& palette);

// The views' type sizes are given against a 13-point body text; they scale with the desktop's
// own font size, so a larger desktop font makes every text larger alike.
enum class TextStyle { Body, Callout, Caption, Caption2, Headline };
QFont font(const QFont& desktopFont, qreal points, QFont::Weight weight = QFont::Normal);
QFont font(const QFont& desktopFont, TextStyle style);

// Draws the widget's text in the palette's secondary (placeholder) colour, following palette
// changes such as a switch to a dark theme.
void makeSecondary(QWidget* widget);

// One of the views' symbols (system-symbol names such as "doc.on.doc"), drawn from the
// program's own SVGs in one colour, `size` logical pixels square, sharp at the given device
// pixel ratio. An unknown name gives an empty pixmap.
QPixmap symbol(const QString& name, const QColor& color, int size, qreal devicePixelRatio);
// The same as an icon for buttons and menus, sharp at 1x and 2x.
QIcon symbolIcon(const QString& name, const QColor& color, int size);
// The size of the remove symbol at the end of a list row.
constexpr int kRemoveIconSize = 16;

} // namespace kavora::look
