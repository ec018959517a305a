// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReceiverProcess.h"
#include "core/Base64.h"
#include "protocol/FavoriteSiteList.h"
#include "support/DesktopEntry.h"
#include "support/linux/LocalHttpServer.h"
#include "support/linux/PeerTestSupport.h"
#include "support/linux/Polling.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <fstream>

namespace kavora::test {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

QByteArray pngOf(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// A web site and a favicon service on 127.0.0.1: "/page" has a title, any "/s2/favicons"
// request gets a PNG.
void serveWebSite(QTcpSocket& socket, const QByteArray& head)
{
    if (LocalHttpServer::pathOf(head).startsWith("/s2/favicons"))
        LocalHttpServer::respond(socket, "200 OK", "image/png", pngOf(16, 16, Qt::blue));
    else
        LocalHttpServer::respond(
            socket, "200 OK", "text/html",
            "<html><head><TITLE>\n Caf\xC3\xA9 &amp; Bar </TITLE></head></html>");
}

std::optional<QImage> imageOf(const json& record)
{
    if (!record.contains("iconPNG"))
        return std::nullopt;
    const auto bytes = decodeBase64(record.at("iconPNG").get<std::string>());
    if (!bytes)
        return std::nullopt;
    QImage image;
    if (!image.loadFromData(bytes->data(), static_cast<int>(bytes->size()), "PNG"))
        return std::nullopt;
    return image;
}

// The catalogue a controller sees of a desktop the test writes: one installed application, which
// the user registered, and one favourite site on the local web site.
class ReceiverCatalogueTest : public testing::Test {
protected:
    // The web site's server needs the application object before the fixture is made.
    static void SetUpTestSuite() { ensureQtApplication(); }

    void SetUp() override { ASSERT_TRUE(receiver.ready()) << receiver.log(); }

    void prepare(const fs::path& home)
    {
        // The viewer's program leaves a mark beside itself each time it is started.
        launchMark = (home / "viewer.launched").string();
        const auto program = home / "viewer";
        writeProgram(program, "#!/bin/sh\necho started >> '" + launchMark + "'\n");
        const auto icon = home / "viewer.png";
        const QByteArray png = pngOf(16, 16, Qt::red);
        std::ofstream(icon, std::ios::binary).write(png.data(), png.size());
        writeDesktopEntry(home / ".local/share/applications/org.example.Viewer.desktop",
                          "Example Viewer", "Icon=" + icon.string() + "\n", program.string());

        FavoriteSite site;
        site.id = "site-1";
        site.url = website.origin() + "/page";
        site.name = "ignored until the user names it";
        const auto sites = encodeFavoriteSiteList({ site });
        const json settings = {
            { "kavora.migrated.v1", true },
            { "macRegisteredAppBundleIds", { "org.example.Viewer", "org.example.Uninstalled" } },
            { "macFavoriteSites",
              { { "$data", encodeBase64(Bytes(sites.begin(), sites.end())) } } },
            { "linuxFaviconServiceHost", website.origin() },
        };
        fs::create_directories(home / ".config/kavora");
        std::ofstream(home / ".config/kavora/settings.json") << settings.dump();
    }

    LocalHttpServer website { serveWebSite };
    std::string launchMark;
    ReceiverProcess receiver { [this](const fs::path& home) { prepare(home); } };
};

TEST_F(ReceiverCatalogueTest, RegisteredAppsAndFavouriteSitesComeFromTheDesktopAndTheWeb)
{
    RemoteController remote(receiver, "Test Pad");
    ASSERT_TRUE(remote.inSession()) << remote.errors() << receiver.log();
    // The lists pushed after joining; nothing has been fetched from the web site yet.
    json apps;
    json site;
    for (const auto& message : remote.messagesUntil("favoriteSites")) {
        if (caseOf(message) == "registeredAppList")
            apps = message.at("registeredAppList").at("apps");
        if (caseOf(message) == "favoriteSites")
            site = message.at("favoriteSites").at("sites").at(0);
    }
    ASSERT_EQ(apps.size(), 1U) << apps.dump() << " (the uninstalled id is left out)";
    EXPECT_EQ(apps[0].at("bundleId"), "org.example.Viewer");
    EXPECT_EQ(apps[0].at("name"), "Example Viewer");
    EXPECT_TRUE(imageOf(apps[0])) << "the entry's icon";
    ASSERT_FALSE(site.is_null()) << receiver.log();
    EXPECT_EQ(site.at("name"), "127.0.0.1");
    EXPECT_EQ(site.at("url"), website.origin() + "/page");

    // The title and the icon arrive from the web site and the favicon service and are pushed as
    // they come (how titles are read and icons asked for is FavoriteSitesTest's).
    const bool resolved = pollUntil(
        [&] {
            const auto message = remote.nextMessage(std::chrono::milliseconds(50));
            if (message && caseOf(*message) == "favoriteSites")
                site = message->at("favoriteSites").at("sites").at(0);
            return site.value("name", "") == "Café & Bar" && imageOf(site).has_value();
        },
        kReplyTimeout);
    ASSERT_TRUE(resolved) << site.dump() << "\n" << receiver.log();

    ASSERT_TRUE(remote.send({ { "launchApp", { { "bundleId", "org.example.Viewer" } } } }));
    EXPECT_TRUE(pollUntil([&] { return fs::exists(launchMark); }, kReplyTimeout)) << receiver.log();
}

} // namespace
} // namespace kavora::test
