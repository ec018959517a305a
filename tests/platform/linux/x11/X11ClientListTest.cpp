#include "platform/linux/x11/X11ClientList.h"

#include "support/linux/Polling.h"
#include "support/linux/X11ManagedDisplay.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kavora {
namespace {

using test::X11ManagedDisplay;
using WindowTraits = X11ManagedDisplay::WindowTraits;

std::vector<unsigned long> windowIds(const std::vector<X11ClientWindow>& windows)
{
    std::vector<unsigned long> ids;
    ids.reserve(windows.size());
    for (const auto& window : windows)
        ids.push_back(window.window);
    return ids;
}

class X11ClientListTest : public ::testing::Test {
protected:
    explicit X11ClientListTest(X11ManagedDisplay::WindowManager windowManager
                               = X11ManagedDisplay::WindowManager::Openbox)
        : display_(windowManager)
    {
    }

    void SetUp() override
    {
        ASSERT_TRUE(display_.ready()) << "Xvfb or openbox did not start";
        list_ = std::make_unique<X11ClientList>(display_.displayName());
    }

    // Maps a window and waits until the window manager lists it.
    unsigned long listedWindow(const WindowTraits& traits)
    {
        const auto window = display_.createWindow(traits);
        EXPECT_TRUE(display_.awaitListed(window)) << traits.wmClass << " was never managed";
        return window;
    }

    X11ManagedDisplay display_;
    std::unique_ptr<X11ClientList> list_;
};

// A display whose client list the test writes itself, as a window manager would.
class X11ClientListWithoutWindowManagerTest : public X11ClientListTest {
protected:
    X11ClientListWithoutWindowManagerTest()
        : X11ClientListTest(X11ManagedDisplay::WindowManager::Unmanaged)
    {
    }
};

TEST_F(X11ClientListTest, ListsManagedWindowsInOrderWithWhatIdentifiesThem)
{
    const auto viewer = listedWindow(WindowTraits::ofClass("Viewer", "viewer")
                                         .titled("Über Viewer")
                                         .ofProcess(4242)
                                         .gtkId("org.example.Viewer")
                                         .kdeFile("org.example.Viewer.desktop"));
    const auto bare = listedWindow(WindowTraits::ofClass("", "bare"));

    const auto windows = list_->windows();
    ASSERT_EQ(windowIds(windows), (std::vector<unsigned long> { viewer, bare }));
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
    const auto main = listedWindow(WindowTraits::ofClass("Main", "main"));
    struct Row {
        const char* shows;
        WindowTraits traits;
        bool kept;
    };
    const Row rows[] = {
        { "a declared normal type is kept", WindowTraits::ofClass("Normal").ofType("NORMAL"),
          true },
        { "a dialog is left out", WindowTraits::ofClass("Dialog").ofType("DIALOG"), false },
        { "a utility window is left out", WindowTraits::ofClass("Utility").ofType("UTILITY"),
          false },
        { "a window kept off the task bar is left out",
          WindowTraits::ofClass("Hidden").offTaskbar(), false },
        { "a window transient for another is left out",
          WindowTraits::ofClass("Transient").transientTo(main), false },
    };
    std::vector<unsigned long> expected { main };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        // Listed by the window manager: leaving it out is the client list's doing.
        const auto window = listedWindow(row.traits);
        if (row.kept)
            expected.push_back(window);
    }
    EXPECT_EQ(windowIds(list_->windows()), expected);
}

TEST_F(X11ClientListWithoutWindowManagerTest, WithoutAWindowManagerNothingIsListed)
{
    display_.createWindow(WindowTraits::ofClass("Unmanaged"));
    EXPECT_TRUE(list_->windows().empty());
}

TEST_F(X11ClientListWithoutWindowManagerTest, WindowsThatVanishedAreLeftOut)
{
    const auto gone = display_.createWindow(WindowTraits::ofClass("Gone"));
    const auto kept = display_.createWindow(WindowTraits::ofClass("Kept"));
    display_.destroyWindow(gone);
    // Listed but gone: every read of them fails with BadWindow, which must not end the process.
    constexpr unsigned long kNeverCreated = 0x3ffff01;
    display_.writeRootWindows("_NET_CLIENT_LIST", { gone, kept, kNeverCreated });
    EXPECT_EQ(windowIds(list_->windows()), std::vector<unsigned long> { kept });
    // The connection survives the errors.
    EXPECT_EQ(windowIds(list_->windows()), std::vector<unsigned long> { kept });
}

TEST_F(X11ClientListWithoutWindowManagerTest, ReadsOnlyWholePictures)
{
    constexpr unsigned long kOpaqueRed = 0xFFFF0000;
    const auto whole = display_.createWindow(
        WindowTraits::ofClass("Whole").withIcon({ 2, 1, 0x80000000, kOpaqueRed, 1, 1, 0 }));
    // A picture that claims more pixels than follow it.
    const auto cut = display_.createWindow(WindowTraits::ofClass("Cut").withIcon({ 2, 2, 0, 0 }));
    const auto none = display_.createWindow(WindowTraits::ofClass("None"));
    const auto zero
        = display_.createWindow(WindowTraits::ofClass("Zero").withIcon({ 0, 0, 1, 1, kOpaqueRed }));

    const QImage picture = list_->icon(whole);
    ASSERT_EQ(picture.size(), QSize(2, 1)) << "the larger of the two";
    EXPECT_EQ(picture.pixel(0, 0), 0x80000000u);
    EXPECT_EQ(picture.pixel(1, 0), kOpaqueRed);
    EXPECT_TRUE(list_->icon(cut).isNull());
    EXPECT_TRUE(list_->icon(none).isNull());
    EXPECT_TRUE(list_->icon(zero).isNull()) << "a picture of no size ends the list";
}

TEST_F(X11ClientListWithoutWindowManagerTest, OnlyClientListChangesAreReported)
{
    int changes = 0;
    list_->onChange([&] { ++changes; });
    const auto window = display_.createWindow(WindowTraits::ofClass("Written"));
    display_.writeRootWindows("_NET_ACTIVE_WINDOW", { window });
    // Events arrive in order: once the list's change is reported, the other one was handled.
    display_.writeRootWindows("_NET_CLIENT_LIST", { window });
    EXPECT_TRUE(test::pollUntil([&] { return changes >= 1; }));
    EXPECT_EQ(changes, 1);
}

TEST(X11ClientListWithoutDisplayTest, ListsNothingAndActivatesNothing)
{
    X11ClientList list(":65000");
    EXPECT_TRUE(list.windows().empty());
    EXPECT_FALSE(list.activate(1));
}

} // namespace
} // namespace kavora
