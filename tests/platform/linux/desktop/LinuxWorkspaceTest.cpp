#include "platform/linux/desktop/LinuxWorkspace.h"

#include "platform/linux/desktop/DesktopApplications.h"
#include "platform/linux/x11/X11ClientList.h"
#include "support/TemporaryFolder.h"
#include "support/linux/Polling.h"
#include "support/linux/X11ManagedDisplay.h"

#include <QImage>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace kavora {
namespace {

using test::X11ManagedDisplay;
using ::testing::ElementsAre;
using WindowTraits = X11ManagedDisplay::WindowTraits;

namespace fs = std::filesystem;

// One line per running application: "<handle> <id or -> <name or ->".
std::vector<std::string> lines(const std::vector<RunningApplication>& applications)
{
    std::vector<std::string> result;
    result.reserve(applications.size());
    for (const auto& application : applications) {
        result.push_back(std::to_string(application.handle) + " "
                         + application.bundleIdentifier.value_or("-") + " "
                         + application.localizedName.value_or("-"));
    }
    return result;
}

std::string line(std::uint64_t handle, const std::string& id, const std::string& name)
{
    return std::to_string(handle) + " " + id + " " + name;
}

std::uint64_t windowHandle(unsigned long window)
{
    return LinuxWorkspace::kWindowHandleBase + window;
}

// _NET_WM_ICON data of pictures of one colour each: {side, colour} pairs.
std::vector<unsigned long>
pictures(std::initializer_list<std::pair<unsigned long, unsigned long>> squares)
{
    std::vector<unsigned long> data;
    for (const auto& [side, argb] : squares) {
        data.push_back(side);
        data.push_back(side);
        data.insert(data.end(), side * side, argb);
    }
    return data;
}

// The colour in the middle of a 64 x 64 PNG image; nothing for no image or another size.
std::optional<QRgb> centreColour(const std::optional<Bytes>& png)
{
    if (!png)
        return std::nullopt;
    const QImage image = QImage::fromData(png->data(), static_cast<int>(png->size()), "PNG");
    if (image.size() != QSize(64, 64))
        return std::nullopt;
    return image.pixel(32, 32);
}

// A managed display, a folder of desktop entries of the test's own, and the workspace over both,
// whose entries clock the test sets.
class LinuxWorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(display_.ready()) << "Xvfb or openbox did not start";
        fs::create_directories(applications());
        install("org.example.Calculator", "Calculator");
        install("org.example.Notes", "Notes");
        install("org.example.Gtk", "Gtk Thing");
        install("org.example.Kde", "Kde Thing");
        install("org.example.Started", "Started", "StartupWMClass=Startup-Class\n");
        install("org.example.Whole", "Whole");
        // Matched by the program of the window's process: this test program.
        install("org.example.Tests", "Tests", "",
                fs::read_symlink("/proc/self/exe").string() + " --run");
        workspace_ = std::make_unique<LinuxWorkspace>(
            std::make_unique<DesktopApplications>(std::vector<fs::path> { applications() }),
            std::make_unique<X11ClientList>(display_.displayName()), [this] { return now_; });
    }

    fs::path applications() const { return folder_.path() / "applications"; }

    void install(const std::string& id, const std::string& name, const std::string& extra = "",
                 const std::string& exec = "/bin/true")
    {
        std::ofstream(applications() / (id + ".desktop"))
            << "[Desktop Entry]\nType=Application\nName=" << name << "\nExec=" << exec << "\n"
            << extra;
    }

    unsigned long listedWindow(const WindowTraits& traits)
    {
        const auto window = display_.createWindow(traits);
        EXPECT_TRUE(display_.awaitListed(window)) << traits.wmClass << " was never managed";
        return window;
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
        return test::pollUntil([&] { return observed_.size() >= count; });
    }

    X11ManagedDisplay display_;
    test::TemporaryFolder folder_;
    double now_ = 0;
    std::unique_ptr<LinuxWorkspace> workspace_;
    std::vector<std::string> observed_;
    Subscription launches_;
    Subscription terminations_;
};

