#include "platform/linux/desktop/DesktopOverview.h"

#include "support/linux/ChildProcess.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"
#include "support/linux/ScopedVariable.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavora::test {
namespace {

// The system's Python, which python3-dbusmock is installed for.
const std::string kPython = "/usr/bin/python3";

// A fake desktop shell made with python3-dbusmock on the session's private bus.
class FakeShell {
public:
    FakeShell(std::string service, std::string path, const std::string& interface)
        : service_(std::move(service))
        , path_(std::move(path))
        , process_({ { kPython, "-m", "dbusmock", service_, path_, interface },
                     {},
                     false,
                     (PrivateSession::instance().root() / "dbusmock.log").string() })
    {
        EXPECT_TRUE(pollUntil([&] { return registered(); }))
            << service_ << " did not appear on the bus";
    }
    // Gone from the bus too, before the next fake takes its name.
    ~FakeShell()
    {
        process_.stop();
        pollUntil([&] { return !registered(); });
    }
    FakeShell(const FakeShell&) = delete;
    FakeShell& operator=(const FakeShell&) = delete;

    // Calls a method of the fake with gdbus: its printed reply, or "" on failure.
    std::string call(const std::string& method, std::vector<std::string> arguments = {}) const
    {
        std::vector<std::string> argv { "gdbus",         "call", "--session", "--dest", service_,
                                        "--object-path", path_,  "--method",  method };
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const auto result = run(argv);
        return result.exitStatus == 0 ? result.output : std::string();
    }
    // The calls the fake has had, as dbusmock prints them.
    std::string calls() const { return call("org.freedesktop.DBus.Mock.GetCalls"); }

private:
    bool registered() const
    {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QString::fromStdString(service_));
    }

    std::string service_;
    std::string path_;
    ChildProcess process_;
};

class DesktopOverviewTest : public ::testing::Test {
protected:
    void SetUp() override { PrivateSession::instance().application(); }

    // What the fake shells need and is not installed; empty when all is.
    static std::string missingFakes()
    {
        if (auto missing = missingPrograms({ kPython, "gdbus" }); !missing.empty())
            return missing;
        return run({ kPython, "-c", "import dbusmock" }).exitStatus == 0
            ? std::string()
            : "not installed: python3-dbusmock";
    }

    int keys_ = 0;
    DesktopOverview overview_ { [this] { ++keys_; } };
};

TEST_F(DesktopOverviewTest, EachDesktopGetsItsShellsCallElseTheKey)
{
    if (const auto missing = missingFakes(); !missing.empty())
        GTEST_SKIP() << missing;
    struct Row {
        const char* shows;
        std::string desktop;
        std::vector<std::string> shell; // service, path, interface; none: not on the bus
        std::vector<std::vector<std::string>> methods; // interface, name, in, out, code
        std::string called; // what the shell records; empty: nothing
        bool key;
    };
    const std::vector<std::string> gnome { "org.gnome.Shell", "/org/gnome/Shell",
                                           "org.gnome.Shell" };
    const std::string kwin = "org.kde.kglobalaccel.Component";
    const auto plasma = [&](const std::string& names) {
        return std::vector<std::vector<std::string>> { { kwin, "invokeShortcut", "s", "", "" },
                                                       { kwin, "shortcutNames", "", "as",
                                                         "ret = " + names } };
    };
    const Row rows[] = {
        { "GNOME without the overview property: the toggle evaluated",
          "GNOME",
          gnome,
          { { "org.gnome.Shell", "Eval", "s", "bs", "ret = (True, '')" } },
          "'Eval', [<'Main.overview.toggle();'>]",
          false },
        { "GNOME refusing the evaluation: the key",
          "GNOME",
          gnome,
          { { "org.gnome.Shell", "Eval", "s", "bs", "ret = (False, '')" } },
          "'Eval'",
          true },
        { "GNOME without its shell on the bus: the key", "GNOME", {}, {}, "", true },
        { "Plasma: the overview effect",
          "KDE",
          { "org.kde.kglobalaccel", "/component/kwin", kwin },
          plasma("['Expose', 'Overview', 'ExposeAll']"),
          "'invokeShortcut', [<'Overview'>]",
          false },
        { "Plasma before the overview effect: Present Windows",
          "KDE",
          { "org.kde.kglobalaccel", "/component/kwin", kwin },
          plasma("['ExposeAll', 'Expose']"),
          "'invokeShortcut', [<'Expose'>]",
          false },
        { "Plasma without a shortcut that shows windows: the key",
          "KDE",
          { "org.kde.kglobalaccel", "/component/kwin", kwin },
          plasma("['Window Close']"),
          "",
          true },
        { "Cinnamon: Expo",
          "X-Cinnamon",
          { "org.Cinnamon", "/org/Cinnamon", "org.Cinnamon" },
          { { "org.Cinnamon", "ShowExpo", "", "", "" } },
          "'ShowExpo'",
          false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        keys_ = 0;
        const ScopedVariable desktop("XDG_CURRENT_DESKTOP", row.desktop);
        std::optional<FakeShell> shell;
        if (!row.shell.empty())
            shell.emplace(row.shell[0], row.shell[1], row.shell[2]);
        for (const auto& method : row.methods) {
            ASSERT_NE(shell->call("org.freedesktop.DBus.Mock.AddMethod", method), "");
        }
        overview_.toggle();
        if (!row.called.empty()) {
            EXPECT_TRUE(
                pollUntil([&] { return shell->calls().find(row.called) != std::string::npos; }));
        }
        if (row.key) {
            EXPECT_TRUE(pollUntil([&] { return keys_ == 1; }));
        } else {
            EXPECT_EQ(keys_, 0);
        }
        if (shell && row.called.empty()) {
            EXPECT_EQ(shell->calls().find("invokeShortcut"), std::string::npos);
        }
    }
}

TEST_F(DesktopOverviewTest, GnomeShellOverviewTogglesThroughItsProperty)
{
    if (const auto missing = missingFakes(); !missing.empty())
        GTEST_SKIP() << missing;
    const ScopedVariable desktop("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    const FakeShell shell("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell");
    ASSERT_NE(shell.call("org.freedesktop.DBus.Mock.AddProperty",
                         { "org.gnome.Shell", "OverviewActive", "<false>" }),
              "");
    const auto active = [&] {
        return shell
                   .call("org.freedesktop.DBus.Properties.Get",
                         { "org.gnome.Shell", "OverviewActive" })
                   .find("true")
            != std::string::npos;
    };
    overview_.toggle();
    EXPECT_TRUE(pollUntil(active));
    overview_.toggle();
    EXPECT_TRUE(pollUntil([&] { return !active(); }));
    EXPECT_EQ(keys_, 0);
}

TEST_F(DesktopOverviewTest, OtherDesktopsGetTheKeyAtOnce)
{
    for (const char* name : { "XFCE", "MATE", "" }) {
        SCOPED_TRACE(name);
        const ScopedVariable desktop("XDG_CURRENT_DESKTOP", std::string(name));
        keys_ = 0;
        overview_.toggle();
        EXPECT_EQ(keys_, 1);
    }
}

} // namespace
} // namespace kavora::test
