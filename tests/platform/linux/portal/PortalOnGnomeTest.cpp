// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The portal backend against a real GNOME compositor (HeadlessGnome): what it posts must reach a
// Wayland client and an Xwayland client, and nothing may reach them without the user's grant.
#include "platform/InputSettings.h"
#include "platform/MacKeyCodes.h"
#include "platform/linux/portal/PortalEventServices.h"
#include "platform/linux/portal/PortalSession.h"
#include "platform/linux/system/QtScheduler.h"
#include "support/CapturingLog.h"
#include "support/InMemoryUserDefaults.h"
#include "support/linux/HeadlessGnome.h"
#include "support/linux/Polling.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <sstream>

namespace kavora::test {
namespace {

using Client = HeadlessGnome::Client;
using State = PortalSession::State;

struct Position {
    int x = 0;
    int y = 0;
};

std::optional<Position> motionOf(const std::optional<std::string>& line)
{
    if (!line)
        return std::nullopt;
    std::istringstream words(*line);
    std::string word;
    Position at;
    words >> word >> at.x >> at.y;
    return at;
}

class PortalOnGnome : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& gnome = HeadlessGnome::instance();
        if (!gnome.problem().empty())
            GTEST_SKIP() << gnome.problem();
        static int argc = 1;
        static char name[] = "portal-tests";
        static char* argv[] = { name, nullptr };
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv); // kept to the end, as the D-Bus connection is
        scheduler_ = std::make_unique<QtScheduler>();
        session_ = std::make_unique<PortalSession>(*scheduler_, defaults_, log_);
        events_ = std::make_unique<PortalEventServices>(*session_, settings_);
        session_->beforeClose = [this] { events_->releaseAll(); };
    }
    void TearDown() override
    {
        if (session_)
            session_->close();
    }

    // Asks for a session and answers the desktop's dialog; the state it ends in.
    State openAnswering(bool share)
    {
        auto answer = HeadlessGnome::instance().answerDialog(share);
        session_->open();
        // As long as the script looks for the dialog, and the session's start after the answer.
        pollUntil(
            [this] {
                const auto state = session_->state();
                return state != State::Opening && state != State::AwaitingApproval;
            },
            HeadlessGnome::kDialogTimeout + std::chrono::seconds(15));
        return session_->state();
    }

    void typeMacKey(std::uint16_t key)
    {
        events_->postKey({ key, KeyState::Down, std::nullopt, std::nullopt });
        events_->postKey({ key, KeyState::Up, std::nullopt, std::nullopt });
    }

    void checkInputReaches(Client client)
    {
        auto observer = HeadlessGnome::instance().startObserver(client);
        ASSERT_TRUE(observer.started()) << "the observer did not show";
        ASSERT_EQ(openAnswering(true), State::Granted);
        // At once after the grant: the warm-up keeps the compositor from losing it.
        typeMacKey(0); // the A key
        EXPECT_TRUE(nextLine(observer, "KEY 97 38"));
        EXPECT_EQ(nextLine(observer, "TEXT"), "TEXT a");
        EXPECT_TRUE(events_->postKey({ 0, KeyState::Down, std::nullopt, u'!' }));
        EXPECT_TRUE(events_->postKey({ 0, KeyState::Up, std::nullopt, u'!' }));
        EXPECT_EQ(nextLine(observer, "TEXT"), "TEXT a!");
        EXPECT_FALSE(events_->canTypeCharacter(U'\u00e9')) << "not on the US layout";

        events_->postRelativeMotion(10, 5);
        const auto first = motionOf(nextLine(observer, "MOTION"));
        ASSERT_TRUE(first);
        events_->postRelativeMotion(7, 3);
        const auto second = motionOf(nextLine(observer, "MOTION"));
        ASSERT_TRUE(second);
        EXPECT_EQ(second->x - first->x, 7);
        EXPECT_EQ(second->y - first->y, 3);

        events_->postButtonAtCursor(MouseEventType::RightMouseDown, MouseButton::Right);
        events_->postButtonAtCursor(MouseEventType::RightMouseUp, MouseButton::Right);
        EXPECT_EQ(nextLine(observer, "B"), "BDOWN 3");
        EXPECT_EQ(nextLine(observer, "B"), "BUP 3");

        // Held when the session closes: released first.
        events_->postButtonAtCursor(MouseEventType::LeftMouseDown, MouseButton::Left);
        EXPECT_EQ(nextLine(observer, "B"), "BDOWN 1");
        session_->close();
        EXPECT_EQ(nextLine(observer, "B"), "BUP 1");
        EXPECT_FALSE(events_->postRelativeMotion(1, 1));
    }

    InMemoryUserDefaults defaults_;
    InputSettings settings_ { defaults_ };
    CapturingLog log_;
    std::unique_ptr<QtScheduler> scheduler_;
    std::unique_ptr<PortalSession> session_;
    std::unique_ptr<PortalEventServices> events_;
};