TEST_F(LinuxWorkspaceTest, MatchesEveryWindowToItsInstalledEntry)
{
    struct Row {
        const char* shows;
        WindowTraits traits;
        std::string id; // "-": no entry
        std::string name;
    };
    const auto self = static_cast<std::uint32_t>(getpid());
    const Row rows[] = {
        { "the GTK application id", WindowTraits::ofClass("Calculator").gtkId("org.example.Gtk"),
          "org.example.Gtk", "Gtk Thing" },
        { "the KDE desktop file", WindowTraits::ofClass("Whole").kdeFile("org.example.Kde.desktop"),
          "org.example.Kde", "Kde Thing" },
        { "an uninstalled declared id: the class decides",
          WindowTraits::ofClass("calculator", "x").gtkId("org.example.Missing"),
          "org.example.Calculator", "Calculator" },
        { "StartupWMClass before the ids", WindowTraits::ofClass("Startup-Class", "notes"),
          "org.example.Started", "Started" },
        { "the class as the whole id, ignoring case", WindowTraits::ofClass("ORG.EXAMPLE.WHOLE"),
          "org.example.Whole", "Whole" },
        { "the instance as the id's last part", WindowTraits::ofClass("Unknown", "notes"),
          "org.example.Notes", "Notes" },
        { "the process's program", WindowTraits::ofClass("NoSuchClass").ofProcess(self),
          "org.example.Tests", "Tests" },
        { "no match: the class as name", WindowTraits::ofClass("Stranger").titled("Some Title"),
          "-", "Stranger" },
        { "no match, no class: the title as name",
          WindowTraits::ofClass("").titled("Untitled Thing"), "-", "Untitled Thing" },
    };
    std::vector<std::string> expected;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        const auto window = listedWindow(row.traits);
        const std::uint64_t handle = row.traits.pid ? *row.traits.pid : windowHandle(window);
        expected.push_back(line(handle, row.id, row.name));
    }
    EXPECT_EQ(lines(workspace_->runningApplications()), expected);
}

TEST_F(LinuxWorkspaceTest, ListsEachApplicationOnceAndOnlyItsApplicationWindows)
{
    const auto calculator = listedWindow(WindowTraits::ofClass("calculator").ofProcess(900001));
    listedWindow(WindowTraits::ofClass("Stranger").ofProcess(900002));
    listedWindow(WindowTraits::ofClass("calculator").ofProcess(900003)); // a second instance
    listedWindow(
        WindowTraits::ofClass("Stranger").ofProcess(900002)); // the same process's second window
    listedWindow(WindowTraits::ofClass("notes").ofType("DIALOG"));
    listedWindow(WindowTraits::ofClass("notes").offTaskbar());
    listedWindow(WindowTraits::ofClass("notes").transientTo(calculator));

    EXPECT_THAT(lines(workspace_->runningApplications()),
                ElementsAre(line(900001, "org.example.Calculator", "Calculator"),
                            line(900002, "-", "Stranger")));
}

TEST_F(LinuxWorkspaceTest, ReportsApplicationsThatStartAndQuitWhileObserved)
{
    const auto early = listedWindow(WindowTraits::ofClass("Whole"));
    observe();
    // Running before the observation began: not a launch.
    const auto calculator = display_.createWindow(WindowTraits::ofClass("calculator"));
    ASSERT_TRUE(awaitObserved(1));
    const auto secondCalculator = display_.createWindow(WindowTraits::ofClass("calculator"));
    display_.createWindow(WindowTraits::ofClass("Stranger")); // no id: never reported
    const auto notes = display_.createWindow(WindowTraits::ofClass("notes"));
    ASSERT_TRUE(awaitObserved(2));
    display_.destroyWindow(calculator); // its second window still runs
    display_.destroyWindow(early);
    ASSERT_TRUE(awaitObserved(3));
    display_.destroyWindow(secondCalculator);
    ASSERT_TRUE(awaitObserved(4));
    EXPECT_THAT(observed_,
                ElementsAre("launch org.example.Calculator", "launch org.example.Notes",
                            "quit org.example.Whole", "quit org.example.Calculator"));

    // Ended observations hear nothing more.
    launches_.reset();
    observed_.clear();
    display_.createWindow(WindowTraits::ofClass("calculator"));
    display_.destroyWindow(notes);
    ASSERT_TRUE(awaitObserved(1));
    EXPECT_THAT(observed_, ElementsAre("quit org.example.Notes"));
}

TEST_F(LinuxWorkspaceTest, ActivatesTheFirstWindowOfARunningApplication)
{
    const auto notes = listedWindow(WindowTraits::ofClass("notes"));
    const auto calculator = listedWindow(WindowTraits::ofClass("calculator"));
    listedWindow(WindowTraits::ofClass("calculator"));

    EXPECT_TRUE(workspace_->activateRunningApplication("org.example.Calculator"));
    EXPECT_TRUE(test::pollUntil([&] { return display_.activeWindow() == calculator; }));
    EXPECT_TRUE(workspace_->activateRunningApplication("org.example.Notes"));
    EXPECT_TRUE(test::pollUntil([&] { return display_.activeWindow() == notes; }));

    // Installed but not running, or not installed at all: nothing to activate.
    EXPECT_FALSE(workspace_->activateRunningApplication("org.example.Gtk"));
    EXPECT_FALSE(workspace_->activateRunningApplication("org.example.Missing"));
    EXPECT_EQ(display_.activeWindow(), notes);
}

