// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// How long a finger's (or a mouse's) motion takes to move the X pointer: from a touch or mouse
// event dispatched to the controller page, in Chromium (touches through the DevTools protocol, as
// a touch screen's reach the page) and in WebKit (touches created in the page, the mouse through
// WebDriver), to the first pointer motion the X server delivers to a client, beside the same
// figure for a `mouseDelta` line given to kavora-remote. All go to the real kavora program
// serving the page on 127.0.0.1, on an Xvfb server of the bench's own, in the same run. Needs
// node, Chromium, WebKitWebDriver and tests/browser/node_modules (npm ci); skips without them.
#include "Percentile.h"
#include "browser/PageDriver.h"
#include "e2e/ReceiverProcess.h"
#include "support/linux/PeerTestSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xlib.h>
#include <poll.h>

namespace kavora {
namespace {

using Clock = std::chrono::steady_clock;
using test::PageDriver;
using test::ReceiverProcess;
using test::RemoteController;

constexpr auto kMotionTimeout = std::chrono::seconds(5);
// Long enough for the receiver's smoothing to finish the last motion (about 6 frames at 120 Hz)
// and to start the next one from the pointer's real place.
constexpr auto kQuiet = std::chrono::milliseconds(250);
constexpr int kStep = 12; // CSS pixels (browser) or points (kavora-remote) per motion

// A window over the whole screen on its own X connection and thread, noting when each pointer
// motion arrives (steady clock, CLOCK_MONOTONIC, as node's hrtime reads it).
class MotionWatcher {
public:
    explicit MotionWatcher(const std::string& displayName)
        : display_(XOpenDisplay(displayName.c_str()))
    {
        if (!display_)
            return;
        XSetWindowAttributes attributes {};
        attributes.override_redirect = True;
        attributes.event_mask = PointerMotionMask | StructureNotifyMask;
        const int screen = DefaultScreen(display_);
        const Window window = XCreateWindow(
            display_, RootWindow(display_, screen), 0, 0, unsigned(DisplayWidth(display_, screen)),
            unsigned(DisplayHeight(display_, screen)), 0, CopyFromParent, InputOutput,
            CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
        XMapRaised(display_, window);
        XFlush(display_);
        thread_ = std::thread([this] { watch(); });
    }
    ~MotionWatcher()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (display_)
            XCloseDisplay(display_);
    }
    MotionWatcher(const MotionWatcher&) = delete;
    MotionWatcher& operator=(const MotionWatcher&) = delete;

    bool ready()
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kMotionTimeout, [this] { return mapped_; });
    }
    // The first motion that arrived at or after `since`; nothing when none came in time.
    std::optional<Clock::time_point> firstMotionAfter(Clock::time_point since)
    {
        std::unique_lock lock(mutex_);
        std::optional<Clock::time_point> found;
        changed_.wait_for(lock, kMotionTimeout, [&] {
            const auto at = std::find_if(motions_.begin(), motions_.end(),
                                         [&](Clock::time_point when) { return when >= since; });
            if (at != motions_.end())
                found = *at;
            return found.has_value();
        });
        return found;
    }
    // Waits until no motion came for `quiet`, so that the next measurement starts afresh.
    void settle()
    {
        for (;;) {
            std::this_thread::sleep_for(kQuiet);
            std::lock_guard lock(mutex_);
            if (motions_.empty() || Clock::now() - motions_.back() >= kQuiet) {
                motions_.clear();
                return;
            }
        }
    }

private:
    void watch()
    {
        while (!stop_) {
            pollfd readable { ConnectionNumber(display_), POLLIN, 0 };
            if (XPending(display_) == 0 && poll(&readable, 1, 50) <= 0)
                continue;
            const auto arrived = Clock::now();
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                std::lock_guard lock(mutex_);
                if (event.type == MapNotify)
                    mapped_ = true;
                else if (event.type == MotionNotify)
                    motions_.push_back(arrived);
            }
            changed_.notify_all();
        }
    }

    Display* display_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool mapped_ = false;
    std::vector<Clock::time_point> motions_;
};

// One receiver with a watcher; the browsers' pages join it in turn, kavora-remote last.
struct Rig {
    std::string problem;
    std::unique_ptr<ReceiverProcess> receiver;
    std::unique_ptr<MotionWatcher> watcher;
    std::string address;

    Rig()
    {
        test::ensureQtApplication();
        problem = PageDriver::missing("chromium") + PageDriver::missing("webkit");
        if (!problem.empty())
            return;
        receiver = std::make_unique<ReceiverProcess>(ReceiverProcess::PrepareHome {}, true,
                                                     ReceiverProcess::Browser::On);
        address = receiver->ready() ? receiver->webAddress() : std::string();
        if (address.empty()) {
            problem = "the receiver did not serve the page: " + receiver->log();
            return;
        }
        watcher = std::make_unique<MotionWatcher>(receiver->xDisplay());
        if (!watcher->ready())
            problem = "no window to watch the pointer";
    }
};

Rig& rig()
{
    static Rig shared;
    return shared;
}

