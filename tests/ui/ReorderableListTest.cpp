// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ReorderableList.h"

#include "UiRig.h"
#include "ui/RegisteredAppsSection.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

namespace kavora {
namespace {

using Ids = std::vector<std::string>;

class ReorderableListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* id : { "A", "B", "C" })
            rig.adapter->addRegisteredApp(id);
        section.show();
    }
    ReorderableRow* row(const std::string& id) { return section.list().row(id); }
    Ids shownOrder()
    {
        Ids ids;
        for (const auto* shown : section.list().rows())
            ids.push_back(shown->rowId());
        return ids;
    }
    // What the toolkit delivers while a drag carrying `id` passes over or drops on a row.
    template <class Event> void deliver(const std::string& id, ReorderableRow* target)
    {
        QMimeData mime;
        mime.setText(QString::fromStdString(id));
        Event event(QPoint(5, 5), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    test::UiRig rig;
    RegisteredAppsSection section { *rig.adapter };
};

TEST_F(ReorderableListTest, ADraggedRowMovesOntoEachRowItEntersAndIsFadedUntilTheDrop)
{
    deliver<QDragEnterEvent>("A", row("C")); // text from elsewhere: no drag of this list
    section.list().drag().begin("A");
    section.list().showDragState();
    EXPECT_NE(row("A")->graphicsEffect(), nullptr);
    deliver<QDragEnterEvent>("B", row("C")); // not the row being dragged
    EXPECT_EQ(*rig.controller->registeredBundleIds(), (Ids { "A", "B", "C" }));

    deliver<QDragEnterEvent>("A", row("C"));
    EXPECT_EQ(*rig.controller->registeredBundleIds(), (Ids { "B", "C", "A" }));
    EXPECT_EQ(shownOrder(), (Ids { "B", "C", "A" }));
    deliver<QDropEvent>("A", row("A"));
    EXPECT_EQ(section.list().drag().dragging(), std::nullopt);
    EXPECT_EQ(row("A")->graphicsEffect(), nullptr);
}

TEST_F(ReorderableListTest, AltArrowsMoveTheFocusedRowAndTheTabOrderFollows)
{
    row("C")->setFocus();
    QTest::keyClick(row("C"), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(*rig.controller->registeredBundleIds(), (Ids { "A", "C", "B" }));
    QTest::keyClick(row("C"), Qt::Key_Up, Qt::AltModifier);
    QTest::keyClick(row("C"), Qt::Key_Up, Qt::AltModifier); // already first
    QTest::keyClick(row("A"), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(shownOrder(), (Ids { "C", "B", "A" }));

    // Tab from the first row goes through its remove button to the next row.
    const auto nextStop = [](QWidget* from) {
        QWidget* next = from->nextInFocusChain();
        while (next && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    };
    QWidget* button = nextStop(row("C"));
    ASSERT_TRUE(button);
    EXPECT_EQ(button->parentWidget(), row("C"));
    EXPECT_EQ(nextStop(button), row("B"));
}

} // namespace
} // namespace kavora
