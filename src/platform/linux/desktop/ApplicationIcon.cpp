// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/ApplicationIcon.h"

#include "platform/linux/desktop/DesktopDataFolders.h"

#include <QBuffer>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <vector>

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

namespace kavora {

namespace {

namespace fs = std::filesystem;

constexpr int kIconSide = 64;

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

QString qString(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

// Without a platform theme (the offscreen and minimal platforms, a bare X session) Qt knows
// neither a theme nor where themes live, and finds no icon by name. It is told both once: the
// icon folders of every desktop data folder and ~/.icons, the pixmaps folders for icons that are
// in no theme, and the desktop's theme when Qt learnt one, else hicolor, which every theme
// falls back to.
bool setUpIconTheme()
{
    const std::vector<fs::path> dataFolders = desktopDataFolders();
    QStringList themeFolders;
    QStringList pixmapFolders;
    for (const auto& folder : dataFolders) {
        themeFolders << qString(folder / "icons");
        pixmapFolders << qString(folder / "pixmaps");
    }
    themeFolders.insert(1, qString(fs::path(g_get_home_dir()) / ".icons"));

    const QString desktopTheme = QIcon::themeName();
    QIcon::setThemeSearchPaths(themeFolders);
    QIcon::setFallbackSearchPaths(pixmapFolders);
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
    QIcon::setThemeName(desktopTheme.isEmpty() ? QStringLiteral("hicolor") : desktopTheme);
    return true;
}

// The first of the icon's theme names that the theme has (GIO drops a stray ".png" or ".svg"
// from Icon=), or the image file it names.
QIcon iconOf(GIcon* icon)
{
    if (G_IS_THEMED_ICON(icon)) {
        for (const gchar* const* name = g_themed_icon_get_names(G_THEMED_ICON(icon));
             *name != nullptr; ++name) {
            QIcon themed = QIcon::fromTheme(QString::fromUtf8(*name));
            if (!themed.isNull())
                return themed;
        }
    } else if (G_IS_FILE_ICON(icon)) {
        gchar* path = g_file_get_path(g_file_icon_get_file(G_FILE_ICON(icon)));
        const QString file = path != nullptr ? QString::fromUtf8(path) : QString();
        g_free(path);
        if (fs::path(file.toStdString()).is_absolute())
            return QIcon(file);
    }
    return {};
}

} // namespace

std::optional<Bytes> applicationIconPNG(const std::string& desktopFileLocation)
{
    const std::unique_ptr<GDesktopAppInfo, GObjectUnref> entry(
        g_desktop_app_info_new_from_filename(desktopFileLocation.c_str()));
    if (!entry)
        return std::nullopt;
    GIcon* icon = g_app_info_get_icon(G_APP_INFO(entry.get())); // owned by the entry
    if (icon == nullptr)
        return std::nullopt;
    [[maybe_unused]] static const bool themeReady = setUpIconTheme();
    return renderIconPNG(iconOf(icon));
}

std::optional<Bytes> renderIconPNG(const QIcon& icon)
{
    if (icon.isNull())
        return std::nullopt;
    // Drawn at the largest size up to 64 x 64 that keeps its shape (a 1.0 pixel ratio, whatever
    // the screen's), then stretched: the device shows every icon as a full square.
    const QPixmap pixmap = icon.pixmap(QSize(kIconSide, kIconSide), 1.0);
    if (pixmap.isNull())
        return std::nullopt;
    const QImage image
        = pixmap.toImage()
              .scaled(kIconSide, kIconSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
              .convertToFormat(QImage::Format_ARGB32);
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return std::nullopt;
    return Bytes(png.begin(), png.end());
}

} // namespace kavora
