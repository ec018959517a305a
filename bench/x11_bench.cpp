// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The cost of one pointer motion posted through XTest, on an Xvfb server of the bench's own (so
// the desktop's pointer is never touched): posting alone, which writes the request to the
// server's socket, and posting then reading the pointer back, one round trip after which the
// server has handled the motion.
#include "platform/InputSettings.h"
#include "platform/linux/x11/X11EventServices.h"
#include "support/InMemoryUserDefaults.h"
#include "support/XvfbServer.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace kavora {
namespace {

struct Desktop {
    test::XvfbServer xvfb;
    test::InMemoryUserDefaults defaults;
    InputSettings settings { defaults };
    std::unique_ptr<X11EventServices> services;

    Desktop()
    {
        if (xvfb.running())
            services = std::make_unique<X11EventServices>(settings, xvfb.displayName());
    }
};

X11EventServices* services(benchmark::State& state)
{
    static Desktop desktop;
    if (!desktop.services || !desktop.services->isXTestUsable()) {
        state.SkipWithError("no Xvfb with XTEST");
        return nullptr;
    }
    return desktop.services.get();
}

// Successive positions, all different, so that every post moves the pointer.
MouseEvent motion(std::int64_t i)
{
    return { MouseEventType::MouseMoved,
             { double(100 + (i & 511)), double(100 + ((i >> 9) & 511)) },
             MouseButton::Left,
             std::nullopt };
}

void BM_X11PostMotion(benchmark::State& state)
{
    auto* x11 = services(state);
    if (!x11)
        return;
    std::int64_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(x11->postMouse(motion(i++)));
    x11->cursorLocation(); // let the server catch up before the next run
}
BENCHMARK(BM_X11PostMotion);

void BM_X11PostMotionAndReadBack(benchmark::State& state)
{
    auto* x11 = services(state);
    if (!x11)
        return;
    std::int64_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x11->postMouse(motion(i++)));
        benchmark::DoNotOptimize(x11->cursorLocation());
    }
}
BENCHMARK(BM_X11PostMotionAndReadBack);

} // namespace
} // namespace kavora
