#include "platform/linux/x11/X11ClientList.h"

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

template <Managed managed> class ClientListSuite : public X11ServerSuite<managed> {
protected:
    void SetUp() override
    {
        X11ServerSuite<managed>::SetUp();
        list_ = std::make_unique<X11ClientList>(this->display());
    }

    std::unique_ptr<X11ClientList> list_;
};

using X11ClientListTest = ClientListSuite<Managed::ByOpenbox>;
// A display whose client list the cases write themselves, as a window manager would.
using X11ClientListUnmanagedTest = ClientListSuite<Managed::No>;

TEST_F(X11ClientListTest, ListsManagedWindowsInOrderWithWhatIdentifiesThem)
{
    const auto viewer = listedWindow({ .wmClass = "Viewer",
                                       .instance = "viewer",
                                       .title = "Über Viewer",
                                       .pid = 4242,
                                       .gtkApplicationId = "org.example.Viewer",
                                       .kdeDesktopFile = "org.example.Viewer.desktop" });
    const auto bare = listedWindow({ .instance = "bare" });

    const auto windows = list_->windows();
    ASSERT_EQ(windowIds(windows), (Windows { viewer, bare }));
    EXPECT_EQ(windows[0].wmInstance, "viewer");
    EXPECT_EQ(windows[0].wmClass, "Viewer");
    EXPECT_EQ(windows[0].title, "Über Viewer");
    EXPECT_EQ(windows[0].pid, 4242u);
    EXPECT_EQ(windows[0].gtkApplicationId, "org.example.Viewer");
    EXPECT_EQ(windows[0].kdeDesktopFile, "org.example.Viewer.desktop");
    EXPECT_EQ(windows[1].wmInstance, "bare");
    EXPECT_EQ(windows[1].wmClass, "");
    EXPECT_EQ(windows[1].title, "");
    EXPECT_EQ(windows[1].pid, std::nullopt);
    EXPECT_EQ(windows[1].gtkApplicationId, std::nullopt);
    EXPECT_EQ(windows[1].kdeDesktopFile, std::nullopt);
}

TEST_F(X11ClientListTest, KeepsOnlyNormalApplicationWindows)
{
    const auto main = listedWindow({ .wmClass = "Main" });
    struct Row {
        const char* shows;
        Traits traits;
        bool kept;
    };
    const Row rows[] = {
        { "a declared normal type is kept", { .wmClass = "Normal", .type = "NORMAL" }, true },
        { "a dialog is left out", { .wmClass = "Dialog", .type = "DIALOG" }, false },
        { "a utility window is left out", { .wmClass = "Utility", .type = "UTILITY" }, false },
        { "a window kept off the task bar is left out",
          { .wmClass = "Hidden", .skipTaskbar = true },
          false },
        { "a window transient for another is left out",
          { .wmClass = "Transient", .transientFor = main },
          false },
    };
    Windows expected { main };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        // Listed by the window manager: leaving it out is the client list's doing.
        const auto window = listedWindow(row.traits);
        if (row.kept)
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
    constexpr unsigned long kRed = 0xFFFF0000;
    constexpr unsigned long kGreen = 0xFF00FF00;
    constexpr unsigned long kBlue = 0xFF0000FF;
    struct Row {
        const char* shows;
        std::vector<unsigned long> icon;
        QSize size; // 0 x 0: no picture
        std::vector<unsigned long> pixels; // the first row's
    };
    const Row rows[] = {
        { "small pictures only: the largest",
          squares({ { 16, kRed }, { 32, kBlue } }),
          { 32, 32 },
          { kBlue } },
        { "the smallest of at least 64",
          squares({ { 128, kRed }, { 64, kGreen }, { 32, kBlue } }),
          { 64, 64 },
          { kGreen } },
        { "pixels as they are, alpha included",
          { 2, 1, 0x80000000, kRed, 1, 1, 0 },
          { 2, 1 },
          { 0x80000000, kRed } },
        { "claims more pixels than follow", { 2, 2, 0, 0 }, { 0, 0 }, {} },
        { "a picture of no size ends the list", { 0, 0, 1, 1, kRed }, { 0, 0 }, {} },
        { "no picture", {}, { 0, 0 }, {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        const QImage picture = list_->icon(client_->createWindow({ .icon = row.icon }));
        ASSERT_EQ(picture.size(), row.size);
        for (std::size_t x = 0; x < row.pixels.size(); ++x)
            EXPECT_EQ(picture.pixel(int(x), 0), row.pixels[x]) << x;
    }
}

TEST(X11ClientListWithoutDisplayTest, ListsNothingAndActivatesNothing)
{
    X11ClientList list(":65000");
    EXPECT_TRUE(list.windows().empty());
    EXPECT_FALSE(list.activate(1));
}

} // namespace
} // namespace kavora::test
