// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/MenuBarPanel.h"

#include "UiRig.h"
#include "ui/StatusDotWidget.h"
#include "ui/StatusTrayIcon.h"
#include "ui/ToggleSwitch.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace kavora {
namespace {

class MenuBarPanelTest : public ::testing::Test {
protected:
    // The status text (the only text beside the dot) and the dot's colour.
    std::pair<QString, StatusDot> status() const
    {
        auto* dot = panel.findChild<StatusDotWidget*>();
        return { dot->parentWidget()->findChildren<QLabel*>().at(0)->text(), dot->dot() };
    }
    template <class Widget> Widget* withText(const QString& text) const
    {
        for (auto* candidate : panel.findChildren<Widget*>()) {
            if (candidate->text() == text && candidate->isVisibleTo(&panel))
                return candidate;
        }
        return nullptr;
    }

    test::UiRig rig { false };
    MenuBarPanel panel { *rig.adapter };
};

TEST_F(MenuBarPanelTest, StatusFollowsTheSwitchAndTheConnection)
{
    auto* toggle = panel.findChild<ToggleSwitch*>();
    EXPECT_EQ(status(), std::pair(QStringLiteral("オフ"), StatusDot::Grey));
    EXPECT_FALSE(toggle->isChecked());

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(rig.framework.advertiser->lines, std::vector<std::string> { "start" });
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_EQ(status(), std::pair(QStringLiteral("接続を待機中…"), StatusDot::Yellow));
    rig.connect("Pad");
    EXPECT_EQ(status(), std::pair(QStringLiteral("接続中 · Pad"), StatusDot::Brand));

    // Off while connected disconnects the device.
    QTest::keyClick(toggle, Qt::Key_Space);
    rig.scheduler.runPending();
    EXPECT_FALSE(*rig.controller->isConnected());
    EXPECT_EQ(status(), std::pair(QStringLiteral("オフ"), StatusDot::Grey));
}

TEST_F(MenuBarPanelTest, PermissionBlockAsksAndTurnsGrantedByItself)
{
    EXPECT_TRUE(withText<QLabel>(QStringLiteral("アクセシビリティ権限が必要です")));
    EXPECT_TRUE(withText<QLabel>(QStringLiteral("マウス・キーボード操作に必要です。")));
    EXPECT_FALSE(withText<QLabel>(QStringLiteral("操作可能です")));
    QTest::mouseClick(withText<QPushButton>(QStringLiteral("設定を開く")), Qt::LeftButton);
    EXPECT_EQ(rig.accessibility.trustRequests, 1);

    rig.accessibility.trusted = true;
    rig.scheduler.advance(Seconds(1.5));
    EXPECT_TRUE(withText<QLabel>(QStringLiteral("操作可能です")));
    EXPECT_FALSE(withText<QLabel>(QStringLiteral("アクセシビリティ権限が必要です")));
}

TEST_F(MenuBarPanelTest, FollowsASwitchToADarkPalette)
{
    const QPalette light = QApplication::palette();
    auto* warning = withText<QLabel>(QStringLiteral("アクセシビリティ権限が必要です"));
    EXPECT_EQ(warning->palette().color(QPalette::WindowText), QColor(0xFF, 0x95, 0x00));

    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x24, 0x24, 0x24));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::PlaceholderText, QColor(0x9A, 0x9A, 0x9A));
    QApplication::setPalette(dark);
    QApplication::processEvents();
    EXPECT_EQ(warning->palette().color(QPalette::WindowText), QColor(0xFF, 0x9F, 0x0A))
        << "the dark variant";
    QLabel* text = panel.findChild<StatusDotWidget*>()->parentWidget()->findChildren<QLabel*>()[0];
    EXPECT_EQ(text->palette().color(text->foregroundRole()), QColor(0x9A, 0x9A, 0x9A))
        << "secondary text comes from the palette";
    QApplication::setPalette(light);
}

TEST_F(MenuBarPanelTest, FooterCommandsAreSignalled)
{
    QSignalSpy settings(&panel, &MenuBarPanel::settingsRequested);
    QSignalSpy quit(&panel, &MenuBarPanel::quitRequested);
    QTest::mouseClick(withText<QPushButton>(QStringLiteral("設定…")), Qt::LeftButton);
    QTest::mouseClick(withText<QPushButton>(QStringLiteral("終了")), Qt::LeftButton);
    EXPECT_EQ(settings.count(), 1);
    EXPECT_EQ(quit.count(), 1);
}

TEST_F(MenuBarPanelTest, OpensTwoHundredSixtyWideInsideTheScreenAndClosesOnDeactivation)
{
    panel.popUp(QRect(5000, 5000, 22, 22));
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.width(), 260);
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(panel.geometry()));
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&panel, &deactivate);
    EXPECT_FALSE(panel.isVisible());

    // Where nothing says where the click was, in the middle of the screen; Escape closes it.
    panel.popUp(std::nullopt);
    const QPoint offCentre = panel.geometry().center()
        - QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2);
    QTest::keyClick(&panel, Qt::Key_Escape);
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(MenuBarPanelTest, TrayIconFollowsTheConnectionAndOffersThePanelsCommands)
{
    StatusTrayIcon tray(*rig.adapter, panel, true);
    const auto image = [&] { return tray.icon().icon().pixmap(22, 22).toImage(); };
    const QImage idle = image();
    EXPECT_EQ(tray.icon().toolTip(), QStringLiteral("Kavora"));
    rig.adapter->setAdvertising(true);
    rig.connect("Pad");
    EXPECT_NE(image(), idle);
    rig.adapter->setAdvertising(false);
    rig.scheduler.runPending();
    EXPECT_EQ(image(), idle);

    const auto actions = tray.menu().actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("設定…"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("終了"));
    QSignalSpy quit(&tray, &StatusTrayIcon::quitRequested);
    actions[1]->trigger();
    EXPECT_EQ(quit.count(), 1);
}

} // namespace
} // namespace kavora
