// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/Look.h"

#include <QPainter>
#include <QWidget>

namespace kavora::look {
namespace {

// A desktop body font of this size stands for the 13-point text the layout was drawn with.
constexpr qreal kReferenceBodyPoints = 13.0;
constexpr double kGreyOpacity = 0.6;

struct SignalColors {
    QRgb light;
    QRgb dark;
};

SignalColors signalColors(Signal which)
{
    switch (which) {
    case Signal::Yellow:
        return { 0xFFCC00, 0xFFD60A };
    case Signal::Green:
        return { 0x34C759, 0x30D158 };
    case Signal::Orange:
        return { 0xFF9500, 0xFF9F0A };
    case Signal::Red:
        return { 0xFF3B30, 0xFF453A };
    case Signal::Grey:
        break;
    }
    return { 0x8E8E93, 0x8E8E93 };
}

// The symbols are compiled in, in the hicolor layout they are installed in: "doc.on.doc" is
// the action icon kavora-doc-on-doc-symbolic.
QString symbolPath(QString name)
{
    return QStringLiteral(":/icons/hicolor/scalable/actions/kavora-%1-symbolic.svg")
        .arg(name.replace(QLatin1Char('.'), QLatin1Char('-')));
}

} // namespace

QColor fromRgb(const Rgb& rgb)
{
    return { rgb.red, rgb.green, rgb.blue };
}

QColor brand()
{
    return fromRgb(kBrandColor);
}

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor signal(Signal which, const QPalette& palette)
{
    const auto colors = signalColors(which);
    return QColor::fromRgb(isDark(palette) ? colors.dark : colors.light);
}

QColor statusDotColor(StatusDot dot, const QPalette& palette)
{
    switch (dot) {
    case StatusDot::Brand:
        return brand();
    case StatusDot::Yellow:
        return signal(Signal::Yellow, palette);
    case StatusDot::Grey:
        break;
    }
    QColor grey = signal(Signal::Grey, palette);
    grey.setAlphaF(kGreyOpacity);
    return grey;
}

QFont font(const QFont& desktopFont, qreal points, QFont::Weight weight)
{
    QFont scaled = desktopFont;
    if (desktopFont.pointSizeF() > 0)
        scaled.setPointSizeF(desktopFont.pointSizeF() * points / kReferenceBodyPoints);
    else
        scaled.setPixelSize(qRound(desktopFont.pixelSize() * points / kReferenceBodyPoints));
    scaled.setWeight(weight);
    return scaled;
}

QFont font(const QFont& desktopFont, TextStyle style)
{
    switch (style) {
    case TextStyle::Body:
        return font(desktopFont, 13);
    case TextStyle::Callout:
        return font(desktopFont, 12);
    case TextStyle::Caption:
        return font(desktopFont, 10.5);
    case TextStyle::Caption2:
        return font(desktopFont, 10);
    case TextStyle::Headline:
        break;
    }
    return font(desktopFont, 13, QFont::DemiBold);
}

void makeSecondary(QWidget* widget)
{
    widget->setForegroundRole(QPalette::PlaceholderText);
}

QPixmap symbol(const QString& name, const QColor& color, int size, qreal devicePixelRatio)
{
    const QIcon source(symbolPath(name));
    QPixmap pixmap = source.pixmap(QSize(size, size), devicePixelRatio);
    if (pixmap.isNull())
        return pixmap;
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), pixmap.deviceIndependentSize()), color);
    return pixmap;
}

QIcon symbolIcon(const QString& name, const QColor& color, int size)
{
    QIcon icon;
    for (const qreal ratio : { 1.0, 2.0 }) {
        const QPixmap pixmap = symbol(name, color, size, ratio);
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace kavora::look
