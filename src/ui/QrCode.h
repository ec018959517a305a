// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QImage>
#include <QPixmap>

#include <optional>
#include <string>
#include <vector>

namespace kavora {

// A QR code of a text (libqrencode, error correction level M), as a square of dark and light
// modules, drawn as a crisp picture for the settings window or as text for a terminal.
class QrCode {
public:
    // The modules around the code that must stay light for a reader to find it.
    static constexpr int kQuietZone = 4;

    // Nothing when the text cannot be encoded (too long).
    static std::optional<QrCode> encode(const std::string& text);

    int size() const { return size_; }
    bool isDark(int x, int y) const;

    // Each module a block of modulePixels, black on white, with the quiet zone.
    QImage image(int modulePixels) const;
    // The picture for a screen of that device pixel ratio, about modulePixels per module in its
    // logical pixels and a whole number of device pixels per module, so that the screen draws
    // it pixel for pixel and no module edge is smoothed.
    QPixmap pixmap(int modulePixels, qreal devicePixelRatio) const;
    // Two rows of modules per line with the half blocks "▀", "▄", "█" and spaces, the light
    // modules drawn (for a terminal with light text on a dark background), with the quiet zone.
    std::string halfBlockText() const;

private:
    QrCode(int size, std::vector<bool> modules);

    int size_;
    std::vector<bool> modules_; // row by row
};

} // namespace kavora