TEST_F(LinuxWorkspaceTest, ReadsTheEntriesAgainOnlyWhenOldAndTheWindowsChanged)
{
    observe();
    workspace_->scanInstalledApplications(); // read at 0 s
    install("org.example.Fresh", "Fresh");
    const auto idOfFresh = [&] {
        for (const auto& application : workspace_->runningApplications()) {
            if (application.handle == windowHandle(display_.clientList().front()))
                return application.bundleIdentifier.value_or("-");
        }
        return std::string("none");
    };

    now_ = LinuxWorkspace::kEntriesMaxAge - 0.1;
    display_.createWindow(WindowTraits::ofClass("fresh"));
    display_.createWindow(WindowTraits::ofClass("calculator"));
    ASSERT_TRUE(awaitObserved(1)); // both windows' change has been handled
    EXPECT_EQ(idOfFresh(), "-") << "read again before it was old";

    now_ = LinuxWorkspace::kEntriesMaxAge;
    EXPECT_EQ(idOfFresh(), "org.example.Fresh");

    fs::remove(applications() / "org.example.Fresh.desktop");
    now_ = 100;
    EXPECT_EQ(idOfFresh(), "org.example.Fresh") << "read again without a change of windows";
    display_.createWindow(WindowTraits::ofClass("notes"));
    ASSERT_TRUE(awaitObserved(2));
    EXPECT_EQ(idOfFresh(), "-");
}

TEST_F(LinuxWorkspaceTest, InstalledApplicationsAndIconsComeFromTheDesktopEntries)
{
    QImage square(16, 16, QImage::Format_ARGB32);
    square.fill(Qt::red);
    const fs::path iconFile = folder_.path() / "icon.png";
    ASSERT_TRUE(square.save(QString::fromStdString(iconFile.string())));
    install("org.example.Painted", "Painted", "Icon=" + iconFile.string() + "\n");
    const std::string location = (applications() / "org.example.Painted.desktop").string();

    const auto located = workspace_->locateApplication("org.example.Painted");
    ASSERT_TRUE(located);
    EXPECT_EQ(located->bundleIdentifier, "org.example.Painted");
    EXPECT_EQ(located->name, "Painted");
    EXPECT_EQ(located->location, location);
    EXPECT_FALSE(workspace_->locateApplication("org.example.Missing"));
    const auto scanned = workspace_->scanInstalledApplications();
    EXPECT_EQ(scanned.size(), 8u);

    const auto icon = workspace_->applicationIconPNG(location);
    ASSERT_TRUE(icon);
    const QImage image = QImage::fromData(icon->data(), static_cast<int>(icon->size()), "PNG");
    EXPECT_EQ(image.size(), QSize(64, 64));

    listedWindow(WindowTraits::ofClass("painted"));
    const auto running = workspace_->runningApplications();
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(workspace_->runningApplicationIconPNG(running[0]), icon);
}

TEST_F(LinuxWorkspaceTest, WithoutAnEntryIconTheWindowsPictureIsRendered)
{
    constexpr QRgb kRed = 0xFFFF0000;
    constexpr QRgb kGreen = 0xFF00FF00;
    constexpr QRgb kBlue = 0xFF0000FF;
    struct Row {
        const char* shows;
        WindowTraits traits;
        std::optional<QRgb> colour;
    };
    const Row rows[] = {
        { "small pictures only: the largest",
          WindowTraits::ofClass("Small").withIcon(pictures({ { 16, kRed }, { 32, kBlue } })),
          kBlue },
        { "the smallest of at least 64 pixels",
          WindowTraits::ofClass("Large").withIcon(
              pictures({ { 128, kRed }, { 64, kGreen }, { 32, kBlue } })),
          kGreen },
        { "an entry without an icon: its window's",
          WindowTraits::ofClass("calculator").withIcon(pictures({ { 48, kBlue } })), kBlue },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        const auto window = listedWindow(row.traits);
        std::optional<RunningApplication> application;
        for (const auto& running : workspace_->runningApplications()) {
            if (running.handle == windowHandle(window))
                application = running;
        }
        ASSERT_TRUE(application);
        EXPECT_EQ(centreColour(workspace_->runningApplicationIconPNG(*application)), row.colour);
    }
}

} // namespace
} // namespace kavora
