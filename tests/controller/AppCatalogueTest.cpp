// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "controller/AppCatalogue.h"

#include "support/FakeWorkspace.h"
#include "support/RecordingLaunchServices.h"
#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kavora::test {
namespace {

using Ids = std::vector<std::string>;
using Lines = std::vector<std::string>;

// "id name [icon N] [running]" per application: the icon by its first byte, so that a wrong icon
// shows.
Lines describe(const std::vector<AppInfo>& apps)
{
    Lines lines;
    for (const auto& app : apps) {
        lines.push_back(app.bundleId + " " + app.name);
        if (app.iconPNG)
            lines.back() += " icon" + std::to_string(app.iconPNG->at(0));
        if (app.isRunning)
            lines.back() += " running";
    }
    return lines;
}

Lines describe(const std::vector<InstalledApp>& apps)
{
    Lines lines;
    for (const auto& app : apps)
        lines.push_back(app.bundleId + " " + app.name);
    return lines;
}

RunningApplication running(std::uint64_t handle, std::optional<std::string> id,
                           std::optional<std::string> name,
                           ActivationPolicy policy = ActivationPolicy::Regular)
{
    return RunningApplication { handle, policy, std::move(id), std::move(name) };
}

// A catalogue whose pushes are recorded in `pushes` (while `connected`) and whose list
// assignments in `stored`.
class AppCatalogueTest : public ::testing::Test {
protected:
    std::shared_ptr<AppCatalogue> makeCatalogue(std::optional<InstalledApp> pinned)
    {
        return AppCatalogue::create(
            { scheduler, workspace, launcher },
            { [this] { return connected; },
              [this](std::vector<AppInfo> apps) { pushes.push_back(describe(apps)); } },
            std::move(pinned));
    }
    // Registers without an edit, as loading the settings does.
    void registerIds(Ids ids)
    {
        catalogue->restoreRegisteredBundleIds(std::move(ids));
        stored.clear();
    }

