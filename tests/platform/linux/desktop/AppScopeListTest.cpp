// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The application units of a fake control-group tree. What the workspace makes of the ids is
// LinuxWorkspaceTest's.

#include "platform/linux/desktop/AppScopeList.h"

#include "support/CapturingLog.h"
#include "support/VirtualScheduler.h"
#include "support/linux/FakeSessionTree.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>

namespace kavora::test {
namespace {

namespace fs = std::filesystem;

std::string joined(const std::vector<std::string>& ids)
{
    std::string text;
    for (const auto& id : ids)
        text += (text.empty() ? "" : "|") + id;
    return text;
}

// One line per unit: "<pid> <ids>".
std::vector<std::string> listed(const AppScopeList& list)
{
    std::vector<std::string> lines;
    for (const auto& application : list.applications())
        lines.push_back(std::to_string(application.pid) + " " + joined(application.ids));
    return lines;
}

TEST(AppScopeListTest, UnitNamesStandForDesktopIds)
{
    const std::pair<const char*, const char*> rows[] = {
        { "app-gnome-org.gnome.Nautilus-1234.scope",
          "org.gnome.Nautilus|gnome-org.gnome.Nautilus" },
        { "app-org.kde.dolphin@3f2a.service", "org.kde.dolphin" },
        { "app-flatpak-org.gimp.GIMP-5678.scope", "org.gimp.GIMP|flatpak-org.gimp.GIMP" },
        { "app-firefox-1234.scope", "firefox" },
        { "app-gnome-firefox\\x2desr-99.scope", "firefox-esr|gnome-firefox-esr" },
        { "app-firefox-esr-99.scope", "esr|firefox-esr" }, // an id whose '-' was not escaped
        { "dbus-:1.2-org.gnome.Nautilus@0.service", "org.gnome.Nautilus" },
        // no application units
        { "app-org.gnome.Terminal.slice", "" },
        { "gnome-terminal-server.service", "" },
        { "app-firefox.scope", "" }, // a scope without its random part
        { "app-1234.scope", "" },
        { "app-a\\x2fb@1.service", "" }, // an id that is a path
        { "dbus-:1.2-org.gnome.Nautilus.service", "" },
    };
    for (const auto& [unit, ids] : rows)
        EXPECT_EQ(joined(AppScopeList::applicationIds(unit)), ids) << unit;
}

TEST(AppScopeListTest, FindsTheAppSliceOfTheSessionThisProgramRunsIn)
{
    const std::pair<const char*, bool> rows[] = {
        { "0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-x-1.scope\n", true },
        { "0::/user.slice/user-1000.slice/session-2.scope\n", true },
        { "0::/user.slice/user-1001.slice/session-3.scope\n", false }, // no such manager here
        { "0::/system.slice/kavora.service\n", false },
        { "1:name=systemd:/user.slice/user-1000.slice/session-2.scope\n", false },
    };
    const FakeSessionTree tree;
    VirtualScheduler scheduler;
    CapturingLog log;
    for (const auto& [cgroup, available] : rows) {
        writeFile(tree.proc() / "self" / "cgroup", cgroup);
        EXPECT_EQ(AppScopeList(scheduler, log, tree.cgroup(), tree.proc()).available(), available)
            << cgroup;
    }
}

TEST(AppScopeListTest, ListsTheApplicationUnitsThatHaveProcesses)
{
    const FakeSessionTree tree;
    tree.unit("app-gnome-org.example.Notes-30.scope", "300\n301\n");
    tree.unit("app-org.gnome.Terminal.slice/app-org.example.Term@1.service", "200\n");
    tree.unit("app-dbus\\x2d:1.2\\x2dorg.example.Files.slice/dbus-:1.2-org.example.Files@0.service",
              "250\n");
    tree.unit("app-gnome-org.example.Gone-40.scope", ""); // its processes have ended
    tree.unit("gnome-terminal-server.service", "100\n"); // no application unit
    tree.unit(FakeSessionTree::ownUnit(), std::to_string(FakeSessionTree::kOwnPid));
    VirtualScheduler scheduler;
    CapturingLog log;
    EXPECT_THAT(listed(AppScopeList(scheduler, log, tree.cgroup(), tree.proc())),
                ::testing::ElementsAre("200 org.example.Term", "250 org.example.Files",
                                       "300 org.example.Notes|gnome-org.example.Notes"));
}

TEST(AppScopeListTest, TellsWhenUnitsComeGainOrLoseProcessesAndGo)
{
    PrivateSession::instance().application(); // the event loop
    const FakeSessionTree tree;
    VirtualScheduler scheduler;
    CapturingLog log;
    AppScopeList list(scheduler, log, tree.cgroup(), tree.proc());
    int changes = 0;
    list.onChange([&] { ++changes; });
    const auto afterChange = [&](const auto& change) {
        const int before = changes;
        change();
        EXPECT_TRUE(pollUntil([&] { return changes > before; }));
        return listed(list);
    };
    using ::testing::ElementsAre;
    EXPECT_THAT(
        afterChange([&] { tree.unit("app-x.slice/app-gnome-org.example.A-1.scope", "10\n"); }),
        ElementsAre("10 org.example.A|gnome-org.example.A"));
    EXPECT_THAT(afterChange([&] { tree.unit("app-x.slice/app-org.example.B@2.service", "20\n"); }),
                ElementsAre("10 org.example.A|gnome-org.example.A", "20 org.example.B"));
    EXPECT_THAT(afterChange([&] { tree.unit("app-x.slice/app-gnome-org.example.A-1.scope", ""); }),
                ElementsAre("20 org.example.B"));
    EXPECT_THAT(afterChange([&] { fs::remove_all(tree.slice() / "app-x.slice"); }), ElementsAre());
    EXPECT_TRUE(log.lines.empty());
}

// With every inotify watch of the user taken, the list is read on a timer instead, and changes
// are told as they are found.
TEST(AppScopeListTest, WithoutWatchesTheListIsReadAgainOnATimer)
{
    if (std::getenv("KAVORA_NO_WATCHES") == nullptr) {
        // Runs this test again in a user namespace of its own whose watch limit is zero.
        const std::string run = "KAVORA_NO_WATCHES=1 unshare -U -r sh -c 'echo 0 "
                                ">/proc/sys/user/max_inotify_watches && exec \"$0\" \"$1\"' ";
        if (std::system((run + "true x 2>/dev/null").c_str()) != 0)
            GTEST_SKIP() << "no user namespace with a watch limit of its own here";
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        const auto self = fs::read_symlink("/proc/self/exe").string();
        EXPECT_EQ(std::system((run + self + " --gtest_filter=*." + name).c_str()), 0);
        return;
    }
    const FakeSessionTree tree;
    VirtualScheduler scheduler;
    CapturingLog log;
    AppScopeList list(scheduler, log, tree.cgroup(), tree.proc());
    int changes = 0;
    list.onChange([&] { ++changes; });
    EXPECT_THAT(log.lines, ::testing::ElementsAre(::testing::HasSubstr("No space left on device")));
    const auto afterPolls = [&](double polls) {
        scheduler.advance(polls * AppScopeList::kPollInterval);
        return changes;
    };
    tree.unit("app-gnome-org.example.A-1.scope", "10\n");
    EXPECT_EQ(afterPolls(0.99), 0);
    EXPECT_EQ(afterPolls(0.01), 1);
    EXPECT_EQ(afterPolls(1), 1) << "nothing changed, nothing told";
    tree.unit("app-gnome-org.example.A-1.scope", "");
    EXPECT_EQ(afterPolls(1), 2);
    list.onChange({});
    EXPECT_EQ(scheduler.pendingCount(), 0U);
}

} // namespace
} // namespace kavora::test
