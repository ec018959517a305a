// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The workspace over real desktop entries and a real window manager, or a fake session's units
// and processes. Which windows count and which picture a window offers are X11ClientListTest's;
// which units count is AppScopeListTest's; which entries are installed is
// DesktopApplicationsTest's; these cases show what the workspace makes of them.

#include "platform/linux/desktop/LinuxWorkspace.h"

#include "platform/linux/desktop/AppScopeList.h"
#include "platform/linux/desktop/DesktopApplications.h"
#include "platform/linux/x11/X11ClientList.h"
#include "support/CapturingLog.h"
#include "support/DesktopEntry.h"
#include "support/TemporaryFolder.h"
#include "support/VirtualScheduler.h"
#include "support/linux/FakeSessionTree.h"
#include "support/linux/PrivateSession.h"
#include "support/linux/X11ServerSuite.h"

#include <QImage>

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace kavora::test {
namespace {

using ::testing::ElementsAre;
using Traits = X11TestClient::WindowTraits;

namespace fs = std::filesystem;

std::string line(std::uint64_t handle, const std::string& id, const std::string& name)
{
    return std::to_string(handle) + " " + id + " " + name;
}

std::uint64_t windowHandle(unsigned long window)
{
    return LinuxWorkspace::kWindowHandleBase + window;
}

// A folder of desktop entries of the test's own, the suite's managed display, and the workspace
// over both, whose clock the test sets.
class LinuxWorkspaceTest : public X11ServerSuite<Managed::ByOpenbox> {
protected:
    void SetUp() override
    {
        X11ServerSuite::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        PrivateSession::instance().application(); // the event loop and the icons' painting
        install("org.example.Calculator", "Calculator");
        install("org.example.Notes", "Notes");
        install("org.example.Gtk", "Gtk Thing");
        install("org.example.Kde", "Kde Thing");
        install("org.example.Started", "Started", "StartupWMClass=Startup-Class\n");
        install("org.example.Whole", "Whole");
        // Matched by the program of the window's process: this test program.
        install("org.example.Tests", "Tests", "",
                fs::read_symlink("/proc/self/exe").string() + " --run");
        RunningSources sources;
        sources.clients = std::make_unique<X11ClientList>(display());
        workspace_ = std::make_unique<LinuxWorkspace>(
            std::make_unique<DesktopApplications>(std::vector<fs::path> { applications() }),
            std::move(sources), [this] { return now_; });
    }

    fs::path applications() const { return folder_.path() / "applications"; }

    void install(const std::string& id, const std::string& name, const std::string& extra = "",
                 const std::string& exec = "/bin/true")
    {
        writeDesktopEntry(applications() / (id + ".desktop"), name, extra, exec);
    }

    // One line per running application: "<handle> <id or -> <name or ->".
    std::vector<std::string> running()
    {
        std::vector<std::string> lines;
        for (const auto& application : workspace_->runningApplications())
            lines.push_back(line(application.handle, application.bundleIdentifier.value_or("-"),
                                 application.localizedName.value_or("-")));
        return lines;
    }

    // Observes launches and terminations as lines "launch <id>" and "quit <id>".
    void observe()
    {
        launches_ = workspace_->observeLaunches(
            [this](const std::string& id) { observed_.push_back("launch " + id); });
        terminations_ = workspace_->observeTerminations(
            [this](const std::string& id) { observed_.push_back("quit " + id); });
    }
    bool awaitObserved(std::size_t count)
    {
        return pollUntil([&] { return observed_.size() >= count; });
    }

    TemporaryFolder folder_;
    double now_ = 0;
    std::unique_ptr<LinuxWorkspace> workspace_;
    std::vector<std::string> observed_;
    Subscription launches_;
    Subscription terminations_;
};

TEST_F(LinuxWorkspaceTest, MatchesEveryWindowToItsInstalledEntry)
{
    const auto self = static_cast<std::uint32_t>(getpid());
    // clang-format off
    const std::pair<Traits, std::string> rows[] = {
        // the GTK application id, the KDE desktop file
        { { .wmClass = "Calculator", .gtkApplicationId = "org.example.Gtk" }, "org.example.Gtk Gtk Thing" },
        { { .wmClass = "Whole", .kdeDesktopFile = "org.example.Kde.desktop" }, "org.example.Kde Kde Thing" },
        // an uninstalled declared id: the class decides
        { { .wmClass = "calculator", .instance = "x", .gtkApplicationId = "org.example.Missing" }, "org.example.Calculator Calculator" },
        // StartupWMClass before the ids
        { { .wmClass = "Startup-Class", .instance = "notes" }, "org.example.Started Started" },
        // the class as the whole id, ignoring case; the instance as the id's last part
        { { .wmClass = "ORG.EXAMPLE.WHOLE" }, "org.example.Whole Whole" },
        { { .wmClass = "Unknown", .instance = "notes" }, "org.example.Notes Notes" },
        // the program of the window's process
        { { .wmClass = "NoSuchClass", .pid = self }, "org.example.Tests Tests" },
        // no match: the class as name, else the title
        { { .wmClass = "Stranger", .title = "Some Title" }, "- Stranger" },
        { { .title = "Untitled Thing" }, "- Untitled Thing" },
    };
    // clang-format on
    std::vector<std::string> expected;
    for (const auto& [traits, application] : rows) {
        const auto window = listedWindow(traits);
        expected.push_back(std::to_string(traits.pid ? *traits.pid : windowHandle(window)) + " "
                           + application);
    }
    EXPECT_EQ(running(), expected);
}

TEST_F(LinuxWorkspaceTest, ListsEachApplicationOnceUnderItsFirstWindowsProcess)
{
    listedWindow({ .wmClass = "calculator", .pid = 900001 });
    listedWindow({ .wmClass = "Stranger", .pid = 900002 });
    listedWindow({ .wmClass = "calculator", .pid = 900003 }); // a second instance
    listedWindow({ .wmClass = "Stranger", .pid = 900002 }); // the same process's second window
    EXPECT_THAT(running(),
                ElementsAre(line(900001, "org.example.Calculator", "Calculator"),
                            line(900002, "-", "Stranger")));
}

TEST_F(LinuxWorkspaceTest, ReportsApplicationsThatStartAndQuitWhileObserved)
{
    const auto early = listedWindow({ .wmClass = "Whole" });
    observe();
    // Running before the observation began: not a launch.
    const auto calculator = client_->createWindow({ .wmClass = "calculator" });
    ASSERT_TRUE(awaitObserved(1));
    const auto secondCalculator = client_->createWindow({ .wmClass = "calculator" });
    client_->createWindow({ .wmClass = "Stranger" }); // no id: never reported
    const auto notes = client_->createWindow({ .wmClass = "notes" });
    ASSERT_TRUE(awaitObserved(2));
    client_->destroyWindow(calculator); // its second window still runs
    client_->destroyWindow(early);
    ASSERT_TRUE(awaitObserved(3));
    client_->destroyWindow(secondCalculator);
    ASSERT_TRUE(awaitObserved(4));
    EXPECT_THAT(observed_,
                ElementsAre("launch org.example.Calculator", "launch org.example.Notes",
                            "quit org.example.Whole", "quit org.example.Calculator"));

    // Ended observations hear nothing more.
    launches_.reset();
    observed_.clear();
    client_->createWindow({ .wmClass = "calculator" });
    client_->destroyWindow(notes);
    ASSERT_TRUE(awaitObserved(1));
    EXPECT_THAT(observed_, ElementsAre("quit org.example.Notes"));
}

TEST_F(LinuxWorkspaceTest, ActivatesTheFirstWindowOfARunningApplication)
{
    const auto notes = listedWindow({ .wmClass = "notes" });
    const auto calculator = listedWindow({ .wmClass = "calculator" });
    listedWindow({ .wmClass = "calculator" });
    const auto active = [this] {
        const auto windows = client_->rootWindows("_NET_ACTIVE_WINDOW");
        return windows.empty() ? 0 : windows.front();
    };

    EXPECT_TRUE(workspace_->activateRunningApplication("org.example.Calculator"));
    EXPECT_TRUE(pollUntil([&] { return active() == calculator; }));
    EXPECT_TRUE(workspace_->activateRunningApplication("org.example.Notes"));
    EXPECT_TRUE(pollUntil([&] { return active() == notes; }));
    // Installed but not running, or not installed at all: nothing to activate.
    EXPECT_FALSE(workspace_->activateRunningApplication("org.example.Gtk"));
    EXPECT_FALSE(workspace_->activateRunningApplication("org.example.Missing"));
    EXPECT_EQ(active(), notes);
}

TEST_F(LinuxWorkspaceTest, ReadsTheEntriesAgainOnlyWhenOldAndTheWindowsChanged)
{
    observe();
    workspace_->scanInstalledApplications(); // read at 0 s
    install("org.example.Fresh", "Fresh");
    const auto fresh = client_->createWindow({ .wmClass = "fresh" });
    const auto idOfFresh = [&] {
        for (const auto& application : workspace_->runningApplications()) {
            if (application.handle == windowHandle(fresh))
                return application.bundleIdentifier.value_or("-");
        }
        return std::string("none");
    };

    now_ = LinuxWorkspace::kEntriesMaxAge - 0.1;
    client_->createWindow({ .wmClass = "calculator" });
    ASSERT_TRUE(awaitObserved(1)); // both windows' change has been handled
    EXPECT_EQ(idOfFresh(), "-") << "read again before it was old";

    now_ = LinuxWorkspace::kEntriesMaxAge;
    EXPECT_EQ(idOfFresh(), "org.example.Fresh");

    fs::remove(applications() / "org.example.Fresh.desktop");
    now_ = 100;
    EXPECT_EQ(idOfFresh(), "org.example.Fresh") << "read again without a change of windows";
    client_->createWindow({ .wmClass = "notes" });
    ASSERT_TRUE(awaitObserved(2));
    EXPECT_EQ(idOfFresh(), "-");
}

TEST_F(LinuxWorkspaceTest, AnApplicationsIconIsItsEntrysElseItsWindowsPicture)
{
    QImage square(16, 16, QImage::Format_ARGB32);
    square.fill(Qt::red);
    const fs::path iconFile = folder_.path() / "icon.png";
    ASSERT_TRUE(square.save(QString::fromStdString(iconFile.string())));
    install("org.example.Painted", "Painted", "Icon=" + iconFile.string() + "\n");
    const std::vector<unsigned long> greenPicture { 1, 1, 0xFF00FF00 };
    // What it shows; the window; the colour of the 64 x 64 icon.
    // clang-format off
    const std::tuple<const char*, Traits, QRgb> rows[] = {
        { "the entry's icon before the window's", { .wmClass = "painted", .icon = greenPicture }, 0xFFFF0000 },
        { "an entry without an icon: its window's", { .wmClass = "calculator", .icon = greenPicture }, 0xFF00FF00 },
        { "no entry: its window's", { .wmClass = "Stranger", .icon = greenPicture }, 0xFF00FF00 },
    };
    // clang-format on
    for (const auto& [shows, traits, expected] : rows) {
        SCOPED_TRACE(shows);
        const auto window = listedWindow(traits);
        std::optional<QRgb> colour;
        for (const auto& application : workspace_->runningApplications()) {
            const auto png = application.handle == windowHandle(window)
                ? workspace_->runningApplicationIconPNG(application)
                : std::nullopt;
            const auto image
                = png ? QImage::fromData(png->data(), int(png->size()), "PNG") : QImage();
            if (!image.isNull() && image.size() == QSize(64, 64))
                colour = image.pixel(32, 32);
        }
        EXPECT_EQ(colour, expected);
    }
}

// Entries whose programs exist in the test's folder, and a workspace without a window list over
// a fake session: its units, or (without them) its processes.
class WindowlessWorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        install("org.example.Notes", "Notes", "notes");
        install("firefox-esr", "Firefox", "firefox-esr");
        install("org.example.Hidden", "Hidden", "hidden", "", "NoDisplay=true\n");
        install("org.example.Viewer", "Viewer", "viewer");
        install("org.example.Calc", "Calc", "calc");
        install("org.example.Flat", "Flat", "flatpak", " run org.example.Flat");
        install("org.example.Shared", "Shared", "shared");
        install("org.example.Shared2", "Shared2", "shared");
    }

    // An entry that starts a program of the test's folder, "<program><arguments>".
    void install(const std::string& id, const std::string& name, const std::string& program,
                 const std::string& arguments = "", const std::string& extra = "")
    {
        const fs::path path = folder_.path() / "bin" / program;
        writeProgram(path);
        writeDesktopEntry(folder_.path() / "applications" / (id + ".desktop"), name, extra,
                          path.string() + arguments);
    }

    // The workspace over the session's units, or its processes when withUnits is false.
    LinuxWorkspace& workspace(bool withUnits)
    {
        RunningSources sources;
        if (withUnits)
            sources.scopes
                = std::make_unique<AppScopeList>(scheduler_, log_, tree_.cgroup(), tree_.proc());
        sources.processes = ProcessTable(tree_.proc());
        workspace_ = std::make_unique<LinuxWorkspace>(
            std::make_unique<DesktopApplications>(
                std::vector<fs::path> { folder_.path() / "applications" }),
            std::move(sources));
        return *workspace_;
    }

    // One line per running application: "<handle> <id> <name or -> <regular or background>".
    std::vector<std::string> running(LinuxWorkspace& workspace)
    {
        std::vector<std::string> lines;
        for (const auto& application : workspace.runningApplications())
            lines.push_back(line(application.handle, application.bundleIdentifier.value_or("-"),
                                 application.localizedName.value_or("-"))
                            + (application.activationPolicy == ActivationPolicy::Regular
                                   ? " regular"
                                   : " background"));
        return lines;
    }

    // A process of the fake process folder: its executable, command name and environment, each
    // left out when empty.
    void process(int pid, const std::string& executable, const std::string& command,
                 const std::string& commandLine = "", const std::string& environment = "")
    {
        const fs::path folder = tree_.proc() / std::to_string(pid);
        fs::create_directories(folder);
        if (!executable.empty())
            fs::create_symlink(executable, folder / "exe");
        writeFile(folder / "comm", command + "\n");
        writeFile(folder / "cmdline", commandLine);
        writeFile(folder / "environ", environment);
    }

    TemporaryFolder folder_;
    FakeSessionTree tree_;
    VirtualScheduler scheduler_;
    CapturingLog log_;
    std::unique_ptr<LinuxWorkspace> workspace_;
};