    VirtualScheduler scheduler;
    FakeWorkspace workspace;
    RecordingLaunchServices launcher;
    bool connected = true;
    std::vector<Lines> pushes;
    std::vector<Ids> stored;
    std::shared_ptr<AppCatalogue> catalogue = makeCatalogue(AppCatalogue::defaultPinnedApp());
    Subscription storing = catalogue->registeredBundleIds().subscribe(
        [this](const Ids& ids) { stored.push_back(ids); });
};

TEST_F(AppCatalogueTest, RunningListKeepsRegularApplicationsWithIdAndNameInDesktopOrder)
{
    workspace.running = {
        running(1, "org.mozilla.firefox", "Firefox"),
        running(2, "org.kde.kded", "Daemon", ActivationPolicy::Background),
        running(3, "org.gnome.Calculator", "Calculator"),
        running(4, "org.freedesktop.Tray", "Tray", ActivationPolicy::Accessory),
        running(5, std::nullopt, "Nameless id"),
        running(6, "org.example.NoName", std::nullopt),
        running(7, "org.gnome.Terminal", "Terminal"),
    };
    workspace.runningIcons = { { 1, { 11 } }, { 7, { 77 } } };
    // isRunning stays false throughout this list.
    EXPECT_EQ(describe(catalogue->runningAppList()),
              (Lines { "org.mozilla.firefox Firefox icon11", "org.gnome.Calculator Calculator",
                       "org.gnome.Terminal Terminal icon77" }));
    // Only the listed applications' icons are rendered, anew for every request.
    catalogue->runningAppList();
    EXPECT_EQ(
        workspace.iconRequests,
        (Lines { "running 1", "running 3", "running 7", "running 1", "running 3", "running 7" }));
}

TEST_F(AppCatalogueTest, RegisteredListResolvesNamesAndSkipsWhatCannotBeLocated)
{
    workspace.install("org.mozilla.firefox", "Firefox", { 1 });
    workspace.installed["org.gnome.Nautilus"]
        = { "org.gnome.Nautilus", std::nullopt,
            "/usr/share/applications/org.gnome.Nautilus.desktop" };
    workspace.installed["org.example.Tool"]
        = { "org.example.Tool", std::nullopt, "/opt/Tool.app/" };
    workspace.install("org.gnome.Calculator", "Calculator", { 3 });
    workspace.running
        = { running(1, "org.gnome.Calculator", "Calculator", ActivationPolicy::Accessory),
            running(2, "org.mozilla.firefoxx", "Not Firefox") };
    const Ids registered { "org.gnome.Calculator", "com.example.Deleted", "org.mozilla.firefox",
                           "org.gnome.Nautilus", "org.example.Tool" };
    registerIds(registered);

    EXPECT_EQ(describe(catalogue->registeredAppInfos()),
              (Lines { "org.gnome.Calculator Calculator icon3 running",
                       "org.mozilla.firefox Firefox icon1", "org.gnome.Nautilus org.gnome.Nautilus",
                       "org.example.Tool Tool" }));
    EXPECT_EQ(catalogue->registeredBundleIds().get(), registered); // the deleted one stays
    EXPECT_TRUE(stored.empty());
}

TEST_F(AppCatalogueTest, RegisteredIconsAreRenderedOncePerIdAndFailuresAreRetried)
{
    workspace.install("org.mozilla.firefox", "Firefox", { 1 });
    workspace.installed["org.example.Broken"] = { "org.example.Broken", "Broken", "/b" };
    registerIds({ "org.mozilla.firefox", "org.example.Broken" });
    catalogue->registeredAppInfos();
    // A changed icon on disk is not seen again while the process runs.
    workspace.fileIcons["/apps/org.mozilla.firefox.desktop"] = { 2 };
    EXPECT_EQ(describe(catalogue->registeredAppInfos()),
              (Lines { "org.mozilla.firefox Firefox icon1", "org.example.Broken Broken" }));
    EXPECT_EQ(workspace.iconRequests,
              (Lines { "file /apps/org.mozilla.firefox.desktop", "file /b", "file /b" }));
}

Ids numbered(int count, const std::string& extra = "")
{
    Ids ids;
    for (int i = 1; i <= count; ++i)
        ids.push_back("app" + std::to_string(i));
    if (!extra.empty())
        ids.push_back(extra);
    return ids;
}

// One row per edit ("add X", "remove X", "move X Y"): the list before and after, and whether the
// list was assigned (stored) and a push scheduled.
TEST_F(AppCatalogueTest, EditsOfTheRegisteredList)
{
    const Ids abcd { "A", "B", "C", "D" };
    // clang-format off
    const std::tuple<const char*, Ids, std::string, Ids, bool> rows[] = {
        { "add appends", { "A" }, "add B", { "A", "B" }, true },
        { "add of a duplicate is ignored", abcd, "add C", abcd, false },
        { "add of the tenth is taken", numbered(9), "add X", numbered(9, "X"), true },
        { "add of an eleventh is ignored", numbered(10), "add X", numbered(10), false },
        { "remove keeps the others' order", abcd, "remove B", { "A", "C", "D" }, true },
        { "remove drops every copy", { "A", "B", "A" }, "remove A", { "B" }, true },
        { "remove of an unknown id still stores", abcd, "remove X", abcd, true },
        { "move forward", abcd, "move A C", { "B", "C", "A", "D" }, true },
        { "move backward", abcd, "move D B", { "A", "D", "B", "C" }, true },
        { "move to the end", abcd, "move B D", { "A", "C", "D", "B" }, true },
        { "move to the front", abcd, "move C A", { "C", "A", "B", "D" }, true },
        { "move onto a neighbour", abcd, "move B C", { "A", "C", "B", "D" }, true },
        { "move onto itself", abcd, "move B B", abcd, false },
        { "move of an unknown id", abcd, "move X B", abcd, false },
        { "move onto an unknown id", abcd, "move B X", abcd, false },
    };
    // clang-format on
    for (const auto& [shows, before, edit, after, changes] : rows) {
        SCOPED_TRACE(shows);
        registerIds(before);
        pushes.clear();
        std::istringstream words(edit);
        std::string verb, id, to;
        words >> verb >> id >> to;
        if (verb == "add")
            catalogue->addRegisteredApp(id);
        else if (verb == "remove")
            catalogue->removeRegisteredApp(id);
        else
            catalogue->moveRegisteredApp(id, to);
        EXPECT_EQ(catalogue->registeredBundleIds().get(), after);
        EXPECT_EQ(stored, changes ? std::vector<Ids> { after } : std::vector<Ids> {});
        scheduler.advance(kRegisteredAppsPushDelay);
        EXPECT_EQ(pushes.size(), changes ? 1U : 0U);
    }
}

TEST_F(AppCatalogueTest, BurstOfLaunchesPushesOnceAfterTheLastAndOnlyWhenConnected)
{
    workspace.install("a", "Alpha", { 1 });
    workspace.install("b", "Beta", { 2 });
    workspace.install("c", "Gamma", { 3 });
    registerIds({ "a", "b", "c" });
    catalogue->observeWorkspace();
    for (const bool connectedWhenDue : { false, true }) {
        SCOPED_TRACE(connectedWhenDue ? "connected" : "disconnected before due");
        pushes.clear();
        connected = true;
        workspace.launch("a");
        scheduler.advance(Seconds(0.1));
        workspace.launch("b");
        scheduler.advance(Seconds(0.2));
        workspace.terminate("c"); // at 0.3 s; due at 0.7 s, checked 1 ms either side
        connected = connectedWhenDue;
        scheduler.advance(Seconds(0.399));
        EXPECT_TRUE(pushes.empty());
        scheduler.advance(Seconds(0.002));
        EXPECT_EQ(pushes.size(), connectedWhenDue ? 1U : 0U);
        // Not even built while disconnected: no icon was rendered.
        EXPECT_EQ(workspace.iconRequests.empty(), !connectedWhenDue);
        scheduler.advance(Seconds(2));
        EXPECT_EQ(pushes.size(), connectedWhenDue ? 1U : 0U);
    }
    EXPECT_EQ(pushes,
              (std::vector<Lines> { { "a Alpha icon1", "b Beta icon2", "c Gamma icon3" } }));
}

TEST_F(AppCatalogueTest, LaunchesOfOtherApplicationsAreIgnored)
{
    registerIds({ "a" });
    workspace.launch("a"); // not observing yet
    EXPECT_EQ(scheduler.pendingCount(), 0U);
    catalogue->observeWorkspace();
    catalogue->observeWorkspace();
    EXPECT_EQ(workspace.observerCount(), 2U);
    workspace.launch("other");
    workspace.terminate("A");
    EXPECT_EQ(scheduler.pendingCount(), 0U);
    workspace.terminate("a");
    EXPECT_EQ(scheduler.pendingCount(), 1U);
}

TEST_F(AppCatalogueTest, EditsAndLaunchesShareOneDebounce)
{
    registerIds({ "a" });
    catalogue->observeWorkspace();
    catalogue->addRegisteredApp("b");
    scheduler.advance(Seconds(0.3));
    workspace.launch("a");
    scheduler.advance(Seconds(0.3));
    catalogue->moveRegisteredApp("b", "a");
    scheduler.advance(Seconds(0.399));
    EXPECT_TRUE(pushes.empty());
    scheduler.advance(Seconds(0.002));
    EXPECT_EQ(pushes.size(), 1U);
}

TEST_F(AppCatalogueTest, NothingHappensOnceTheCatalogueIsGone)
{
    registerIds({ "a" });
    catalogue->observeWorkspace();
    catalogue->addRegisteredApp("b");
    catalogue.reset();
    EXPECT_EQ(workspace.observerCount(), 0U);
    EXPECT_EQ(scheduler.pendingCount(), 0U); // the pending push went with it
}

TEST_F(AppCatalogueTest, InstalledApplications)
{
    const auto finder = AppCatalogue::defaultPinnedApp();
    const InstalledApp files { "org.gnome.Nautilus", "Files" };
    struct Row {
        const char* shows;
        std::optional<InstalledApp> pinned;
        bool pinnedLocatable;
        std::vector<ApplicationBundle> scanned;
        Lines expected;
    };
    // clang-format off
    const Row rows[] = {
        { "sorted by name ignoring case, the pinned one among them", finder, true,
          { { "org.gnome.Terminal", "Terminal", "/t" }, { "org.mozilla.firefox", "firefox", "/f" }, { "org.gnome.Calculator", "Calculator", "/c" } },
          { "org.gnome.Calculator Calculator", "com.apple.finder Finder", "org.mozilla.firefox firefox", "org.gnome.Terminal Terminal" } },
        { "the pinned one only when it can be located", finder, false,
          { { "org.gnome.Terminal", "Terminal", "/t" } }, { "org.gnome.Terminal Terminal" } },
        { "no pinned one", std::nullopt, true, { { "b", "B", "/b" }, { "a", "A", "/a" } }, { "a A", "b B" } },
        { "the first folder wins", finder, false,
          { { "org.mozilla.firefox", "Firefox (mine)", "/home/f" }, { "org.gnome.Terminal", "Terminal", "/t" }, { "org.mozilla.firefox", "Firefox", "/usr/f" } },
          { "org.mozilla.firefox Firefox (mine)", "org.gnome.Terminal Terminal" } },
        { "the pinned one is not listed twice", files, true, { { "org.gnome.Nautilus", "Nautilus", "/n" } }, { "org.gnome.Nautilus Files" } },
        { "names differing in case stay next to each other in scan order", std::nullopt, false,
          { { "x1", "safari", "/1" }, { "y", "Sage", "/2" }, { "x2", "Safari", "/3" }, { "z", "SAFARI", "/4" }, { "w", "Saf", "/5" } },
          { "w Saf", "x1 safari", "x2 Safari", "z SAFARI", "y Sage" } },
        { "accents sort with their letter", std::nullopt, false,
          { { "f", "Fichiers", "/f" }, { "e2", "Éditeur", "/e2" }, { "d", "Dessin", "/d" }, { "e1", "editeur", "/e1" }, { "e3", "Ecole", "/e3" }, { "e4", "Éclair", "/e4" } },
          { "d Dessin", "e4 Éclair", "e3 Ecole", "e1 editeur", "e2 Éditeur", "f Fichiers" } },
        { "names that are not UTF-8 fold ASCII letters only, among the others", std::nullopt, false,
          { { "u2", "A\xff" "2", "/u2" }, { "z", "Z\xff", "/z" }, { "u1", "a\xff" "1", "/u1" }, { "y", "y\xff", "/y" }, { "b", "b\xff", "/b" }, { "c", "c", "/c" } },
          { "u1 a\xff" "1", "u2 A\xff" "2", "b b\xff", "c c", "y y\xff", "z Z\xff" } },
        { "no declared name: the file name without extension", std::nullopt, false,
          { { "org.example.Zed", std::nullopt, "/apps/Zed Editor.desktop" }, { "org.example.Abc", std::nullopt, "/apps/Abc.app/" }, { "B", std::nullopt, "B/" } },
          { "org.example.Abc Abc", "B B", "org.example.Zed Zed Editor" } },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        workspace.installed.clear();
        if (row.pinned && row.pinnedLocatable)
            workspace.install(row.pinned->bundleId, "Declared", {});
        workspace.scanned = row.scanned;
        EXPECT_EQ(describe(makeCatalogue(row.pinned)->installedApps()), row.expected);
    }
}

TEST_F(AppCatalogueTest, InstalledApplicationsWithEqualNamesKeepTheirScanOrderInALongList)
{
    // Long enough for an unstable sort to reorder equal names.
    const Ids spellings { "Mail", "mail", "MAIL", "Notes", "notes" };
    Lines mail;
    Lines notes;
    for (std::size_t i = 0; i < 40; ++i) {
        const auto id = "id" + std::to_string(100 + (i * 7) % 40);
        const auto& name = spellings[i % spellings.size()];
        workspace.scanned.push_back({ id, name, "/" + id });
        (name[0] == 'M' || name[0] == 'm' ? mail : notes).push_back(id + " " + name);
    }
    mail.insert(mail.end(), notes.begin(), notes.end());
    EXPECT_EQ(describe(makeCatalogue(std::nullopt)->installedApps()), mail);
}

} // namespace
} // namespace kavora::test
