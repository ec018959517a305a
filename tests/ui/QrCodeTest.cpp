// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The QR code's picture for screens of different pixel densities.
#include "ui/QrCode.h"

#include "UiRig.h"

#include <gtest/gtest.h>

#include <vector>

namespace kavora {
namespace {

TEST(QrCodeTest, APixmapHasWholeDevicePixelsPerModuleAtTheScreensRatio)
{
    // What it shows; the screen's ratio, the pixmap's, the device pixels of one module.
    const std::tuple<const char*, qreal, qreal, int> rows[] = {
        { "a plain screen draws 4 pixels a module", 1.0, 1.0, 4 },
        { "a double density screen draws 8", 2.0, 2.0, 8 },
        { "a 150 % screen draws 6", 1.5, 1.5, 6 },
        { "a 125 % screen draws 5", 1.25, 1.25, 5 },
        { "an unknown ratio is taken as 1", 0.0, 1.0, 4 },
    };
    test::widgetApplication(); // pixmaps need one
    const auto code = QrCode::encode("https://192.168.1.20:47390/#t=x7Kq2mVbN4pRt9LwZc3HsA");
    ASSERT_TRUE(code);
    const int modules = code->size() + 2 * QrCode::kQuietZone;
    const int zone = QrCode::kQuietZone;
    for (const auto& [shows, screenRatio, pixmapRatio, perModule] : rows) {
        const QPixmap pixmap = code->pixmap(4, screenRatio);
        EXPECT_EQ(pixmap.devicePixelRatio(), pixmapRatio) << shows;
        EXPECT_EQ(pixmap.width(), modules * perModule) << shows;
        // The quiet zone ends and the finder pattern's dark corner starts on a module edge.
        const QImage image = pixmap.toImage();
        const int edge = zone * perModule;
        EXPECT_EQ(image.pixel(edge - 1, edge - 1), qRgb(255, 255, 255)) << shows;
        EXPECT_EQ(image.pixel(edge, edge), qRgb(0, 0, 0)) << shows;
    }
}

} // namespace
} // namespace kavora