void report(benchmark::State& state, const std::vector<double>& latenciesMs)
{
    state.counters["p50_ms"] = percentile(latenciesMs, 0.5);
    state.counters["p99_ms"] = percentile(latenciesMs, 0.99);
    state.counters["max_ms"] = percentile(latenciesMs, 1.0);
}

// One finger (or the mouse with its button) put down, moved once and lifted, per iteration; timed
// from the moment the move is dispatched to the browser to the first X motion (p50_ms, p99_ms),
// and from the moment the pointer event reached the page (page_p50_ms, page_p99_ms). The page
// sends the first motion of a frame at once, and the receiver posts at its next 120 Hz frame.
void webToMotion(benchmark::State& state, const char* engine, bool mouse)
{
    auto& shared = rig();
    if (!shared.problem.empty()) {
        state.SkipWithError(shared.problem.c_str());
        return;
    }
    // Each run pairs a page of its own: the page before left, and a code works once.
    PageDriver driver(shared.receiver->scratchPath(std::string(engine) + "-driver.log"), engine);
    // `kavora web` prints a fresh address with its code.
    const auto address = test::pairingAddressIn(
        test::run({ KAVORA_PROGRAM, "web" }, shared.receiver->environment()).output);
    const auto opened = driver.command(
        "phone", { { "cmd", "open" }, { "url", address }, { "until", "connected" } });
    if (!opened.value("ok", false)) {
        state.SkipWithError(("the page did not join: " + test::errorOf(opened)).c_str());
        return;
    }
    std::vector<double> latencies;
    std::vector<double> fromPage;
    int direction = 1;
    for (auto _ : state) {
        shared.watcher->settle();
        const int x = 195;
        const auto start = driver.command(
            "phone",
            { { "cmd", "touch" }, { "phase", "start" }, { "at", { x, 400 } }, { "mouse", mouse } });
        const auto moved = driver.command("phone",
                                          { { "cmd", "touch" },
                                            { "phase", "move" },
                                            { "at", { x + direction * kStep, 400 } },
                                            { "mouse", mouse } });
        driver.command("phone", { { "cmd", "touch" }, { "phase", "end" }, { "mouse", mouse } });
        direction = -direction;
        if (!start.value("ok", false) || !moved.value("ok", false)) {
            state.SkipWithError(("the page took no touch: " + test::errorOf(moved)).c_str());
            return;
        }
        const auto clockAt = [&](const char* key) {
            return Clock::time_point { std::chrono::nanoseconds(
                std::stoll(moved.value(key, std::string("0")))) };
        };
        const auto sent = clockAt("sentNs");
        const auto motion = shared.watcher->firstMotionAfter(sent);
        if (!motion || moved.value("handledNs", std::string()).empty()) {
            state.SkipWithError("the X server saw no motion, or the page no touch");
            return;
        }
        const double ms = std::chrono::duration<double, std::milli>(*motion - sent).count();
        latencies.push_back(ms);
        fromPage.push_back(
            std::chrono::duration<double, std::milli>(*motion - clockAt("handledNs")).count());
        state.SetIterationTime(ms / 1e3);
    }
    report(state, latencies);
    // The part after the touch event reached the page: the page, the WebSocket, the receiver.
    state.counters["page_p50_ms"] = percentile(fromPage, 0.5);
    state.counters["page_p99_ms"] = percentile(fromPage, 0.99);
    driver.command("phone", { { "cmd", "close" } }); // the place is the next page's
}
BENCHMARK_CAPTURE(webToMotion, chromium_touch, "chromium", false)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(webToMotion, chromium_mouse, "chromium", true)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(webToMotion, webkit_touch, "webkit", false)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(webToMotion, webkit_mouse, "webkit", true)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A mouseDelta line written to kavora-remote's input, timed to the first X motion: the native
// link's figure, through a process and a pipe as the browser's is through Chromium.
void BM_RemoteDeltaToMotion(benchmark::State& state)
{
    auto& shared = rig();
    if (!shared.problem.empty()) {
        state.SkipWithError(shared.problem.c_str());
        return;
    }
    RemoteController remote(*shared.receiver, "web_bench");
    if (!remote.inSession()) {
        state.SkipWithError(("kavora-remote did not join: " + remote.errors()).c_str());
        return;
    }
    std::vector<double> latencies;
    int direction = 1;
    for (auto _ : state) {
        shared.watcher->settle();
        const auto sent = Clock::now();
        remote.send({ { "mouseDelta", { { "dx", direction * kStep * 1.5 }, { "dy", 0 } } } });
        direction = -direction;
        const auto motion = shared.watcher->firstMotionAfter(sent);
        if (!motion) {
            state.SkipWithError("the X server saw no motion");
            return;
        }
        const double ms = std::chrono::duration<double, std::milli>(*motion - sent).count();
        latencies.push_back(ms);
        state.SetIterationTime(ms / 1e3);
    }
    report(state, latencies);
}
BENCHMARK(BM_RemoteDeltaToMotion)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kavora
