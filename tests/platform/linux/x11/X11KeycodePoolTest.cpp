// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/x11/X11KeycodePool.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

using namespace std::chrono_literals;
using Clock = X11KeycodePool::Clock;

constexpr std::uint32_t kA = 0x1003042; // あ
constexpr std::uint32_t kI = 0x1003044; // い
constexpr std::uint32_t kU = 0x1003046; // う

const Clock::time_point t0 = Clock::time_point {} + 1h;

// Leases and releases at once, as a typed character does.
X11KeycodePool::Lease type(X11KeycodePool& pool, std::uint32_t keysym, Clock::time_point at)
{
    auto lease = pool.lease(keysym, at);
    EXPECT_TRUE(lease);
    pool.release(lease->keycode, lease->notBefore);
    return *lease;
}

TEST(X11KeycodePool, NeverUsedKeycodesGoFirstWithoutWaitAndABoundKeysymKeepsItsKeycode)
{
    X11KeycodePool pool({ 200, 201 });
    const auto first = type(pool, kA, t0);
    const auto second = type(pool, kI, t0 + 1ms);
    EXPECT_EQ(first.keycode, 200);
    EXPECT_EQ(second.keycode, 201);
    EXPECT_TRUE(first.rebind && second.rebind);
    EXPECT_EQ(second.notBefore, t0 + 1ms);
    const auto again = type(pool, kA, t0 + 2ms);
    EXPECT_EQ(again.keycode, 200);
    EXPECT_FALSE(again.rebind);
    EXPECT_EQ(pool.boundKeysym(200), kA);
}

TEST(X11KeycodePool, TheLeastRecentlyUsedKeycodeIsReusedAfterTheGuard)
{
    X11KeycodePool pool({ 200, 201 });
    type(pool, kA, t0);
    type(pool, kI, t0 + 10ms);
    type(pool, kA, t0 + 20ms); // あ is now the more recent one
    const auto reuse = type(pool, kU, t0 + 30ms);
    EXPECT_EQ(reuse.keycode, 201);
    EXPECT_TRUE(reuse.rebind);
    EXPECT_EQ(reuse.notBefore, t0 + 10ms + X11KeycodePool::kReuseGuard);
    EXPECT_EQ(pool.boundKeysym(201), kU);
}

TEST(X11KeycodePool, TheGuardCountsFromTheReleaseAndEndsExactly)
{
    X11KeycodePool pool({ 200 });
    auto held = pool.lease(kA, t0);
    pool.release(held->keycode, t0 + 50ms);
    EXPECT_EQ(pool.lease(kI, t0 + 149ms)->notBefore, t0 + 150ms);
    pool.release(200, t0 + 150ms);
    EXPECT_EQ(pool.lease(kU, t0 + 250ms)->notBefore, t0 + 250ms);
}

TEST(X11KeycodePool, AHeldKeycodeIsNeverTaken)
{
    X11KeycodePool pool({ 200 });
    ASSERT_TRUE(pool.lease(kA, t0));
    EXPECT_FALSE(pool.lease(kI, t0 + 1s));
    pool.release(200, t0 + 1s);
    EXPECT_TRUE(pool.lease(kI, t0 + 2s));
    EXPECT_FALSE(X11KeycodePool().lease(kA, t0));
}

TEST(X11KeycodePool, ResetKeepsTheBindingsThatStillHoldAndTheirUse)
{
    X11KeycodePool pool({ 200, 201 });
    type(pool, kA, t0);
    type(pool, kI, t0 + 1ms);
    pool.reset({ 200, 201, 202 }, [](int keycode, std::uint32_t) { return keycode == 200; });
    EXPECT_EQ(pool.boundKeysym(200), kA);
    EXPECT_FALSE(pool.boundKeysym(201));
    EXPECT_TRUE(pool.owns(202));
    // 202 was never used; the others keep their last use and so their guard.
    EXPECT_EQ(type(pool, kU, t0 + 2ms).keycode, 202);
    const auto reuse = pool.lease(0x61, t0 + 3ms);
    EXPECT_EQ(reuse->keycode, 200);
    EXPECT_EQ(reuse->notBefore, t0 + X11KeycodePool::kReuseGuard);
}

} // namespace
} // namespace kavora
