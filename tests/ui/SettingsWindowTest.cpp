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
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace kavora {
namespace {

using Ids = std::vector<std::string>;

class SettingsWindowTest : public ::testing::Test {
protected:
    std::vector<QString> labelTexts(QWidget* parent) const
    {
        std::vector<QString> texts;
        for (const auto* label : parent->findChildren<QLabel*>()) {
            if (label->isVisibleTo(&window))
                texts.push_back(label->text());
        }
        return texts;
    }
    static bool shows(const std::vector<QString>& texts, const QString& text)
    {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    test::UiRig rig;
    SettingsWindow window { *rig.adapter };
};

TEST_F(SettingsWindowTest, OpensTitledAtItsSizeAndKeepsTheSameWindowAcrossAClose)
{
    window.showWindow();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kavora 設定"));
    EXPECT_EQ(window.size(), QSize(400, 640));
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

TEST_F(SettingsWindowTest, CursorSpeedAtTheRightEndIsStoredAndUsedByTheNextPointerMessage)
{
    auto* slider = window.findChildren<QSlider*>().at(0);
    ASSERT_EQ(slider->accessibleName(), QStringLiteral("カーソル速度"));
    EXPECT_EQ(slider->value(), 10);
    EXPECT_FALSE(rig.defaults.contains("macCursorSpeed")) << "shown, not written";

    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(rig.defaults.doubleValue("macCursorSpeed"), 3.0);
    EXPECT_TRUE(shows(labelTexts(&window.tracking()), QStringLiteral("3.0")));

    rig.defaults.setDouble("macCursorSmoothing", 1.0); // one frame reaches the target
    rig.events.cursor = { 100, 100 };
    rig.connect("Pad");
    rig.receive(R"({"mouseDelta":{"dx":10,"dy":0}})", "Pad");
    rig.scheduler.advance(Seconds(0.02));
    EXPECT_EQ(rig.events.cursor.x, 130);
}

TEST_F(SettingsWindowTest, SpeedStepsAreTenthsShownWithOneDecimal)
{
    auto* scroll = window.findChildren<QSlider*>().at(1);
    QTest::keyClick(scroll, Qt::Key_Home);
    EXPECT_EQ(rig.defaults.doubleValue("macScrollSpeed"), 0.5);
    QTest::keyClick(scroll, Qt::Key_Right);
    EXPECT_DOUBLE_EQ(rig.defaults.doubleValue("macScrollSpeed"), 0.6);
    EXPECT_TRUE(shows(labelTexts(&window.tracking()), QStringLiteral("0.6")));
}

TEST_F(SettingsWindowTest, NaturalScrollIsOnWhileUnsetAndWrittenWhenSwitched)
{
    const auto buttons = window.tracking().findChildren<QAbstractButton*>();
    ASSERT_EQ(buttons.size(), 1);
    auto* naturalScroll = buttons.at(0);
    EXPECT_TRUE(naturalScroll->isChecked());
    QTest::keyClick(naturalScroll, Qt::Key_Space);
    EXPECT_FALSE(rig.defaults.boolValue("macNaturalScroll"));
    EXPECT_TRUE(rig.defaults.contains("macNaturalScroll"));
    EXPECT_FALSE(naturalScroll->isChecked());
}

TEST_F(SettingsWindowTest, ThreeTopButtonsDisableTheOtherNineUntilOneIsDeselected)
{
    auto& section = window.systemButtons();
    const auto enabledCount = [&] {
        return std::count_if(section.rows().begin(), section.rows().end(),
                             [](const PresetRow* row) { return row->isEnabled(); });
    };
    // The default selection holds three.
    EXPECT_EQ(section.title(), QStringLiteral("上部ボタン（3/3）"));
    EXPECT_EQ(enabledCount(), 3);
    auto* copy = section.rows().at(0);
    QTest::mouseClick(copy, Qt::LeftButton);
    EXPECT_EQ(*rig.controller->systemButtonIDs(),
              (Ids { "spotlight", "screenshot", "missioncontrol" }));

    auto* spotlight
        = *std::find_if(section.rows().begin(), section.rows().end(),
                        [](const PresetRow* row) { return row->presetId() == "spotlight"; });
    ASSERT_TRUE(spotlight->isChecked());
    QTest::mouseClick(spotlight, Qt::LeftButton);
    EXPECT_EQ(section.title(), QStringLiteral("上部ボタン（2/3）"));
    EXPECT_EQ(enabledCount(), 12);
    EXPECT_FALSE(spotlight->isChecked());

    QTest::keyClick(copy, Qt::Key_Space);
    EXPECT_EQ(*rig.controller->systemButtonIDs(), (Ids { "screenshot", "missioncontrol", "copy" }));
    EXPECT_TRUE(copy->isChecked());
    EXPECT_EQ(enabledCount(), 3);
}

TEST_F(SettingsWindowTest, TenRegisteredAppsReplaceTheMenuWithTheLimitText)
{
    for (int i = 0; i < 11; ++i)
        rig.workspace.scanned.push_back({ "app.n" + std::to_string(i),
                                          "App " + std::to_string(10 + i),
                                          "/apps/" + std::to_string(i) });
    auto& section = window.registeredApps();
    auto* menu = section.addButton()->menu();
    ASSERT_TRUE(menu);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(section.addButton()->isVisibleTo(&window));
        Q_EMIT menu->aboutToShow();
        ASSERT_EQ(menu->actions().size(), 11 - i) << "only applications not registered yet";
        menu->actions().at(0)->trigger();
    }
    EXPECT_EQ(rig.controller->registeredBundleIds()->size(), 10U);
    EXPECT_FALSE(section.addButton()->isVisibleTo(&window));
    EXPECT_TRUE(section.limitText()->isVisibleTo(&window));
    EXPECT_EQ(section.limitText()->text(), QStringLiteral("登録上限に達しました"));
    EXPECT_EQ(section.list().rows().size(), 10U);

    rig.adapter->removeRegisteredApp("app.n3");
    EXPECT_TRUE(section.addButton()->isVisibleTo(&window));
    EXPECT_FALSE(section.limitText()->isVisibleTo(&window));
    Q_EMIT menu->aboutToShow();
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions().at(0)->text(), QStringLiteral("App 13"));
}

TEST_F(SettingsWindowTest, AnUninstalledAppIsListedByItsId)
{
    rig.workspace.scanned.push_back({ "org.example.Here", "Here", "/apps/here" });
    rig.adapter->addRegisteredApp("org.example.Here");
    rig.adapter->addRegisteredApp("org.example.Gone");
    const auto texts = labelTexts(&window.registeredApps());
    EXPECT_TRUE(shows(texts, QStringLiteral("Here")));
    EXPECT_TRUE(shows(texts, QStringLiteral("org.example.Gone")));
}

TEST_F(SettingsWindowTest, ASiteRenamedKeyByKeyThenClearedReturnsToItsAutomaticName)
{
    auto& section = window.favoriteSites();
    window.showWindow();
    rig.adapter->addFavoriteSite("example.com", "", std::nullopt);
    const auto& sites = *rig.controller->favoriteSites();
    ASSERT_EQ(sites.size(), 1U);
    auto* row = static_cast<SiteRow*>(section.list().row(sites[0].id));
    ASSERT_TRUE(row);
    QLineEdit* field = row->nameField();
    EXPECT_EQ(field->text(), QStringLiteral("example.com"));

    QApplication::setActiveWindow(&window);
    field->setFocus();
    ASSERT_TRUE(field->hasFocus());
    field->selectAll();
    std::vector<std::string> names;
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

    // The device gets the automatic name again.
    rig.adapter->setAdvertising(true);
    rig.connect("Pad");
    rig.framework.session->lines.clear();
    rig.receive(R"({"requestFavoriteSites":{}})", "Pad");
    ASSERT_EQ(rig.framework.session->lines.size(), 1U);
    EXPECT_NE(rig.framework.session->lines[0].find(R"("name":"example.com")"), std::string::npos)
        << rig.framework.session->lines[0];
}

TEST_F(SettingsWindowTest, AddingASiteWithSafariPassesItsIdAndClearsTheForm)
{
    auto& section = window.favoriteSites();
    EXPECT_FALSE(section.addButton()->isEnabled());
    QTest::keyClicks(section.urlField(), "  ");
    EXPECT_FALSE(section.addButton()->isEnabled());
    QTest::keyClicks(section.urlField(), "kavora.example");
    EXPECT_TRUE(section.addButton()->isEnabled());
    QTest::keyClicks(section.nameField(), "Kavora");
    section.browserPicker()->setCurrentIndex(2);
    EXPECT_EQ(section.browserPicker()->currentText(), QStringLiteral("Safari"));
    QTest::mouseClick(section.addButton(), Qt::LeftButton);

    const auto& sites = *rig.controller->favoriteSites();
    ASSERT_EQ(sites.size(), 1U);
    EXPECT_EQ(sites[0].url, "https://kavora.example");
    EXPECT_EQ(sites[0].name, "Kavora");
    EXPECT_EQ(sites[0].browserBundleId, "com.apple.Safari");
    EXPECT_EQ(section.urlField()->text(), QString());
    EXPECT_EQ(section.nameField()->text(), QString());
    EXPECT_EQ(section.browserPicker()->currentIndex(), 0);
    EXPECT_EQ(section.title(), QStringLiteral("お気に入りサイト（1/10）"));
    EXPECT_TRUE(shows(labelTexts(&section), QStringLiteral("Safari")));

    QTest::keyClicks(section.urlField(), "second.example");
    QTest::keyClick(section.addButton(), Qt::Key_Space);
    EXPECT_EQ(rig.controller->favoriteSites()->at(1).browserBundleId, std::nullopt)
        << "the default browser passes none";
}

TEST_F(SettingsWindowTest, TenSitesReplaceTheFormWithTheLimitText)
{
    auto& section = window.favoriteSites();
    for (int i = 0; i < 10; ++i)
        rig.adapter->addFavoriteSite("s" + std::to_string(i) + ".example", "", std::nullopt);
    EXPECT_FALSE(section.form()->isVisibleTo(&window));
    EXPECT_TRUE(section.limitText()->isVisibleTo(&window));
    EXPECT_EQ(section.title(), QStringLiteral("お気に入りサイト（10/10）"));
}

TEST_F(SettingsWindowTest, TheConnectionSectionFollowsWithoutReopening)
{
    test::UiRig untrusted(false);
    SettingsWindow shown(*untrusted.adapter);
    shown.showWindow();
    const auto texts = [&](QWidget* section = nullptr) {
        std::vector<QString> all;
        for (const auto* label : (section ? section : &shown.connection())->findChildren<QLabel*>())
            all.push_back(label->text());
        return all;
    };
    EXPECT_TRUE(shows(texts(), QStringLiteral("未接続")));
    EXPECT_TRUE(shows(texts(), QStringLiteral("未許可")));

    untrusted.adapter->setAdvertising(true);
    untrusted.connect("Pad");
    untrusted.accessibility.trusted = true;
    untrusted.scheduler.advance(Seconds(1.5));
    EXPECT_TRUE(shows(texts(), QStringLiteral("接続中")));
    EXPECT_TRUE(shows(texts(), QStringLiteral("許可済み")));
    EXPECT_TRUE(shows(texts(&shown.advertising()), QStringLiteral("接続中 · Pad")));
}

TEST_F(SettingsWindowTest, TheVersionNamesThisPlatform)
{
    const auto texts = labelTexts(&window);
    EXPECT_TRUE(shows(texts, QStringLiteral(KAVORA_VERSION " (Linux)")));
    EXPECT_TRUE(shows(texts, QStringLiteral("Brivane Works inc.")));
}

} // namespace
} // namespace kavora
