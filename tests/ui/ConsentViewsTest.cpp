// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ConsentPrompt.h"

#include "UiRig.h"
#include "ui/SettingsWindow.h"
#include "ui/StatusSections.h"
#include "ui/TrustedDevicesList.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace kavora {
namespace {

using Lines = std::vector<std::string>;

// Chooses its own name: shown as text, never as markup.
const PeerID kPad { 11, "<b>Pad</b>", std::string(64, 'd'), "123456" };

class ConsentViewsTest : public ::testing::Test {
protected:
    void SetUp() override { rig.controller->setAdvertising(true); }
    InvitationDecision invite(const PeerID& peer) { return rig.framework.advertiser->invite(peer); }
    Lines answers() { return std::exchange(rig.framework.advertiser->lines, {}); }

    test::UiRig rig;
};

TEST_F(ConsentViewsTest, ThePromptAsksWithNameAndCodeAndClosesHoweverTheRequestEnds)
{
    ConsentPrompt prompt(*rig.adapter);
    EXPECT_FALSE(prompt.isVisible());
    // clang-format off
    const std::tuple<const char*, std::function<void()>, Lines> rows[] = {
        { "許可 allows", [&] { QTest::mouseClick(prompt.allowButton(), Qt::LeftButton); }, { "answer <b>Pad</b> accepted" } },
        { "拒否 declines", [&] { QTest::mouseClick(prompt.declineButton(), Qt::LeftButton); }, { "answer <b>Pad</b> declined" } },
        { "closing the window declines", [&] { QTest::keyClick(&prompt, Qt::Key_Escape); }, { "answer <b>Pad</b> declined" } },
        { "the controller went away", [&] { rig.framework.advertiser->heldPeerLeaves(kPad); }, {} },
    };
    // clang-format on
    for (const auto& [shows, end, expected] : rows) {
        SCOPED_TRACE(shows);
        rig.scheduler.advance(Seconds(60)); // past the cool-down of the row before
        rig.controller->revokeTrustedDevice(kPad.fingerprint);
        answers();
        ASSERT_EQ(invite(kPad), InvitationDecision::Hold);
        ASSERT_TRUE(prompt.isVisible());
        EXPECT_TRUE(prompt.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(prompt.headline()->text(),
                  QStringLiteral("「<b>Pad</b>」がこのコンピュータの操作を求めています"));
        EXPECT_EQ(prompt.headline()->textFormat(), Qt::PlainText);
        EXPECT_EQ(prompt.code()->text(), QStringLiteral("123 456"));
        EXPECT_EQ(prompt.allowButton()->text(), QStringLiteral("許可"));
        EXPECT_EQ(prompt.declineButton()->text(), QStringLiteral("拒否"));

        end();
        EXPECT_FALSE(prompt.isVisible());
        EXPECT_EQ(answers(), expected);
    }
}

TEST_F(ConsentViewsTest, TrustedDevicesAreListedByNameAndRemovedWithTheirButton)
{
    SettingsWindow window(*rig.adapter);
    auto& list = window.connection().trustedDevices();
    auto* none = [&]() -> QLabel* {
        for (auto* label : list.findChildren<QLabel*>()) {
            if (label->text() == QStringLiteral("信頼済みの端末はありません"))
                return label;
        }
        return nullptr;
    }();
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(list.rows().empty());
    EXPECT_TRUE(none->isVisibleTo(&window));

    const PeerID older { 12, "", std::string(64, 'e'), "000000" };
    ASSERT_EQ(invite(older), InvitationDecision::Hold);
    rig.controller->answerConsentRequest(ConsentAnswer::Allow);
    ASSERT_EQ(invite(kPad), InvitationDecision::Hold);
    rig.controller->answerConsentRequest(ConsentAnswer::Allow);

    ASSERT_EQ(list.rows().size(), 2U);
    EXPECT_FALSE(none->isVisibleTo(&window));
    // Both seen within this second: ties go by fingerprint.
    EXPECT_EQ(list.rows()[0]->name()->text(), QStringLiteral("<b>Pad</b>"));
    EXPECT_EQ(list.rows()[0]->name()->textFormat(), Qt::PlainText);
    EXPECT_EQ(list.rows()[1]->name()->text(), QStringLiteral("名前のない端末"));
    EXPECT_TRUE(list.rows()[1]->detail()->text().startsWith(QStringLiteral("最終接続 ")));
    EXPECT_TRUE(list.rows()[1]->detail()->text().endsWith(QStringLiteral(" · eeee…eeee")));
    EXPECT_EQ(list.rows()[0]->removeButton()->accessibleName(),
              QStringLiteral("「<b>Pad</b>」を削除"));

    QTest::mouseClick(list.rows()[0]->removeButton(), Qt::LeftButton);
    ASSERT_EQ(list.rows().size(), 1U);
    EXPECT_EQ(list.rows()[0]->fingerprint(), older.fingerprint);
    EXPECT_EQ(rig.controller->trustedDevices()->size(), 1U);
}

TEST_F(ConsentViewsTest, ATrustedDeviceIsRenamedInItsRowAndEscapeKeepsItsName)
{
    SettingsWindow window(*rig.adapter);
    auto& list = window.connection().trustedDevices();
    ASSERT_EQ(invite(kPad), InvitationDecision::Hold);
    rig.controller->answerConsentRequest(ConsentAnswer::Allow);
    window.show();
    for (const auto key : { Qt::Key_Escape, Qt::Key_Return }) {
        auto* device = list.rows().at(0);
        EXPECT_EQ(device->renameButton()->accessibleName(),
                  QStringLiteral("「<b>Pad</b>」の名前を変更"));
        QTest::mouseClick(device->renameButton(), Qt::LeftButton);
        QTest::keyClicks(device->nameField(), QStringLiteral("Kitchen tablet"));
        QTest::keyClick(device->nameField(), key);
        EXPECT_FALSE(list.rows().at(0)->nameField()->isVisibleTo(&window));
    }
    EXPECT_EQ(list.rows().at(0)->name()->text(), QStringLiteral("Kitchen tablet"));
}

// A device connecting while a name is typed rebuilds the list: the typing goes on where it was,
// and only Return stores the name.
TEST_F(ConsentViewsTest, ANameBeingTypedOutlivesTheListBeingRebuilt)
{
    SettingsWindow window(*rig.adapter);
    auto& list = window.connection().trustedDevices();
    ASSERT_EQ(invite(kPad), InvitationDecision::Hold);
    rig.controller->answerConsentRequest(ConsentAnswer::Allow);
    window.show();
    QTest::mouseClick(list.rows().at(0)->renameButton(), Qt::LeftButton);
    QTest::keyClicks(list.rows().at(0)->nameField(), QStringLiteral("Kitch"));

    ASSERT_EQ(invite({ 12, "Phone", std::string(64, 'e'), "000000" }), InvitationDecision::Hold);
    rig.controller->answerConsentRequest(ConsentAnswer::Allow);
    ASSERT_EQ(list.rows().size(), 2U);
    auto* pad = list.rows()[0]; // seen in the same second: first by fingerprint
    ASSERT_EQ(pad->fingerprint(), kPad.fingerprint);
    EXPECT_EQ(pad->name()->text(), QStringLiteral("<b>Pad</b>")); // nothing stored yet
    ASSERT_FALSE(pad->nameField()->isHidden());
    QTest::keyClicks(pad->nameField(), QStringLiteral("en"));
    QTest::keyClick(pad->nameField(), Qt::Key_Return);
    EXPECT_EQ(list.rows().at(0)->name()->text(), QStringLiteral("Kitchen"));
}

} // namespace
} // namespace kavora