TEST_F(PortalOnGnome, ARefusedDialogLeavesNothingGrantedAndPostsNothing)
{
    auto observer = HeadlessGnome::instance().startObserver(Client::Wayland);
    ASSERT_TRUE(observer.started());
    EXPECT_EQ(openAnswering(false), State::Refused);
    EXPECT_FALSE(events_->postRelativeMotion(10, 10));
    EXPECT_FALSE(events_->postButtonAtCursor(MouseEventType::LeftMouseDown, MouseButton::Left));
    typeMacKey(0);
    EXPECT_FALSE(nextLine(observer, "KEY", std::chrono::milliseconds(500)));
    EXPECT_FALSE(nextLine(observer, "BDOWN", std::chrono::milliseconds(100)));
    EXPECT_EQ(log_.lines,
              (std::vector<std::string> { "kavora: the desktop did not allow remote input" }));
}

TEST_F(PortalOnGnome, GrantedInputReachesAWaylandClient)
{
    checkInputReaches(Client::Wayland);
}

TEST_F(PortalOnGnome, GrantedInputReachesAnXwaylandClient)
{
    checkInputReaches(Client::Xwayland);
}

TEST_F(PortalOnGnome, ScrollsAndShortcutsReachTheClient)
{
    auto observer = HeadlessGnome::instance().startObserver(Client::Wayland);
    ASSERT_TRUE(observer.started());
    ASSERT_EQ(openAnswering(true), State::Granted);
    // Positive pixels scroll up; 40 pixels make one wheel click's worth.
    // Onto the client, which scrolls where the pointer is. Under a heavy load the compositor can
    // still be adding the session's pointer after the warm-up, so the step may need repeating.
    bool moved = false;
    for (int attempt = 0; attempt < 3 && !moved; ++attempt) {
        events_->postRelativeMotion(5, 5);
        moved = nextLine(observer, "MOTION", std::chrono::seconds(2)).has_value();
    }
    ASSERT_TRUE(moved);
    events_->postScroll(-40);
    EXPECT_EQ(nextLine(observer, "SCROLL"), "SCROLL 0 1");
    // Command+A: Control held around the A, which selects the entry's text.
    for (const auto c : { u'x', u'y' }) {
        events_->postKey({ 0, KeyState::Down, std::nullopt, c });
        events_->postKey({ 0, KeyState::Up, std::nullopt, c });
    }
    EXPECT_EQ(nextLine(observer, "TEXT"), "TEXT x");
    EXPECT_EQ(nextLine(observer, "TEXT"), "TEXT xy");
    events_->postKey({ mackey::kCommand, KeyState::Down, std::nullopt, std::nullopt });
    events_->postKey({ 0, KeyState::Down, eventflag::kCommand, std::nullopt });
    events_->postKey({ 0, KeyState::Up, eventflag::kCommand, std::nullopt });
    events_->postKey({ mackey::kCommand, KeyState::Up, std::nullopt, std::nullopt });
    events_->postKey({ 0, KeyState::Down, std::nullopt, u'z' });
    events_->postKey({ 0, KeyState::Up, std::nullopt, u'z' });
    EXPECT_EQ(nextLine(observer, "TEXT z"), "TEXT z") << "the selection was replaced";
}

} // namespace
} // namespace kavora::test
