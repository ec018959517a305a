// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

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
    enum class Shell { None, Gnome, KWin, Cinnamon };
    struct Row {
        const char* shows;
        const char* desktop;
        Shell shell;
        std::string reply; // Python code of the method the shell is asked (KWin: shortcutNames)
        const char* called; // what the shell records; empty: nothing
        bool key;
    };
    // clang-format off
    const Row rows[] = {
        { "GNOME without the overview property: the toggle evaluated", "GNOME", Shell::Gnome, "ret = (True, '')", "'Eval', [<'Main.overview.toggle();'>]", false },
        { "GNOME refusing the evaluation: the key", "GNOME", Shell::Gnome, "ret = (False, '')", "'Eval'", true },
        { "GNOME without its shell on the bus: the key", "GNOME", Shell::None, "", "", true },
        { "Plasma: the overview effect", "KDE", Shell::KWin, "ret = ['Expose', 'Overview', 'ExposeAll']", "'invokeShortcut', [<'Overview'>]", false },
        { "Plasma before the overview effect: Present Windows", "KDE", Shell::KWin, "ret = ['ExposeAll', 'Expose']", "'invokeShortcut', [<'Expose'>]", false },
        { "Plasma without a shortcut that shows windows: the key", "KDE", Shell::KWin, "ret = ['Window Close']", "", true },
        { "Cinnamon: Expo", "X-Cinnamon", Shell::Cinnamon, "", "'ShowExpo'", false },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        keys_ = 0;
        const ScopedVariable desktop("XDG_CURRENT_DESKTOP", std::string(row.desktop));
        std::optional<FakeShell> shell;
        const std::string kwin = "org.kde.kglobalaccel.Component";
        const auto add
            = [&](const std::string& interface, const std::string& method, const std::string& in,
                  const std::string& out, const std::string& code) {
                  EXPECT_NE(shell->call("org.freedesktop.DBus.Mock.AddMethod",
                                        { interface, method, in, out, code }),
                            "");
              };
        if (row.shell == Shell::Gnome) {
            shell.emplace("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell");
            add("org.gnome.Shell", "Eval", "s", "bs", row.reply);
        } else if (row.shell == Shell::KWin) {
            shell.emplace("org.kde.kglobalaccel", "/component/kwin", kwin);
            add(kwin, "shortcutNames", "", "as", row.reply);
            add(kwin, "invokeShortcut", "s", "", "");
        } else if (row.shell == Shell::Cinnamon) {
            shell.emplace("org.Cinnamon", "/org/Cinnamon", "org.Cinnamon");
            add("org.Cinnamon", "ShowExpo", "", "", "");
        }
        overview_.toggle();
        EXPECT_TRUE(pollUntil([&] { return keys_ == int(row.key); }));
        if (*row.called) {
            EXPECT_TRUE(
                pollUntil([&] { return shell->calls().find(row.called) != std::string::npos; }));
        } else if (shell) {
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
