// The input injector driving the real X11 event services: what a controller sends arrives at an
// ordinary X client as pointer motion, clicks, chords and text.

#include "input/CGEventInjector.h"
#include "support/CapturingLog.h"
#include "support/FakeAccessibility.h"
#include "support/RecordingAudioControl.h"
#include "support/RecordingLaunchServices.h"
#include "support/RecordingPasteboard.h"
#include "support/VirtualScheduler.h"
#include "support/linux/X11DisplayFixture.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace kavora::test {
namespace {

using Kind = X11TestWindow::Event::Kind;

class InjectorOnX11Test : public X11DisplayFixture {
protected:
    void SetUp() override
    {
        X11DisplayFixture::SetUp();
        injector_ = CGEventInjector::create({ scheduler_, settings_, *services_, pasteboard_,
                                              accessibility_, audio_, launcher_, log_ });
    }

    VirtualScheduler scheduler_;
    RecordingPasteboard pasteboard_;
    FakeAccessibility accessibility_;
    RecordingAudioControl audio_;
    RecordingLaunchServices launcher_;
    CapturingLog log_;
    std::shared_ptr<CGEventInjector> injector_;
};

TEST_F(InjectorOnX11Test, MotionMovesTheRealPointerFromWhereItWas)
{
    XWarpPointer(window_->display(), None, DefaultRootWindow(window_->display()), 0, 0, 0, 0, 400,
                 300);
    XSync(window_->display(), False);
    injector_->inject(msg::MouseDelta { 50, -40 });
    scheduler_.advance(Seconds(0.3));
    // The posts travel on the services' own connection: wait until the last one has arrived.
    const auto arrived = window_->waitFor(
        [](const auto& e) { return e.kind == Kind::Motion && e.x == 450 && e.y == 260; });
    EXPECT_TRUE(arrived);
    EXPECT_EQ(window_->pointer(), std::pair(450, 260));
}

TEST_F(InjectorOnX11Test, AClickArrivesWhereThePointerIsHeading)
{
    XWarpPointer(window_->display(), None, DefaultRootWindow(window_->display()), 0, 0, 0, 0, 100,
                 100);
    XSync(window_->display(), False);
    injector_->inject(msg::MouseDelta { 20, 20 });
    injector_->inject(msg::LeftClickDown {});
    injector_->inject(msg::LeftClickUp {});
    const auto press = window_->waitFor([](const auto& e) { return e.kind == Kind::ButtonDown; });
    ASSERT_TRUE(press);
    EXPECT_EQ(X11TestWindow::describe(*press), "press 1 (120,120)");
    EXPECT_TRUE(window_->waitFor([](const auto& e) { return e.kind == Kind::ButtonUp; }));
}

TEST_F(InjectorOnX11Test, CommandAArrivesAsControlA)
{
    injector_->inject(msg::KeyDown { 0x08, 0x04 });
    const auto key = window_->waitFor(
        [](const auto& e) { return e.kind == Kind::KeyDown && e.keysym == XK_a; });
    ASSERT_TRUE(key);
    EXPECT_EQ(X11TestWindow::describe(*key), "down a +Control");
}

TEST_F(InjectorOnX11Test, AJapaneseCharacterIsTypedEvenWithoutAKeyForIt)
{
    injector_->inject(msg::TextInput { "あ" });
    constexpr unsigned long kHiraganaA = 0x1003042;
    const auto key = window_->waitFor(
        [](const auto& e) { return e.kind == Kind::KeyDown && e.keysym == kHiraganaA; });
    EXPECT_TRUE(key);
}

} // namespace
} // namespace kavora::test
