// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/Published.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavora {
namespace {

TEST(Published, NotifiesEveryAssignmentEvenWhenUnchangedAndCanDeliverTheCurrentValueFirst)
{
    Published<std::string> value(std::string("a"));
    std::vector<std::string> seen;
    auto later = value.subscribe([&](const std::string& v) { seen.push_back("later " + v); });
    auto first = value.subscribe([&](const std::string& v) { seen.push_back("first " + v); },
                                 Delivery::CurrentFirst);
    value = "b";
    value = "b";
    EXPECT_EQ(seen,
              (std::vector<std::string> { "first a", "later b", "first b", "later b", "first b" }));
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
