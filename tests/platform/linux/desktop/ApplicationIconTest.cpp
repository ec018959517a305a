// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/ApplicationIcon.h"

#include "support/DesktopEntry.h"
#include "support/TemporaryFolder.h"
#include "support/linux/PrivateSession.h"

#include <QColor>
#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace kavora::test {
namespace {

namespace fs = std::filesystem;

bool saveImage(const fs::path& file, int width, int height, const QColor& color)
{
    fs::create_directories(file.parent_path());
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image.save(QString::fromStdString(file.string()));
}

// Themed icons in the session's hicolor theme (a 48 px PNG in the user's data folder, an SVG in
// Flatpak's export folder, which Qt would not search by itself), one in the pixmaps folder, and
// image files named by path.
TEST(ApplicationIconTest, RendersEveryKindOfIconAsA64PixelSquarePNG)
{
    const fs::path data = PrivateSession::instance().dataHome();
    PrivateSession::instance().application();
    const fs::path hicolor = data / "icons/hicolor";
    fs::create_directories(hicolor);
    std::ofstream(hicolor / "index.theme")
        << "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps,scalable/apps\n"
           "[48x48/apps]\nSize=48\nType=Fixed\n"
           "[scalable/apps]\nSize=64\nMinSize=8\nMaxSize=512\nType=Scalable\n";
    const fs::path flatpak = data / "flatpak/exports/share/icons/hicolor/scalable/apps";
    fs::create_directories(flatpak);
    std::ofstream(flatpak / "org.example.Vector.svg")
        << R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16">)"
        << R"(<rect width="16" height="16" fill="#0000ff"/></svg>)";
    const TemporaryFolder folder;
    const fs::path wide = folder.path() / "wide.png";
    ASSERT_TRUE(saveImage(hicolor / "48x48/apps/org.example.Raster.png", 48, 48, Qt::green));
    ASSERT_TRUE(saveImage(data / "pixmaps/org.example.Legacy.png", 32, 32, Qt::green));
    ASSERT_TRUE(saveImage(wide, 32, 16, Qt::red));

    struct Row {
        const char* shows;
        std::optional<std::string> icon; // the entry's Icon key; none: no entry at all
        std::optional<QColor> color; // of every corner; none: no icon
    };
    const Row rows[] = {
        { "a themed SVG that Flatpak exported", "org.example.Vector", Qt::blue },
        { "a themed SVG named with its extension", "org.example.Vector.svg", Qt::blue },
        { "a themed PNG drawn larger", "org.example.Raster", Qt::green },
        { "an icon in no theme", "org.example.Legacy", Qt::green },
        { "a 2:1 image by path, stretched to the corners", wide.string(), Qt::red },
        { "an icon no theme has", "org.example.NoSuchIcon", std::nullopt },
        { "a missing image", (folder.path() / "missing.png").string(), std::nullopt },
        { "an entry without an icon", "", std::nullopt },
        { "no entry", std::nullopt, std::nullopt },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        const fs::path entry = folder.path() / "entry.desktop";
        fs::remove(entry);
        if (row.icon)
            writeDesktopEntry(entry, "Test", row.icon->empty() ? "" : "Icon=" + *row.icon + "\n");
        const auto png = applicationIconPNG(entry.string());
        ASSERT_EQ(png.has_value(), row.color.has_value());
        if (!png)
            continue;
        const QImage image = QImage::fromData(png->data(), static_cast<int>(png->size()), "PNG");
        EXPECT_EQ(image.size(), QSize(64, 64));
        for (const QPoint corner : { QPoint(0, 0), QPoint(63, 0), QPoint(0, 63), QPoint(63, 63) })
            EXPECT_EQ(image.pixelColor(corner), *row.color) << corner.x() << "," << corner.y();
    }
    EXPECT_FALSE(renderIconPNG(QIcon()));
}

} // namespace
} // namespace kavora::test
