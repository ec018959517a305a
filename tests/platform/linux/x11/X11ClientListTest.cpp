// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/x11/X11ClientList.h"

#include "support/linux/PrivateSession.h"
#include "support/linux/X11ServerSuite.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kavora::test {
namespace {

using Traits = X11TestClient::WindowTraits;
using Windows = std::vector<unsigned long>;

Windows windowIds(const std::vector<X11ClientWindow>& windows)
{
    Windows ids;
    for (const auto& window : windows)
        ids.push_back(window.window);
    return ids;
}

// "instance/class 'title' pid gtk-id kde-file", "-" for what is not there.
std::string describe(const X11ClientWindow& window)
{
    return window.wmInstance + "/" + window.wmClass + " '" + window.title + "' "
        + (window.pid ? std::to_string(*window.pid) : "-") + " "
        + window.gtkApplicationId.value_or("-") + " " + window.kdeDesktopFile.value_or("-");
}

template <Managed managed> class ClientListSuite : public X11ServerSuite<managed> {
protected:
    void SetUp() override
    {
        X11ServerSuite<managed>::SetUp();
        if (this->IsSkipped() || this->HasFatalFailure())
            return;
        PrivateSession::instance().application(); // the event loop the list listens on
        list_ = std::make_unique<X11ClientList>(this->display());
    }

    std::unique_ptr<X11ClientList> list_;
};

using X11ClientListTest = ClientListSuite<Managed::ByOpenbox>;
// A display whose client list the cases write themselves, as a window manager would.
using X11ClientListUnmanagedTest = ClientListSuite<Managed::No>;

TEST_F(X11ClientListTest, ListsManagedWindowsInOrderWithWhatIdentifiesThem)
{
    // clang-format off
    const auto viewer = listedWindow({ .wmClass = "Viewer", .instance = "viewer", .title = "Über Viewer", .pid = 4242,
                                       .gtkApplicationId = "org.example.Viewer", .kdeDesktopFile = "org.example.Viewer.desktop" });
    // clang-format on
    const auto bare = listedWindow({ .instance = "bare" });

    const auto windows = list_->windows();
    ASSERT_EQ(windowIds(windows), (Windows { viewer, bare }));
    EXPECT_EQ(describe(windows[0]),
              "viewer/Viewer 'Über Viewer' 4242 org.example.Viewer org.example.Viewer.desktop");
    EXPECT_EQ(describe(windows[1]), "bare/ '' - - -");
}

TEST_F(X11ClientListTest, KeepsOnlyNormalApplicationWindows)
{
    const auto main = listedWindow({ .wmClass = "Main" });
    // clang-format off
    const std::tuple<const char*, Traits, bool> rows[] = {
        { "a declared normal type is kept", { .wmClass = "Normal", .type = "NORMAL" }, true },
        { "a dialog is left out", { .wmClass = "Dialog", .type = "DIALOG" }, false },
        { "a utility window is left out", { .wmClass = "Utility", .type = "UTILITY" }, false },
        { "a window kept off the task bar is left out", { .wmClass = "Hidden", .skipTaskbar = true }, false },
        { "a window transient for another is left out", { .wmClass = "Transient", .transientFor = main }, false },
    };
    // clang-format on
    Windows expected { main };
    for (const auto& [shows, traits, kept] : rows) {
        SCOPED_TRACE(shows);
        // Listed by the window manager: leaving it out is the client list's doing.
        const auto window = listedWindow(traits);
        if (kept)
            expected.push_back(window);
    }
    EXPECT_EQ(windowIds(list_->windows()), expected);
}

TEST_F(X11ClientListUnmanagedTest, ListsOnlyWindowsAWindowManagerListsThatStillExist)
{
    const auto gone = client_->createWindow({ .wmClass = "Gone" });
    const auto kept = client_->createWindow({ .wmClass = "Kept" });
    EXPECT_TRUE(list_->windows().empty()) << "without a window manager";
    client_->destroyWindow(gone);
    // Listed but gone: every read of them fails with BadWindow, which must not end the process.
    constexpr unsigned long kNeverCreated = 0x3ffff01;
    client_->writeRootWindows("_NET_CLIENT_LIST", { gone, kept, kNeverCreated });
    EXPECT_EQ(windowIds(list_->windows()), Windows { kept });
    EXPECT_EQ(windowIds(list_->windows()), Windows { kept }) << "the connection survives";
}

TEST_F(X11ClientListUnmanagedTest, OnlyClientListChangesAreReported)
{
    int changes = 0;
    list_->onChange([&] { ++changes; });
    const auto window = client_->createWindow({ .wmClass = "Written" });
    client_->writeRootWindows("_NET_ACTIVE_WINDOW", { window });
    // Events arrive in order: once the list's change is reported, the other one was handled.
    client_->writeRootWindows("_NET_CLIENT_LIST", { window });
    EXPECT_TRUE(pollUntil([&] { return changes >= 1; }));
    EXPECT_EQ(changes, 1);
}

// _NET_WM_ICON data: {side, colour} squares one after the other.
std::vector<unsigned long>
squares(std::initializer_list<std::pair<unsigned long, unsigned long>> list)
{
    std::vector<unsigned long> data;
    for (const auto& [side, argb] : list) {
        data.insert(data.end(), { side, side });
        data.insert(data.end(), side * side, argb);
    }
    return data;
}

TEST_F(X11ClientListUnmanagedTest, PicksTheSmallestPictureOfAtLeast64PixelsElseTheLargest)
{
    // "WxH" and the first row's pixels, at most two, as AARRGGBB; empty for no picture.
    const auto picture = [this](const std::vector<unsigned long>& icon) {
        const QImage image = list_->icon(client_->createWindow({ .icon = icon }));
        std::string text = image.isNull()
            ? ""
            : QStringLiteral("%1x%2").arg(image.width()).arg(image.height()).toStdString();
        for (int x = 0; x < std::min(image.width(), 2); ++x)
            text += " " + QString::number(image.pixel(x, 0), 16).toStdString();
        return text;
    };
    // clang-format off
    const std::pair<std::vector<unsigned long>, const char*> rows[] = {
        { squares({ { 16, 0xFFFF0000 }, { 32, 0xFF0000FF } }), "32x32 ff0000ff ff0000ff" },
        { squares({ { 128, 0xFFFF0000 }, { 64, 0xFF00FF00 }, { 32, 0xFF0000FF } }), "64x64 ff00ff00 ff00ff00" },
        { { 2, 1, 0x80000000, 0xFFFF0000, 1, 1, 0 }, "2x1 80000000 ffff0000" }, // alpha kept
        { { 2, 2, 0, 0 }, "" }, // claims more pixels than follow
        { { 0, 0, 1, 1, 0xFFFF0000 }, "" }, // a picture of no size ends the list
        { {}, "" },
    };
    // clang-format on
    for (const auto& [icon, expected] : rows)
        EXPECT_EQ(picture(icon), expected);
}

TEST(X11ClientListWithoutDisplayTest, ListsNothingAndActivatesNothing)
{
    X11ClientList list(":65000");
    EXPECT_TRUE(list.windows().empty());
    EXPECT_FALSE(list.activate(1));
}

} // namespace
} // namespace kavora::test
