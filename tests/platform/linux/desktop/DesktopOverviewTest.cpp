#include "platform/linux/desktop/DesktopLaunchServices.h"

#include "support/linux/ChildProcess.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"
#include "support/linux/ScopedVariable.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QString>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace kavora {
namespace {

using test::ChildProcess;
using test::PrivateSession;
using test::ScopedVariable;
using namespace std::chrono_literals;

// Fake desktop shells made with python3-dbusmock on the session's private bus.
class DesktopOverviewTest : public ::testing::Test {
protected:
    void SetUp() override { PrivateSession::instance().application(); }

    struct Shell {
        std::string service;
        std::string path;
        ChildProcess process;
    };

    static Shell startShell(const std::string& service, const std::string& path,
                            const std::string& interface)
    {
        Shell shell { service, path,
                      ChildProcess(
                          { { "/usr/bin/python3", "-m", "dbusmock", service, path, interface },
                            {},
                            false,
                            (PrivateSession::instance().root() / "dbusmock.log").string() }) };
        const bool registered = test::pollUntil([&] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                QString::fromStdString(service));
        });
        EXPECT_TRUE(registered) << service << " did not appear on the bus";
        return shell;
    }

    // Calls a method of the fake with gdbus; its printed reply, or "" on failure.
    static std::string call(const Shell& shell, const std::string& method,
                            const std::vector<std::string>& arguments = {})
    {
        std::vector<std::string> argv { "gdbus",    "call",        "--session",
                                        "--dest",   shell.service, "--object-path",
                                        shell.path, "--method",    method };
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const auto result = test::run(argv);
        return result.exitStatus == 0 ? result.output : std::string();
    }

    static void addMethod(const Shell& shell, const std::string& interface, const std::string& name,
                          const std::string& in, const std::string& out, const std::string& code)
    {
        ASSERT_NE(
            call(shell, "org.freedesktop.DBus.Mock.AddMethod", { interface, name, in, out, code }),
            "");
    }

    static std::string calls(const Shell& shell)
    {
        return call(shell, "org.freedesktop.DBus.Mock.GetCalls");
    }

    static bool overviewActive(const Shell& shell)
    {
        return call(shell, "org.freedesktop.DBus.Properties.Get",
                    { "org.gnome.Shell", "OverviewActive" })
                   .find("true")
            != std::string::npos;
    }

    int keyFallbacks_ = 0;
    DesktopLaunchServices services_ { [this] { ++keyFallbacks_; } };
};

TEST_F(DesktopOverviewTest, GnomeShellOverviewTogglesThroughItsProperty)
{
    const ScopedVariable desktop("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    const Shell shell = startShell("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell");
    ASSERT_NE(call(shell, "org.freedesktop.DBus.Mock.AddProperty",
                   { "org.gnome.Shell", "OverviewActive", "<false>" }),
              "");

    services_.showWindowOverview();
    EXPECT_TRUE(test::pollUntil([&] { return overviewActive(shell); }));
    services_.showWindowOverview();
    EXPECT_TRUE(test::pollUntil([&] { return !overviewActive(shell); }));
    EXPECT_EQ(keyFallbacks_, 0);
}

TEST_F(DesktopOverviewTest, GnomeShellWithoutThePropertyEvaluatesTheToggle)
{
    const ScopedVariable desktop("XDG_CURRENT_DESKTOP", "GNOME");
    const Shell shell = startShell("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell");
    addMethod(shell, "org.gnome.Shell", "Eval", "s", "bs", "ret = (True, '')");

    services_.showWindowOverview();
    EXPECT_TRUE(test::pollUntil([&] {
        return calls(shell).find("'Eval', [<'Main.overview.toggle();'>]") != std::string::npos;
    }));
    EXPECT_EQ(keyFallbacks_, 0);
}

TEST_F(DesktopOverviewTest, GnomeShellRefusingEvalLeavesTheKey)
{
    const ScopedVariable desktop("XDG_CURRENT_DESKTOP", "GNOME");
    const Shell shell = startShell("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell");
    addMethod(shell, "org.gnome.Shell", "Eval", "s", "bs", "ret = (False, '')");

    services_.showWindowOverview();
    EXPECT_TRUE(test::pollUntil([&] { return keyFallbacks_ == 1; }));
}

TEST_F(DesktopOverviewTest, GnomeWithoutShellOnTheBusLeavesTheKey)
{
    const ScopedVariable desktop("XDG_CURRENT_DESKTOP", "GNOME");
    services_.showWindowOverview();
    EXPECT_TRUE(test::pollUntil([&] { return keyFallbacks_ == 1; }));
}

TEST_F(DesktopOverviewTest, PlasmaInvokesTheBestShortcutKWinHas)
{
    struct Row {
        const char* shows;
        const char* shortcutNames;
        const char* invoked; // null: none fits, the key is left
    };
    const Row rows[] = {
        { "the overview effect", "['Expose', 'Overview', 'ExposeAll']", "Overview" },
        { "Present Windows on older releases", "['ExposeAll', 'Expose']", "Expose" },
        { "nothing that shows windows", "['Window Close']", nullptr },
    };
    const ScopedVariable desktop("XDG_CURRENT_DESKTOP", "KDE");
    const std::string component = "org.kde.kglobalaccel.Component";
    const Shell kwin = startShell("org.kde.kglobalaccel", "/component/kwin", component);
    addMethod(kwin, component, "invokeShortcut", "s", "", "");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        addMethod(kwin, component, "shortcutNames", "", "as",
                  std::string("ret = ") + row.shortcutNames);
        call(kwin, "org.freedesktop.DBus.Mock.ClearCalls");
        keyFallbacks_ = 0;

        services_.showWindowOverview();
        if (row.invoked) {
            const std::string expected = std::string("'invokeShortcut', [<'") + row.invoked + "'>]";
            EXPECT_TRUE(
                test::pollUntil([&] { return calls(kwin).find(expected) != std::string::npos; }));
            EXPECT_EQ(keyFallbacks_, 0);
        } else {
            EXPECT_TRUE(test::pollUntil([&] { return keyFallbacks_ == 1; }));
            EXPECT_EQ(calls(kwin).find("invokeShortcut"), std::string::npos);
        }
    }
}

TEST_F(DesktopOverviewTest, CinnamonShowsExpo)
{
    const ScopedVariable desktop("XDG_CURRENT_DESKTOP", "X-Cinnamon");
    const Shell cinnamon = startShell("org.Cinnamon", "/org/Cinnamon", "org.Cinnamon");
    addMethod(cinnamon, "org.Cinnamon", "ShowExpo", "", "", "");

    services_.showWindowOverview();
    EXPECT_TRUE(
        test::pollUntil([&] { return calls(cinnamon).find("'ShowExpo'") != std::string::npos; }));
    EXPECT_EQ(keyFallbacks_, 0);
}

TEST_F(DesktopOverviewTest, OtherDesktopsGetTheKeyAtOnce)
{
    for (const char* name : { "XFCE", "MATE", "" }) {
        SCOPED_TRACE(name);
        const ScopedVariable desktop("XDG_CURRENT_DESKTOP", std::string(name));
        keyFallbacks_ = 0;
        services_.showWindowOverview();
        EXPECT_EQ(keyFallbacks_, 1);
    }
}

} // namespace
} // namespace kavora
