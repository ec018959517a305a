#pragma once

#include "platform/InputSettings.h"
#include "platform/linux/x11/X11EventServices.h"
#include "support/InMemoryUserDefaults.h"
#include "support/XvfbServer.h"
#include "support/linux/X11TestWindow.h"

#include <gtest/gtest.h>

#include <memory>

namespace kavora::test {

// Every test gets an X server of its own, a window of its own on it that records what arrives,
// and the event services under test connected to that server.
class X11DisplayFixture : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(xvfb_.running()) << "Xvfb did not start";
        window_ = std::make_unique<X11TestWindow>(xvfb_.displayName());
        ASSERT_TRUE(window_->ready());
        services_ = std::make_unique<X11EventServices>(settings_, xvfb_.displayName());
        ASSERT_TRUE(services_->isXTestUsable());
    }

    XvfbServer xvfb_;
    InMemoryUserDefaults defaults_;
    InputSettings settings_ { defaults_ };
    std::unique_ptr<X11TestWindow> window_;
    std::unique_ptr<X11EventServices> services_;
};

} // namespace kavora::test
