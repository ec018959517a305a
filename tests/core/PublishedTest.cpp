#include "core/Published.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavora {
namespace {

TEST(Published, NotifiesEveryAssignmentEvenWhenUnchanged)
{
    Published<int> value(1);
    std::vector<int> seen;
    auto subscription = value.subscribe([&](const int& v) { seen.push_back(v); });
    value = 2;
    value = 2;
    EXPECT_EQ(seen, (std::vector<int> { 2, 2 }));
}

TEST(Published, CurrentFirstDeliversTheValueAtOnce)
{
    Published<std::string> value(std::string("a"));
    std::vector<std::string> seen;
    auto subscription
        = value.subscribe([&](const std::string& v) { seen.push_back(v); }, Delivery::CurrentFirst);
    value = "b";
    EXPECT_EQ(seen, (std::vector<std::string> { "a", "b" }));
}

TEST(Published, SubscriptionEndsWhenDestroyedAndMayOutliveThePublisher)
{
    int calls = 0;
    Subscription outlives;
    {
        Published<int> value;
        {
            auto subscription = value.subscribe([&](const int&) { ++calls; });
            value = 1;
        }
        value = 2;
        outlives = value.subscribe([&](const int&) { ++calls; });
    }
    outlives.reset();
    EXPECT_EQ(calls, 1);
}

TEST(Published, ObserverMayUnsubscribeAnotherDuringDelivery)
{
    Published<int> value;
    int secondCalls = 0;
    Subscription second;
    auto first = value.subscribe([&](const int&) { second.reset(); });
    second = value.subscribe([&](const int&) { ++secondCalls; });
    value = 1;
    value = 2;
    EXPECT_EQ(secondCalls, 0);
}

} // namespace
} // namespace kavora