TEST_F(WindowlessWorkspaceTest, ListsTheRunningUnitsByTheirEntries)
{
    tree_.unit("app-gnome-org.example.Notes-30.scope", "300\n");
    tree_.unit("app-gnome-org.example.Notes-31.scope", "310\n"); // a second instance
    tree_.unit("app-firefox-esr-99.scope", "150\n"); // its '-' not escaped
    tree_.unit("app-gnome-org.example.Hidden-5.scope", "120\n"); // an entry left out of menus
    tree_.unit("app-gnome-org.example.Missing-6.scope", "130\n"); // not installed
    auto& listed = workspace(true);
    EXPECT_THAT(
        running(listed),
        ElementsAre("120 org.example.Hidden - background", "130 org.example.Missing - background",
                    "150 firefox-esr Firefox regular", "300 org.example.Notes Notes regular"));
    // Without a window to bring forward, a running application is launched again.
    EXPECT_FALSE(listed.activateRunningApplication("org.example.Notes"));
}

TEST_F(WindowlessWorkspaceTest, WithoutUnitsListsTheProcessesOfInstalledPrograms)
{
    const auto launched = [](const std::string& id, int pid) {
        return "GIO_LAUNCHED_DESKTOP_FILE=/x/" + id + ".desktop" + '\0'
            + "GIO_LAUNCHED_DESKTOP_FILE_PID=" + std::to_string(pid);
    };
    process(FakeSessionTree::kOwnPid, "/usr/bin/notes", "notes"); // this program: left out
    process(10, "/usr/bin/python3", "python3", "", launched("org.example.Viewer", 10));
    // the launch news inherited from process 9
    process(11, "/bin/bash", "bash", "", launched("org.example.Shared", 9));
    process(12, "/usr/lib/firefox-esr/firefox-esr", "firefox-esr");
    process(13, "", "notes"); // its executable unreadable: the command name
    process(14, "/usr/bin/python3", "python3", std::string("/usr/bin/calc") + '\0' + "-x");
    process(15, "/usr/bin/flatpak", "flatpak"); // a launcher of other programs
    process(16, "/usr/bin/shared", "shared"); // started by two entries
    process(17, "/usr/lib/firefox-esr/firefox-esr", "firefox-esr"); // a second process
    EXPECT_THAT(running(workspace(false)),
                ElementsAre("10 org.example.Viewer Viewer regular",
                            "12 firefox-esr Firefox regular", "13 org.example.Notes Notes regular",
                            "14 org.example.Calc Calc regular"));
}

TEST_F(WindowlessWorkspaceTest, ReportsUnitsThatStartAndQuit)
{
    PrivateSession::instance().application(); // the event loop
    auto& observed = workspace(true);
    std::vector<std::string> news;
    const Subscription launches
        = observed.observeLaunches([&](const std::string& id) { news.push_back("launch " + id); });
    const Subscription quits = observed.observeTerminations(
        [&](const std::string& id) { news.push_back("quit " + id); });
    tree_.unit("app-gnome-org.example.Notes-30.scope", "300\n");
    ASSERT_TRUE(pollUntil([&] { return news.size() == 1; }));
    fs::remove_all(tree_.slice() / "app-gnome-org.example.Notes-30.scope");
    ASSERT_TRUE(pollUntil([&] { return news.size() == 2; }));
    EXPECT_THAT(news, ElementsAre("launch org.example.Notes", "quit org.example.Notes"));
}

} // namespace
} // namespace kavora::test
