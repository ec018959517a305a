#pragma once

#include "support/TemporaryFolder.h"
#include "support/XvfbServer.h"
#include "support/linux/Polling.h"
#include "support/linux/WindowManager.h"
#include "support/linux/X11TestClient.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kavora::test {

enum class Managed { ByOpenbox, No };

// A suite's own X server, managed by openbox unless asked otherwise, shared by the suite's cases:
// started before the first and stopped after the last. Each case gets a client of its own, whose
// windows go with it, and begins when no window is listed. It touches neither the environment
// nor Qt: code under test that needs an event loop makes its application first.
template <Managed managed> class X11ServerSuite : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        missing_ = managed == Managed::ByOpenbox ? missingPrograms({ "Xvfb", "openbox" })
                                                 : missingPrograms({ "Xvfb" });
        if (!missing_.empty())
            return;
        server_ = std::make_unique<XvfbServer>();
        logs_ = std::make_unique<TemporaryFolder>();
        if (managed == Managed::ByOpenbox && server_->running())
            manager_ = std::make_unique<WindowManager>(server_->displayName(),
                                                       (logs_->path() / "openbox.log").string());
    }
    static void TearDownTestSuite()
    {
        manager_.reset();
        server_.reset();
        logs_.reset();
    }

    void SetUp() override
    {
        if (!missing_.empty())
            GTEST_SKIP() << missing_;
        ASSERT_TRUE(server_->running()) << "Xvfb did not start";
        ASSERT_TRUE(managed == Managed::No || manager_->managing()) << "openbox did not start";
        client_ = std::make_unique<X11TestClient>(display());
        ASSERT_TRUE(client_->connected());
        if (managed == Managed::No)
            client_->writeRootWindows("_NET_CLIENT_LIST", {});
        ASSERT_TRUE(pollUntil([this] { return client_->rootWindows("_NET_CLIENT_LIST").empty(); }))
            << "the windows of the case before are still listed";
    }

    static const std::string& display() { return server_->displayName(); }

    // Maps a window and waits until the window manager lists it.
    unsigned long listedWindow(const X11TestClient::WindowTraits& traits)
    {
        const auto window = client_->createWindow(traits);
        EXPECT_TRUE(client_->awaitListed(window)) << traits.wmClass << " was never managed";
        return window;
    }

    std::unique_ptr<X11TestClient> client_;

private:
    static inline std::string missing_;
    static inline std::unique_ptr<XvfbServer> server_;
    static inline std::unique_ptr<WindowManager> manager_;
    static inline std::unique_ptr<TemporaryFolder> logs_;
};

} // namespace kavora::test
