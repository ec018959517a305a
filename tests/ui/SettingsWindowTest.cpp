// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/SettingsWindow.h"

#include "UiRig.h"
#include "ui/FavoriteSitesSection.h"
#include "ui/RegisteredAppsSection.h"
#include "ui/StatusSections.h"
#include "ui/SystemButtonsSection.h"
#include "ui/TrackingSection.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace kavora {
namespace {

using Ids = std::vector<std::string>;

// Whether a label under `parent` that the window would show reads `text`.
bool shows(QWidget& parent, const QString& text)
{
    const auto labels = parent.findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(), [&](QLabel* label) {
        return label->text() == text && label->isVisibleTo(parent.window());
    });
}

class SettingsWindowTest : public ::testing::Test {
protected:
    test::UiRig rig;
    SettingsWindow window { *rig.adapter };
};

TEST_F(SettingsWindowTest, OpensTitledAtItsSizeAndKeepsTheSameWindowAcrossAClose)
{
    window.showWindow();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kavora 設定"));
    EXPECT_EQ(window.size(), QSize(400, 640));
    EXPECT_TRUE(shows(window, QStringLiteral(KAVORA_VERSION " (Linux)")));
    EXPECT_TRUE(shows(window, QStringLiteral("Brivane Works inc.")));
    window.favoriteSites().urlField()->setText("half typed");
    window.move(40, 50);
    const QPoint placed = window.pos();

    window.close();
    EXPECT_FALSE(window.isVisible());
    window.showWindow();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.pos(), placed);
    EXPECT_EQ(window.favoriteSites().urlField()->text(), QStringLiteral("half typed"));
}

TEST_F(SettingsWindowTest, SpeedSlidersStepInTenthsShownWithOneDecimalAndWriteAtOnce)
{
    const std::tuple<int, QString, Qt::Key, const char*, double, QString> rows[] = {
        { 0, QStringLiteral("カーソル速度"), Qt::Key_End, "macCursorSpeed", 3.0, "3.0" },
        { 1, QStringLiteral("スクロール速度"), Qt::Key_Home, "macScrollSpeed", 0.5, "0.5" },
        { 1, QStringLiteral("スクロール速度"), Qt::Key_Right, "macScrollSpeed", 0.6, "0.6" },
    };
    for (const auto& [index, name, key, setting, stored, shown] : rows) {
        auto* slider = window.findChildren<QSlider*>().at(index);
        ASSERT_EQ(slider->accessibleName(), name);
        if (key == Qt::Key_End) {
            EXPECT_EQ(slider->value(), 10) << "the default speed, shown but not written";
            EXPECT_FALSE(rig.defaults.contains(setting));
        }
        QTest::keyClick(slider, key);
        EXPECT_DOUBLE_EQ(rig.defaults.doubleValue(setting), stored);
        EXPECT_TRUE(shows(window.tracking(), shown));
    }
}

TEST_F(SettingsWindowTest, NaturalScrollIsOnWhileUnsetAndWrittenWhenSwitched)
{
    const auto buttons = window.tracking().findChildren<QAbstractButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_TRUE(buttons[0]->isChecked());
    QTest::keyClick(buttons[0], Qt::Key_Space);
    EXPECT_EQ(rig.defaults.object("macNaturalScroll"), nlohmann::json(false));
    EXPECT_FALSE(buttons[0]->isChecked());
}

TEST_F(SettingsWindowTest, ThreeTopButtonsDisableTheOtherNineUntilOneIsDeselected)
{
    auto& section = window.systemButtons();
    const auto& rows = section.rows();
    const auto enabledCount = [&] {
        return std::count_if(rows.begin(), rows.end(), [](auto* row) { return row->isEnabled(); });
    };
    // The default selection holds three: spotlight (the 11th row) among them.
    EXPECT_EQ(section.title(), QStringLiteral("上部ボタン（3/3）"));
    EXPECT_EQ(enabledCount(), 3);
    ASSERT_EQ(rows.at(10)->presetId(), "spotlight");
    ASSERT_TRUE(rows.at(10)->isChecked());
    QTest::mouseClick(rows.at(10), Qt::LeftButton);
    EXPECT_EQ(section.title(), QStringLiteral("上部ボタン（2/3）"));
    EXPECT_EQ(enabledCount(), 12);
    EXPECT_FALSE(rows.at(10)->isChecked());

    QTest::keyClick(rows.at(0), Qt::Key_Space);
    EXPECT_EQ(*rig.controller->systemButtonIDs(), (Ids { "screenshot", "missioncontrol", "copy" }));
    EXPECT_TRUE(rows.at(0)->isChecked());
    EXPECT_EQ(enabledCount(), 3);
}

TEST_F(SettingsWindowTest, TenRegisteredAppsReplaceTheMenuWithTheLimitText)
{
    for (int i = 0; i < 11; ++i) {
        const auto n = std::to_string(i);
        rig.workspace.scanned.push_back({ "app.n" + n, "App " + std::to_string(10 + i), "/" + n });
    }
    auto& section = window.registeredApps();
    auto* menu = section.addButton()->menu();
    ASSERT_TRUE(menu);
    rig.adapter->addRegisteredApp("org.example.Gone"); // no longer installed: shown by its id
    EXPECT_TRUE(shows(section, QStringLiteral("org.example.Gone")));
    for (int i = 0; i < 9; ++i) {
        Q_EMIT menu->aboutToShow();
        menu->actions().at(0)->trigger();
    }
    EXPECT_TRUE(shows(section, QStringLiteral("App 18")));
    EXPECT_FALSE(section.addButton()->isVisibleTo(&window));
    EXPECT_TRUE(section.limitText()->isVisibleTo(&window));
    EXPECT_EQ(section.limitText()->text(), QStringLiteral("登録上限に達しました"));
    EXPECT_EQ(section.list().rows().size(), 10U);

    rig.adapter->removeRegisteredApp("app.n3");
    EXPECT_TRUE(section.addButton()->isVisibleTo(&window));
    EXPECT_FALSE(section.limitText()->isVisibleTo(&window));
    Q_EMIT menu->aboutToShow();
    ASSERT_EQ(menu->actions().size(), 3) << "only applications not registered yet";
    EXPECT_EQ(menu->actions().at(0)->text(), QStringLiteral("App 13"));
}

