// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/QrCode.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include <qrencode.h>

namespace kavora {

QrCode::QrCode(int size, std::vector<bool> modules)
    : size_(size)
    , modules_(std::move(modules))
{
}

std::optional<QrCode> QrCode::encode(const std::string& text)
{
    QRcode* code = QRcode_encodeString8bit(text.c_str(), 0, QR_ECLEVEL_M);
    if (code == nullptr)
        return std::nullopt;
    const int size = code->width;
    std::vector<bool> modules(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < modules.size(); ++i)
        modules[i] = (code->data[i] & 1) != 0; // the lowest bit: dark
    QRcode_free(code);
    return QrCode(size, std::move(modules));
}

bool QrCode::isDark(int x, int y) const
{
    if (x < 0 || y < 0 || x >= size_ || y >= size_)
        return false; // the quiet zone
    return modules_[static_cast<std::size_t>(y) * static_cast<std::size_t>(size_)
                    + static_cast<std::size_t>(x)];
}

QImage QrCode::image(int modulePixels) const
{
    const int side = (size_ + 2 * kQuietZone) * modulePixels;
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    for (int y = 0; y < size_; ++y) {
        for (int x = 0; x < size_; ++x) {
            if (isDark(x, y)) {
                painter.fillRect((x + kQuietZone) * modulePixels, (y + kQuietZone) * modulePixels,
                                 modulePixels, modulePixels, Qt::black);
            }
        }
    }
    return picture;
}

QPixmap QrCode::pixmap(int modulePixels, qreal devicePixelRatio) const
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int devicePixels = std::max(1, static_cast<int>(std::lround(modulePixels * ratio)));
    QPixmap picture = QPixmap::fromImage(image(devicePixels));
    picture.setDevicePixelRatio(ratio);
    return picture;
}

std::string QrCode::halfBlockText() const
{
    // Drawn for a terminal with light text on a dark background: the glyphs are the light
    // modules and the background shows through as the dark ones.
    std::string text;
    for (int y = -kQuietZone; y < size_ + kQuietZone; y += 2) {
        for (int x = -kQuietZone; x < size_ + kQuietZone; ++x) {
            const bool top = !isDark(x, y);
            const bool bottom = y + 1 < size_ + kQuietZone && !isDark(x, y + 1);
            text += top && bottom ? "█" : (top ? "▀" : (bottom ? "▄" : " "));
        }
        text += '\n';
    }
    return text;
}

} // namespace kavora
