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

#include <algorithm>

namespace kavora {
namespace {

class MenuBarPanelTest : public ::testing::Test {
protected:
    QString statusText() const
    {
        // The status text is the only text beside the dot.
        return panel.findChild<StatusDotWidget*>()
            ->parentWidget()
            ->findChildren<QLabel*>()
            .at(0)
            ->text();
    }
    StatusDot dot() const { return panel.findChild<StatusDotWidget*>()->dot(); }
    QPushButton* button(const QString& text) const
    {
        for (auto* candidate : panel.findChildren<QPushButton*>()) {
            if (candidate->text() == text)
                return candidate;
        }
        return nullptr;
    }
    bool showsText(const QString& text) const
    {
        const auto labels = panel.findChildren<QLabel*>();
        return std::any_of(labels.begin(), labels.end(), [&](const QLabel* label) {
            return label->text() == text && label->isVisibleTo(&panel);
        });
    }

    test::UiRig rig { false };
    MenuBarPanel panel { *rig.adapter };
};

TEST_F(MenuBarPanelTest, StatusFollowsTheSwitchAndTheConnection)
{
    auto* toggle = panel.findChild<ToggleSwitch*>();
    EXPECT_EQ(statusText(), QStringLiteral("オフ"));
    EXPECT_EQ(dot(), StatusDot::Grey);
    EXPECT_FALSE(toggle->isChecked());

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(*rig.controller->isAdvertising());
    EXPECT_EQ(rig.framework.advertiser->lines, std::vector<std::string> { "start" });
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_EQ(statusText(), QStringLiteral("接続を待機中…"));
    EXPECT_EQ(dot(), StatusDot::Yellow);

    rig.connect("Pad");
    EXPECT_EQ(statusText(), QStringLiteral("接続中 · Pad"));
    EXPECT_EQ(dot(), StatusDot::Brand);

    // Off while connected disconnects the device.
    QTest::keyClick(toggle, Qt::Key_Space);
    rig.scheduler.runPending();
    EXPECT_FALSE(*rig.controller->isConnected());
    EXPECT_EQ(statusText(), QStringLiteral("オフ"));
    EXPECT_EQ(dot(), StatusDot::Grey);
}

TEST_F(MenuBarPanelTest, PermissionBlockAsksAndTurnsGrantedByItself)
{
    EXPECT_TRUE(showsText(QStringLiteral("アクセシビリティ権限が必要です")));
    EXPECT_TRUE(showsText(QStringLiteral("マウス・キーボード操作に必要です。")));
    EXPECT_FALSE(showsText(QStringLiteral("操作可能です")));

    QTest::mouseClick(button(QStringLiteral("設定を開く")), Qt::LeftButton);
    EXPECT_EQ(rig.accessibility.trustRequests, 1);

    rig.accessibility.trusted = true;
    rig.scheduler.advance(Seconds(1.5));
    EXPECT_TRUE(showsText(QStringLiteral("操作可能です")));
    EXPECT_FALSE(showsText(QStringLiteral("アクセシビリティ権限が必要です")));
}

TEST_F(MenuBarPanelTest, FollowsASwitchToADarkPalette)
{
    const QPalette light = QApplication::palette();
    const auto warningColour = [&] {
        for (auto* label : panel.findChildren<QLabel*>()) {
            if (label->text() == QStringLiteral("アクセシビリティ権限が必要です"))
                return label->palette().color(QPalette::WindowText);
        }
        return QColor();
    };
    EXPECT_EQ(warningColour(), QColor(0xFF, 0x95, 0x00));

    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x24, 0x24, 0x24));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::PlaceholderText, QColor(0x9A, 0x9A, 0x9A));
    QApplication::setPalette(dark);
    QApplication::processEvents();
    EXPECT_EQ(warningColour(), QColor(0xFF, 0x9F, 0x0A)) << "the dark variant";
    QLabel* status
        = panel.findChild<StatusDotWidget*>()->parentWidget()->findChildren<QLabel*>().at(0);
    EXPECT_EQ(status->palette().color(status->foregroundRole()), QColor(0x9A, 0x9A, 0x9A))
        << "secondary text comes from the palette";
    QApplication::setPalette(light);
}

TEST_F(MenuBarPanelTest, FooterCommandsAreSignalled)
{
    QSignalSpy settings(&panel, &MenuBarPanel::settingsRequested);
    QSignalSpy quit(&panel, &MenuBarPanel::quitRequested);
    QTest::mouseClick(button(QStringLiteral("設定…")), Qt::LeftButton);
    QTest::mouseClick(button(QStringLiteral("終了")), Qt::LeftButton);
    EXPECT_EQ(settings.count(), 1);
    EXPECT_EQ(quit.count(), 1);
}

TEST_F(MenuBarPanelTest, OpensTwoHundredSixtyWideInsideTheScreenAndClosesOnDeactivation)
{
    panel.popUp(QRect(5000, 5000, 22, 22));
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.width(), MenuBarPanel::kWidth);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(panel.geometry())) << "kept inside the available area";

    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&panel, &deactivate);
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(MenuBarPanelTest, TrayIconFollowsTheConnectionAndOffersThePanelsCommands)
{
    StatusTrayIcon tray(*rig.adapter, panel);
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