TEST_F(SettingsWindowTest, ASiteRenamedKeyByKeyThenClearedReturnsToItsAutomaticName)
{
    window.showWindow();
    rig.adapter->addFavoriteSite("example.com", "", std::nullopt);
    const auto& sites = *rig.controller->favoriteSites();
    auto* row = static_cast<SiteRow*>(window.favoriteSites().list().row(sites.at(0).id));
    ASSERT_TRUE(row);
    QLineEdit* field = row->nameField();
    EXPECT_EQ(field->text(), QStringLiteral("example.com"));

    QApplication::setActiveWindow(&window);
    field->setFocus();
    ASSERT_TRUE(field->hasFocus());
    field->selectAll();
    Ids names;
    for (const char* key : { "D", "o", "c", "s" }) {
        QTest::keyClicks(field, key);
        names.push_back(rig.controller->favoriteSites()->at(0).name);
    }
    EXPECT_EQ(names, (Ids { "D", "Do", "Doc", "Docs" }));
    EXPECT_TRUE(rig.controller->favoriteSites()->at(0).userNamed);

    for (int i = 0; i < 4; ++i)
        QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(rig.controller->favoriteSites()->at(0).userNamed);
    EXPECT_EQ(field->text(), QString()) << "an empty name shows the placeholder";
    EXPECT_EQ(field->placeholderText(), QStringLiteral("表示名"));
}

TEST_F(SettingsWindowTest, AddingASiteWithSafariPassesItsIdAndClearsTheFormUntilTen)
{
    auto& section = window.favoriteSites();
    EXPECT_FALSE(section.addButton()->isEnabled());
    QTest::keyClicks(section.urlField(), "  ");
    EXPECT_FALSE(section.addButton()->isEnabled());
    QTest::keyClicks(section.urlField(), "kavora.example");
    QTest::keyClicks(section.nameField(), "Kavora");
    section.browserPicker()->setCurrentIndex(2);
    EXPECT_EQ(section.browserPicker()->currentText(), QStringLiteral("Safari"));
    QTest::mouseClick(section.addButton(), Qt::LeftButton);

    const auto& sites = *rig.controller->favoriteSites();
    ASSERT_EQ(sites.size(), 1U);
    EXPECT_EQ(sites[0],
              (FavoriteSite { "https://kavora.example", "https://kavora.example", "Kavora",
                              "com.apple.Safari", std::nullopt, true }));
    EXPECT_EQ(section.urlField()->text(), QString());
    EXPECT_EQ(section.nameField()->text(), QString());
    EXPECT_EQ(section.browserPicker()->currentIndex(), 0);
    EXPECT_EQ(section.title(), QStringLiteral("お気に入りサイト（1/10）"));
    EXPECT_TRUE(shows(section, QStringLiteral("Safari")));

    QTest::keyClicks(section.urlField(), "second.example");
    QTest::keyClick(section.addButton(), Qt::Key_Space);
    EXPECT_EQ(sites.at(1).browserBundleId, std::nullopt) << "the default browser passes none";

    for (int i = 2; i < 10; ++i)
        rig.adapter->addFavoriteSite("s" + std::to_string(i) + ".example", "", std::nullopt);
    EXPECT_FALSE(section.form()->isVisibleTo(&window));
    EXPECT_TRUE(section.limitText()->isVisibleTo(&window));
}

TEST_F(SettingsWindowTest, TheConnectionSectionFollowsWithoutReopening)
{
    test::UiRig untrusted(false);
    SettingsWindow shown(*untrusted.adapter);
    shown.showWindow();
    EXPECT_TRUE(shows(shown.connection(), QStringLiteral("未接続")));
    EXPECT_TRUE(shows(shown.connection(), QStringLiteral("未許可")));

    untrusted.adapter->setAdvertising(true);
    untrusted.connect("Pad");
    untrusted.accessibility.trusted = true;
    untrusted.scheduler.advance(Seconds(1.5));
    EXPECT_TRUE(shows(shown.connection(), QStringLiteral("接続中")));
    EXPECT_TRUE(shows(shown.connection(), QStringLiteral("許可済み")));
    EXPECT_TRUE(shows(shown.advertising(), QStringLiteral("接続中 · Pad")));
}

TEST_F(SettingsWindowTest, WithoutATrayItOffersTheQuitAndSaysWhatClosingDoes)
{
    window.showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QSignalSpy quit(&window, &SettingsWindow::quitRequested);
    EXPECT_FALSE(window.quitButton().isVisible()) << "with a tray, the panel quits";
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quit.count(), 1) << "Ctrl+Q quits wherever the window is";

    window.offerQuit(true);
    EXPECT_TRUE(shows(window, QStringLiteral("ウィンドウを閉じると Kavora は終了します。")));
    rig.adapter->setAdvertising(true);
    EXPECT_TRUE(shows(
        window, QStringLiteral("ウィンドウを閉じても接続を受け付け続けます。通知から戻れます。")));
    QTest::mouseClick(&window.quitButton(), Qt::LeftButton);
    EXPECT_EQ(quit.count(), 2);
}

} // namespace
} // namespace kavora
