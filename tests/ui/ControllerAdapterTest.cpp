// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ControllerAdapter.h"

#include "UiRig.h"
#include "ui/MenuBarPanel.h"
#include "ui/SettingsWindow.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace kavora {
namespace {

// Counts the paint events of the widgets it watches.
class PaintCounter final : public QObject {
public:
    void watch(QWidget& window)
    {
        window.installEventFilter(this);
        for (auto* child : window.findChildren<QWidget*>())
            child->installEventFilter(this);
    }
    int paints = 0;

    // Runs the event loop until 100 ms pass without a paint (at most 5 s): what was shown has
    // been painted, however slow the machine is.
    void settle()
    {
        for (int waited = 0; waited < 5000; waited += 100) {
            const int before = paints;
            QTest::qWait(100);
            if (paints == before)
                return;
        }
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

TEST(ControllerAdapter, SignalsOnlyRealChanges)
{
    test::UiRig rig;
    QSignalSpy advertising(rig.adapter.get(), &ControllerAdapter::isAdvertisingChanged);
    QSignalSpy granted(rig.adapter.get(), &ControllerAdapter::accessibilityGrantedChanged);
    QSignalSpy buttons(rig.adapter.get(), &ControllerAdapter::systemButtonIDsChanged);
    rig.adapter->setAdvertising(true);
    rig.adapter->setAdvertising(true);
    EXPECT_EQ(advertising.count(), 1);
    rig.adapter->toggleSystemButton("copy"); // refused at three: assigned nothing
    rig.adapter->removeRegisteredApp("not.registered"); // reassigns the same list
    EXPECT_EQ(buttons.count(), 0);
    rig.connect("Pad");
    rig.receive(R"({"mouseDelta":{"dx":1,"dy":0}})", "Pad"); // re-checks the permission
    EXPECT_EQ(granted.count(), 0);
}

TEST(ControllerAdapter, PointerInputCostsTheViewsNothingWhileNoOneShowsTheDebugValues)
{
    test::UiRig rig;
    SettingsWindow window(*rig.adapter);
    MenuBarPanel panel(*rig.adapter);
    window.showWindow();
    panel.popUp(QRect(100, 0, 22, 22));
    rig.adapter->setAdvertising(true);
    rig.connect("Pad");
    PaintCounter counter;
    counter.watch(window);
    counter.watch(panel);
    counter.settle(); // shown, activated, painted
    counter.paints = 0;
    QSignalSpy anyChange(rig.adapter.get(), &ControllerAdapter::isConnectedChanged);

    // One second of pointer input at 120 Hz.
    for (int frame = 0; frame < 120; ++frame) {
        rig.receive(R"({"mouseDelta":{"dx":2,"dy":1}})", "Pad");
        rig.scheduler.advance(Seconds(1.0 / 120));
    }
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    EXPECT_EQ(anyChange.count(), 0);
    EXPECT_EQ(rig.adapter->debugReceivedCount(), 0) << "not followed";

    // A change the views show does repaint them.
    rig.adapter->setAdvertising(false);
    rig.scheduler.runPending();
    counter.settle();
    EXPECT_GT(counter.paints, 0);

    QSignalSpy debug(rig.adapter.get(), &ControllerAdapter::debugValuesChanged);
    rig.receive(R"({"scroll":{"deltaY":3}})", "Pad");
    EXPECT_GE(debug.count(), 1);
    EXPECT_EQ(rig.adapter->debugReceivedCount(), 121);
    EXPECT_EQ(rig.adapter->debugLastEvent(), "スクロール");
}

} // namespace
} // namespace kavora
