// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/InputSettings.h"
#include "platform/linux/x11/X11EventServices.h"
#include "support/InMemoryUserDefaults.h"
#include "support/linux/ChildProcess.h"
#include "support/linux/PrivateSession.h"
#include "support/linux/X11TestClient.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kavora::test {

// The session's X server, shared by the cases of a suite. Each case gets a client of its own that
// records the input reaching it (with the pointer parked at the origin) and the event services
// under test. A case that changes the server (its keymap, monitors or pointer map) puts it back.
class X11InputTest : public testing::Test {
protected:
    using Kind = X11TestClient::Event::Kind;

    static bool at(const X11TestClient::Event& event, int x, int y)
    {
        return event.kind == Kind::Motion && event.x == x && event.y == y;
    }

    void SetUp() override
    {
        if (const auto missing = missingPrograms({ "Xvfb" }); !missing.empty())
            GTEST_SKIP() << missing;
        display_ = PrivateSession::instance().display();
        client_ = std::make_unique<X11TestClient>(display_);
        ASSERT_TRUE(client_->connected());
        client_->warpPointer(0, 0);
        ASSERT_TRUE(client_->recordInput());
        services_ = std::make_unique<X11EventServices>(settings_, display_);
        ASSERT_TRUE(services_->isXTestUsable());
    }

    // What arrived before a move to a spot no case uses, posted as an end mark: one line per
    // event (X11TestClient::describe), joined by ", ". The pointer is parked at the origin again.
    std::string arrived()
    {
        EXPECT_TRUE(services_->postMouse(
            { MouseEventType::MouseMoved, { 1917, 1077 }, MouseButton::Left, std::nullopt }));
        const auto events = client_->takeUntil([](const auto& e) { return at(e, 1917, 1077); });
        EXPECT_FALSE(events.empty()) << "the end mark did not arrive";
        client_->warpPointer(0, 0);
        client_->takeUntil([](const auto& e) { return at(e, 0, 0); });
        std::string lines;
        for (std::size_t i = 0; i + 1 < events.size(); ++i)
            lines += (i ? ", " : "") + X11TestClient::describe(events[i]);
        return lines;
    }

    // Runs an X client program (xrandr, setxkbmap ...) on the display; true when it succeeds.
    bool runClient(std::vector<std::string> argv) const
    {
        return run(std::move(argv), { { "DISPLAY", display_ } }).exitStatus == 0;
    }

    std::string display_;
    InMemoryUserDefaults defaults_;
    InputSettings settings_ { defaults_ };
    std::unique_ptr<X11TestClient> client_;
    std::unique_ptr<X11EventServices> services_;
};

} // namespace kavora::test
