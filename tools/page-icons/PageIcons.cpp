// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Draws the browser controller's home-screen icons from its SVG drawings, at the sizes phones ask
// for, when the program is built:
//   kavora_page_icons ICON.svg FULL-BLEED.svg FOLDER
// ICON is the rounded icon shown as it is; FULL-BLEED fills its square, for the platforms that
// cut their own shape out of it (a maskable icon, iPhone's home screen).
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdio>

namespace {

bool draw(const QString& svg, int size, const QString& png)
{
    QImageReader reader(svg);
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull()) {
        (void)std::fprintf(stderr, "kavora_page_icons: %s: %s\n", qPrintable(svg),
                           qPrintable(reader.errorString()));
        return false;
    }
    if (!image.save(png, "PNG")) {
        (void)std::fprintf(stderr, "kavora_page_icons: cannot write %s\n", qPrintable(png));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        (void)std::fprintf(stderr, "usage: kavora_page_icons ICON.svg FULL-BLEED.svg FOLDER\n");
        return 2;
    }
    const QString icon = QString::fromLocal8Bit(argv[1]);
    const QString full = QString::fromLocal8Bit(argv[2]);
    const QString folder = QString::fromLocal8Bit(argv[3]) + QLatin1Char('/');
    const bool drawn = draw(icon, 192, folder + QStringLiteral("icon-192.png"))
        && draw(icon, 512, folder + QStringLiteral("icon-512.png"))
        && draw(full, 512, folder + QStringLiteral("icon-maskable-512.png"))
        && draw(full, 180, folder + QStringLiteral("apple-touch-icon.png"));
    return drawn ? 0 : 1;
}
