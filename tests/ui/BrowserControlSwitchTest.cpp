// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The switch for control from a browser in the settings window's "接続" section, over the real
// browser access on an in-memory store, with pairing codes in virtual time.
#include "ui/BrowserControlSwitch.h"

#include "UiRig.h"
#include "platform/linux/peer/BrowserAccess.h"
#include "support/InMemoryUserDefaults.h"
#include "support/VirtualScheduler.h"
#include "ui/SettingsWindow.h"
#include "ui/StatusSections.h"
#include "ui/ToggleSwitch.h"
#include "wire/PairingTokens.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace kavora {
namespace {

class BrowserControlSwitchTest : public ::testing::Test {
protected:
    QImage qrImage() { return control().qrCode().pixmap().toImage(); }
    BrowserControlSwitch& control() { return *window.browserControl(); }
    bool shows(QWidget& widget) { return widget.isVisibleTo(&window); }

    test::UiRig rig;
    test::VirtualScheduler clock;
    test::InMemoryUserDefaults defaults;
    std::uint8_t issued = 0;
    PairingTokens tokens { clock, [this](std::size_t count) {
                              Bytes bytes(count, 0);
                              bytes.back() = ++issued;
                              return bytes;
                          } };
    BrowserAccess access { defaults, tokens, QHostAddress(QStringLiteral("192.168.1.20")) };
    SettingsWindow window { *rig.adapter, nullptr, &access };
};

TEST_F(BrowserControlSwitchTest, ShowsAddressAndCodeOnlyWhileServedAndRenewsTheUsedCode)
{
    ASSERT_NE(window.browserControl(), nullptr);
    EXPECT_TRUE(window.connection().isAncestorOf(window.browserControl()));
    EXPECT_EQ(control().toggle().text(), QStringLiteral("ブラウザから操作"));
    EXPECT_FALSE(control().toggle().isChecked()) << "off by default";
    EXPECT_FALSE(shows(control().address()));

    QTest::mouseClick(&control().toggle(), Qt::LeftButton);
    EXPECT_TRUE(defaults.boolValue(BrowserControl::kEnabledKey)) << "stored";
    EXPECT_FALSE(shows(control().address())) << "nothing to show until the page is served";

    access.served(47390);
    ASSERT_TRUE(shows(control().address()));
    const auto first = control().address().text();
    EXPECT_TRUE(first.startsWith(QStringLiteral("https://192.168.1.20:47390/#t=")))
        << first.toStdString();
    // The code's picture itself is QrCodeTest's.
    const auto image = qrImage();
    ASSERT_FALSE(image.isNull());

    ASSERT_TRUE(tokens.redeem(first.section(QStringLiteral("#t="), 1).toStdString()));
    EXPECT_NE(control().address().text(), first) << "a used code is replaced at once";
    EXPECT_NE(qrImage(), image);

    const auto second = control().address().text();
    QTest::mouseClick(window.browserControl()->findChild<QPushButton*>(), Qt::LeftButton);
    EXPECT_NE(control().address().text(), second) << "the button shows a new code";

    access.served(0);
    EXPECT_FALSE(shows(control().address()));
    QTest::mouseClick(&control().toggle(), Qt::LeftButton);
    EXPECT_FALSE(defaults.boolValue(BrowserControl::kEnabledKey));
    EXPECT_EQ(SettingsWindow(*rig.adapter).browserControl(), nullptr);
}

} // namespace
} // namespace kavora
