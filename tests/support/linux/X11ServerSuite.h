// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "support/linux/ChildProcess.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"
#include "support/linux/X11TestClient.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kavora::test {

enum class Managed { ByOpenbox, No };

// A suite on the session's X display (PrivateSession), managed by openbox unless asked otherwise.
// Each case gets a client of its own, whose windows go with it, and begins when no window is
// listed.
template <Managed managed> class X11ServerSuite : public testing::Test {
protected:
    void SetUp() override
    {
        const auto missing = managed == Managed::ByOpenbox ? missingPrograms({ "Xvfb", "openbox" })
                                                           : missingPrograms({ "Xvfb" });
        if (!missing.empty())
            GTEST_SKIP() << missing;
        if (managed == Managed::ByOpenbox)
            PrivateSession::instance().startWindowManager();
        else
            PrivateSession::instance().stopWindowManager();
        client_ = std::make_unique<X11TestClient>(display());
        ASSERT_TRUE(client_->connected());
        if (managed == Managed::No)
            client_->writeRootWindows("_NET_CLIENT_LIST", {});
        ASSERT_TRUE(pollUntil([this] { return client_->rootWindows("_NET_CLIENT_LIST").empty(); }))
            << "the windows of the case before are still listed";
    }

    static const std::string& display() { return PrivateSession::instance().display(); }

    // Maps a window and waits until the window manager lists it.
    unsigned long listedWindow(const X11TestClient::WindowTraits& traits)
    {
        const auto window = client_->createWindow(traits);
        EXPECT_TRUE(client_->awaitListed(window)) << traits.wmClass << " was never managed";
        return window;
    }

    std::unique_ptr<X11TestClient> client_;
};

} // namespace kavora::test
