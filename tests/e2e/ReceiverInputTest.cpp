#include "PointerProbe.h"
#include "ReceiverProcess.h"
#include "RemoteController.h"
#include "platform/linux/settings/JsonFileUserDefaults.h"
#include "support/CapturingLog.h"
#include "support/linux/Polling.h"

#include <gtest/gtest.h>

#include <csignal>

namespace kavora::test {
namespace {

using nlohmann::json;

json mouseDelta(double dx, double dy)
{
    return { { "mouseDelta", { { "dx", dx }, { "dy", dy } } } };
}

// What a controller's messages do to the X server's pointer, seen by a client of the test's own.
class ReceiverInputTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(receiver.ready()) << "first line: " << receiver.banner() << "\n"
                                      << receiver.log();
        ASSERT_TRUE(probe.connected());
    }

    PointerProbe::State pointer() const { return probe.query().value_or(PointerProbe::State {}); }

    std::filesystem::path home;
    ReceiverProcess receiver { [this](const std::filesystem::path& made) { home = made; } };
    PointerProbe probe { receiver.xDisplay() };
};

TEST_F(ReceiverInputTest, MouseDeltasMoveTheXPointerTheirWay)
{
    RemoteController remote(receiver, "Test Pad");
    ASSERT_TRUE(remote.inSession()) << remote.errors();
    const auto start = pointer();

    ASSERT_TRUE(remote.send(mouseDelta(40, 25)));
    EXPECT_TRUE(pollUntil([&] {
        const auto now = pointer();
        return now.x > start.x && now.y > start.y;
    })) << "the pointer stayed near ("
        << start.x << "," << start.y << ")";

    const auto moved = pointer();
    ASSERT_TRUE(remote.send(mouseDelta(-40, 0)));
    EXPECT_TRUE(pollUntil([&] { return pointer().x < moved.x; }));
    EXPECT_FALSE(pointer().leftButtonHeld);
}

TEST_F(ReceiverInputTest, ASpeedWrittenWhileRunningAppliesWithoutARestart)
{
    RemoteController remote(receiver, "Test Pad");
    ASSERT_TRUE(remote.inSession()) << remote.errors();
    CapturingLog log;
    JsonFileUserDefaults(home / ".config/kavora", log).setDouble("macCursorSpeed", 3);

    // The receiver hears of the change through its event loop, beside the controller's
    // messages; from then on every step goes three times as far.
    bool tripled = false;
    for (int step = 0; step < 20 && !tripled; ++step) {
        const int dx = step % 2 == 0 ? 10 : -10;
        const auto before = pointer();
        ASSERT_TRUE(remote.send(mouseDelta(dx, 0)));
        ASSERT_TRUE(pollUntil([&] {
            const int x = pointer().x;
            return x == before.x + dx || x == before.x + 3 * dx;
        })) << "step "
            << step << " from x " << before.x << "\n"
            << receiver.log();
        tripled = pointer().x == before.x + 3 * dx;
    }
    EXPECT_TRUE(tripled) << receiver.log();
}

TEST_F(ReceiverInputTest, AControllerKilledInTheMiddleOfADragLeavesNoButtonHeld)
{
    RemoteController remote(receiver, "Dragging Pad");
    ASSERT_TRUE(remote.inSession()) << remote.errors();

    ASSERT_TRUE(remote.send({ { "dragStart", json::object() } }));
    ASSERT_TRUE(pollUntil([&] { return pointer().leftButtonHeld; })) << receiver.log();

    // No goodbye: the kernel closes its connection, which the receiver sees at once.
    ASSERT_EQ(::kill(remote.pid(), SIGKILL), 0);
    EXPECT_TRUE(pollUntil([&] { return !pointer().leftButtonHeld; }, kReplyTimeout))
        << receiver.log();
    EXPECT_TRUE(receiver.process().running());
}

} // namespace
} // namespace kavora::test
