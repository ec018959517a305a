// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The start-at-login switch of the settings window's "Kavora" section, over the real XDG
// autostart entry in a folder of the test's own.
#include "ui/LoginStartSwitch.h"

#include "UiRig.h"
#include "platform/linux/settings/XdgAutostartEntry.h"
#include "support/TemporaryFolder.h"
#include "ui/SettingsWindow.h"
#include "ui/StatusSections.h"
#include "ui/ToggleSwitch.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace kavora {
namespace {

namespace fs = std::filesystem;

class LoginStartSwitchTest : public ::testing::Test {
protected:
    test::UiRig rig;
    test::TemporaryFolder home;
    fs::path file = home.path() / "config" / "autostart" / "kavora-test.desktop";
    XdgAutostartEntry entry { file, "/opt/Kavora Test/bin/kavora" };
    SettingsWindow window { *rig.adapter, &entry };

    ToggleSwitch& toggle() { return window.loginStart()->toggle(); }
};

TEST_F(LoginStartSwitchTest, SitsInTheKavoraSectionOffUntilSwitchedOn)
{
    ASSERT_NE(window.loginStart(), nullptr);
    EXPECT_TRUE(window.advertising().isAncestorOf(window.loginStart()));
    EXPECT_EQ(toggle().text(), QStringLiteral("ログイン時に起動"));
    EXPECT_FALSE(toggle().isChecked());
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(SettingsWindow(*rig.adapter).loginStart(), nullptr);
}

TEST_F(LoginStartSwitchTest, OnWritesAValidEntryThatStartsTheProgramInItsTrayAndOffRemovesIt)
{
    QTest::mouseClick(&toggle(), Qt::LeftButton);
    EXPECT_TRUE(toggle().isChecked());
    ASSERT_TRUE(fs::exists(file));
    const std::string text = test::readFile(file);
    EXPECT_NE(text.find("\nExec=\"/opt/Kavora Test/bin/kavora\" --autostart\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\nIcon=" KAVORA_APP_ID "\n"), std::string::npos) << text;
    EXPECT_FALSE(window.loginStart()->problem().isVisibleTo(&window));
    const bool validated = std::system("command -v desktop-file-validate >/dev/null") == 0;
    if (validated) {
        const std::string validate = "desktop-file-validate '" + file.string() + "' 2>&1";
        EXPECT_EQ(std::system(validate.c_str()), 0) << text;
    }

    QTest::keyClick(&toggle(), Qt::Key_Space);
    EXPECT_FALSE(toggle().isChecked());
    EXPECT_FALSE(fs::exists(file));
    if (!validated)
        GTEST_SKIP() << "desktop-file-validate is not installed (scripts/install-deps --test)";
}

TEST_F(LoginStartSwitchTest, AnEntryChangedByHandShowsWhenTheWindowOpensAgain)
{
    // What it shows; the entry written by hand (nullptr: the file removed); whether it reads on.
    const std::tuple<const char*, const char*, bool> rows[] = {
        { "removed by hand reads off", nullptr, false },
        { "disabled by the session settings", "[Desktop Entry]\nHidden=true\n", false },
        { "disabled the GNOME way", "[Desktop Entry]\nX-GNOME-Autostart-enabled = false\n", false },
        { "written by the user", "[Desktop Entry]\nType=Application\nExec=kavora\n", true },
    };
    window.showWindow();
    for (const auto& [shows, text, on] : rows) {
        QTest::mouseClick(&toggle(), Qt::LeftButton);
        window.close();
        ASSERT_TRUE(toggle().isChecked()) << shows;
        if (text)
            std::ofstream(file, std::ios::trunc) << text;
        else
            fs::remove(file);
        window.showWindow();
        EXPECT_EQ(toggle().isChecked(), on) << shows;
        if (toggle().isChecked())
            QTest::mouseClick(&toggle(), Qt::LeftButton);
    }
}

TEST_F(LoginStartSwitchTest, AFailedChangeSaysWhyAndLeavesTheSwitchOff)
{
    // The autostart folder cannot be made where a file stands.
    fs::create_directories(file.parent_path().parent_path());
    std::ofstream(file.parent_path()) << "not a folder";
    QTest::mouseClick(&toggle(), Qt::LeftButton);
    EXPECT_FALSE(toggle().isChecked());
    EXPECT_TRUE(window.loginStart()->problem().isVisibleTo(&window));
    EXPECT_TRUE(
        window.loginStart()->problem().text().startsWith(QStringLiteral("変更できませんでした")));

    fs::remove(file.parent_path());
    QTest::mouseClick(&toggle(), Qt::LeftButton);
    EXPECT_TRUE(toggle().isChecked());
    EXPECT_FALSE(window.loginStart()->problem().isVisibleTo(&window));
}

} // namespace
} // namespace kavora
