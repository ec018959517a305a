// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "UiRig.h"
#include "ui/MenuBarPanel.h"
#include "ui/SettingsWindow.h"
#include "ui/SystemButtonsSection.h"
#include "ui/ToggleSwitch.h"

#include <QAccessible>
#include <QGroupBox>
#include <QPushButton>
#include <QSlider>

#include <gtest/gtest.h>

namespace kavora {
namespace {

QAccessibleInterface* accessible(QWidget* widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

// The widgets Tab reaches, in the order it reaches them.
std::vector<QWidget*> tabStops(QWidget& window)
{
    std::vector<QWidget*> stops;
    for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&window) && w->isEnabled())
            stops.push_back(w);
    }
    return stops;
}

class AccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rig.adapter->addRegisteredApp("org.example.One");
        rig.adapter->addFavoriteSite("example.com", "", std::nullopt);
        window.showWindow();
    }
    test::UiRig rig;
    SettingsWindow window { *rig.adapter };
    MenuBarPanel panel { *rig.adapter };
};

TEST_F(AccessibilityTest, EveryWindowAndControlHasANameAndARole)
{
    EXPECT_EQ(accessible(&window)->role(), QAccessible::Window);
    EXPECT_EQ(accessible(&window)->text(QAccessible::Name), QStringLiteral("Kavora 設定"));
    EXPECT_EQ(accessible(&panel)->role(), QAccessible::Window);
    EXPECT_EQ(accessible(&panel)->text(QAccessible::Name), QStringLiteral("Kavora"));

    std::vector<QWidget*> controls = tabStops(window);
    for (auto* w : panel.findChildren<QWidget*>()) {
        if (w->focusPolicy() & Qt::TabFocus)
            controls.push_back(w);
    }
    ASSERT_GT(controls.size(), 20U);
    QStringList names;
    for (QWidget* control : controls) {
        auto* iface = accessible(control);
        ASSERT_TRUE(iface);
        names.push_back(iface->text(QAccessible::Name));
        EXPECT_FALSE(names.back().isEmpty())
            << control->metaObject()->className() << " in "
            << control->parentWidget()->metaObject()->className() << " has no accessible name";
        EXPECT_NE(iface->role(), QAccessible::NoRole);
    }
    // Icon-only and menu buttons, enabled or not, say what they do.
    for (auto* button : window.findChildren<QAbstractButton*>())
        names.push_back(accessible(button)->text(QAccessible::Name));
    for (const char* name :
         { "アプリを追加", "サイトを追加", "「org.example.One」を削除", "「example.com」を削除" })
        EXPECT_TRUE(names.contains(QString::fromUtf8(name))) << name;
}

TEST_F(AccessibilityTest, SwitchesAndTopButtonsAreCheckBoxesWithTheirState)
{
    auto* advertising = window.findChild<ToggleSwitch*>();
    auto* iface = accessible(advertising);
    EXPECT_EQ(iface->role(), QAccessible::CheckBox);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Kavora"));
    EXPECT_FALSE(iface->state().checked);
    // An assistive technology's toggle asks the controller, which then shows the new value.
    iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(*rig.controller->isAdvertising());
    EXPECT_TRUE(accessible(advertising)->state().checked);

    const auto& rows = window.systemButtons().rows();
    auto* copy = accessible(rows.at(0));
    EXPECT_EQ(copy->role(), QAccessible::CheckBox);
    EXPECT_EQ(copy->text(QAccessible::Name), QStringLiteral("Copy"));
    EXPECT_TRUE(copy->state().disabled) << "three are selected";
    auto* spotlight = accessible(rows.at(10));
    EXPECT_TRUE(spotlight->state().checked);
    EXPECT_FALSE(spotlight->state().disabled);
}

TEST_F(AccessibilityTest, TabGoesThroughTheSectionsTopToBottom)
{
    const auto sectionOf = [&](QWidget* w) {
        const auto sections = window.findChildren<QGroupBox*>();
        for (qsizetype i = 0; i < sections.size(); ++i) {
            if (sections[i]->isAncestorOf(w))
                return static_cast<int>(i);
        }
        return -1;
    };
    int last = 0;
    const auto stops = tabStops(window);
    for (QWidget* stop : stops) {
        const int section = sectionOf(stop);
        if (section < 0)
            continue; // the scroll area itself
        EXPECT_GE(section, last) << accessible(stop)->text(QAccessible::Name).toStdString();
        last = std::max(last, section);
    }
    EXPECT_EQ(last, 4) << "reaches the favourite sites, the last section with controls";
}

} // namespace
} // namespace kavora
