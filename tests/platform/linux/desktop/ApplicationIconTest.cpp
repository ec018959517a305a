#include "platform/linux/desktop/ApplicationIcon.h"

#include "support/TemporaryFolder.h"
#include "support/linux/PrivateSession.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace kavora {
namespace {

using test::PrivateSession;

namespace fs = std::filesystem;

constexpr const char* kSquareSvg
    = R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16">
<rect width="16" height="16" fill="#0000ff"/></svg>)";

bool saveImage(const fs::path& file, int width, int height, const QColor& color)
{
    fs::create_directories(file.parent_path());
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image.save(QString::fromStdString(file.string()));
}

// Themed icons in the session's hicolor theme (a 48 px PNG in the user's data folder, an SVG in
// Flatpak's), one in the pixmaps folder, and image files named by path, 2:1 and missing.
class ApplicationIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& session = PrivateSession::instance();
        session.application();
        static const bool installed = installTheme(session.dataHome());
        ASSERT_TRUE(installed);
    }

    static bool installTheme(const fs::path& dataHome)
    {
        const fs::path hicolor = dataHome / "icons/hicolor";
        fs::create_directories(hicolor);
        std::ofstream(hicolor / "index.theme") << "[Icon Theme]\nName=Hicolor\n"
                                                  "Directories=48x48/apps,scalable/apps\n"
                                                  "[48x48/apps]\nSize=48\nType=Fixed\n"
                                                  "[scalable/apps]\nSize=64\nMinSize=8\n"
                                                  "MaxSize=512\nType=Scalable\n";
        // Flatpak's export folder is one Qt would not search by itself.
        const fs::path flatpakApps = dataHome / "flatpak/exports/share/icons/hicolor/scalable/apps";
        fs::create_directories(flatpakApps);
        std::ofstream(flatpakApps / "org.example.Vector.svg") << kSquareSvg;
        return saveImage(hicolor / "48x48/apps/org.example.Raster.png", 48, 48, Qt::green)
            && saveImage(dataHome / "pixmaps/org.example.Legacy.png", 32, 32, Qt::green);
    }

    std::string entry(const std::string& icon)
    {
        const fs::path file = folder_.path() / ("entry" + std::to_string(++entries_) + ".desktop");
        std::ofstream(file) << "[Desktop Entry]\nType=Application\nName=Test\nExec=/bin/true\n"
                            << (icon.empty() ? "" : "Icon=" + icon + "\n");
        return file.string();
    }

    test::TemporaryFolder folder_;
    int entries_ = 0;
};

std::optional<QImage> decoded(const std::optional<Bytes>& png)
{
    if (!png)
        return std::nullopt;
    QImage image;
    if (!image.loadFromData(png->data(), static_cast<int>(png->size()), "PNG"))
        return std::nullopt;
    return image;
}

TEST_F(ApplicationIconTest, RendersEveryKindOfIconAsA64PixelSquarePNG)
{
    const fs::path wide = folder_.path() / "wide.png";
    ASSERT_TRUE(saveImage(wide, 32, 16, Qt::red));
    struct Row {
        const char* shows;
        std::string icon;
        QColor color;
    };
    const Row rows[] = {
        { "a themed SVG that Flatpak exported", "org.example.Vector", Qt::blue },
        { "a themed SVG named with its extension", "org.example.Vector.svg", Qt::blue },
        { "a themed PNG drawn larger", "org.example.Raster", Qt::green },
        { "an icon in no theme", "org.example.Legacy", Qt::green },
        { "a 2:1 image by path, stretched to the corners", wide.string(), Qt::red },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        const auto image = decoded(applicationIconPNG(entry(row.icon)));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->size(), QSize(64, 64));
        for (const QPoint corner : { QPoint(0, 0), QPoint(63, 0), QPoint(0, 63), QPoint(63, 63) })
            EXPECT_EQ(image->pixelColor(corner), row.color) << corner.x() << "," << corner.y();
    }
}

TEST_F(ApplicationIconTest, AnswersNothingWithoutAnIcon)
{
    EXPECT_FALSE(applicationIconPNG(entry("org.example.NoSuchIcon")));
    EXPECT_FALSE(applicationIconPNG(entry((folder_.path() / "missing.png").string())));
    EXPECT_FALSE(applicationIconPNG(entry("")));
    EXPECT_FALSE(applicationIconPNG((folder_.path() / "missing.desktop").string()));
    EXPECT_FALSE(renderIconPNG(QIcon()));
}

} // namespace
} // namespace kavora
