// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The receiver program measured from outside, as a controller meets it: the real kavora, on an
// Xvfb server of the bench's own and listening on 127.0.0.1 only, joined over TLS by PeerClient
// (the client kavora-remote uses). The figures: how many messages a second the receiver takes
// over loopback; how long a click and a Return key take from the controller's send to the X
// server delivering the release to a client; the receiver's CPU time for motion at the rate of a
// moving finger; its wake-ups while idle; its resident memory. Set KAVORA_BENCH_RECEIVER to the
// floor program (floor_receiver, built beside the bench) or another build of kavora to measure
// that instead, in the same way.
#include "Percentile.h"
#include "ReceiverProgram.h"
#include "TrustedController.h"
#include "platform/linux/peer/CertificateStore.h"
#include "platform/linux/peer/PeerClient.h"
#include "support/XvfbServer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// Last: Xlib's macros (Bool, Status, None ...) break Qt headers that come after it.
#include "ButtonWatcher.h"

namespace kavora {
namespace {

using bench::ButtonWatcher;
using bench::kStartTimeoutMs;
using bench::ReceiverProgram;
using Clock = std::chrono::steady_clock;

constexpr int kReplyTimeoutMs = 10'000;
constexpr int kWakeUpMs = 50;
constexpr const char* kHeartbeat = R"({"heartbeat":{}})";

// Everything the benchmarks share: made on first use, stopped at exit (children first).
struct Link {
    std::unique_ptr<QCoreApplication> application;
    test::XvfbServer xvfb;
    std::filesystem::path root;
    std::unique_ptr<ReceiverProgram> receiver;
    std::unique_ptr<PeerClient> client;
    std::vector<std::string> packets; // received and not yet taken
    std::string problem;
    std::map<std::string, double> memoryAfterJoining;

    // The receiver's lines of /proc/PID/status (or of one of its threads') that start with one
    // of the names, as numbers.
    static std::map<std::string, double> statusValues(const std::string& path,
                                                      const std::vector<std::string>& names)
    {
        std::map<std::string, double> values;
        std::ifstream status(path);
        std::string line;
        while (std::getline(status, line)) {
            for (const auto& name : names) {
                if (line.starts_with(name + ":"))
                    values[name] = std::strtod(line.c_str() + name.size() + 1, nullptr);
            }
        }
        return values;
    }
    std::string procPath() const { return "/proc/" + std::to_string(receiver->pid()); }
    // Resident memory in KiB: the total and the process's own pages.
    std::map<std::string, double> memory() const
    {
        return statusValues(procPath() + "/status", { "VmRSS", "RssAnon", "RssFile", "RssShmem" });
    }
    // Summed over the receiver's threads: CPU time in ns and context switches.
    std::pair<double, double> cpuAndSwitches() const
    {
        double cpu = 0;
        double switches = 0;
        for (const auto& task : std::filesystem::directory_iterator(procPath() + "/task")) {
            std::ifstream schedstat(task.path() / "schedstat");
            double ns = 0;
            schedstat >> ns;
            cpu += ns;
            const auto counts
                = statusValues(task.path() / "status",
                               { "voluntary_ctxt_switches", "nonvoluntary_ctxt_switches" });
            for (const auto& [name, count] : counts)
                switches += count;
        }
        return { cpu, switches };
    }

    Link()
    {
        static int argc = 1;
        static char name[] = "link_bench";
        static char* argv[] = { name, nullptr };
        application = std::make_unique<QCoreApplication>(argc, argv);
        if (!xvfb.running()) {
            problem = "no Xvfb";
            return;
        }
        std::string pattern
            = (std::filesystem::temp_directory_path() / "kavora-link-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            problem = "no temporary folder";
            return;
        }
        root = pattern;
        // The bench's own controller identity, as kavora-remote makes its own, trusted before
        // the receiver starts, as a device the user allowed once.
        auto identity = bench::trustedController(root / "controller", root / "home/.config/kavora",
                                                 "link_bench");
        if (!identity) {
            problem = "no controller identity: " + identity.error();
            return;
        }
        receiver = std::make_unique<ReceiverProgram>(xvfb.displayName(), root);
        if (receiver->port() == 0) {
            problem = "kavora did not start; see " + (root / "kavora.log").string();
            return;
        }
        PeerClient::Options options;
        options.identity = identity.value();
        client = std::make_unique<PeerClient>(options);
        client->onPacket = [this](std::string packet) { packets.push_back(std::move(packet)); };
        bool accepted = false;
        client->onAccepted = [&accepted] { accepted = true; };
        client->connectToReceiver(QStringLiteral("127.0.0.1"), receiver->port(), "link_bench");
        if (!runUntil([&accepted] { return accepted; }, kStartTimeoutMs))
            problem = "the receiver did not accept the bench as a controller";
        client->onAccepted = nullptr;
        runUntil([] { return false; }, 700); // the lists pushed after joining
        takeEchoes();
        memoryAfterJoining = memory();
    }
    ~Link()
    {
        client.reset();
        receiver.reset();
        std::error_code error;
        if (!root.empty())
            std::filesystem::remove_all(root, error);
    }

    // Runs the event loop until the condition holds or the time is up. It sleeps until an event
    // comes, as a controller's loop does, rather than spinning: on two cores a spinning bench
    // would take a core from the receiver it measures. The timer only bounds each sleep.
    static bool runUntil(const std::function<bool()>& condition, int timeoutMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        QTimer wakeUp;
        wakeUp.start(kWakeUpMs);
        while (!condition()) {
            if (Clock::now() >= deadline)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    // Takes the heartbeat echoes received so far; the lists the receiver pushes are dropped.
    std::size_t takeEchoes()
    {
        const auto echoes = std::count(packets.begin(), packets.end(), kHeartbeat);
        packets.clear();
        return static_cast<std::size_t>(echoes);
    }
};

Link* sharedLink(benchmark::State& state)
{
    static Link shared;
    if (!shared.problem.empty()) {
        state.SkipWithError(shared.problem.c_str());
        return nullptr;
    }
    return &shared;
}

// A burst of `range(0)` heartbeats, timed until every echo is back: the receiver decodes each,
// hands it to the controller logic, encodes the answer and writes it, all over TLS.
void BM_LinkHeartbeatBurst(benchmark::State& state)
{
    auto* shared = sharedLink(state);
    if (!shared)
        return;
    const auto burst = static_cast<std::size_t>(state.range(0));
    shared->runUntil([] { return false; }, 700); // the lists pushed after joining come first
    shared->takeEchoes();
    for (auto _ : state) {
        for (std::size_t i = 0; i < burst; ++i)
            shared->client->send(kHeartbeat);
        std::size_t echoes = 0;
        if (!shared->runUntil([&] { return (echoes += shared->takeEchoes()) >= burst; },
                              kReplyTimeoutMs)) {
            state.SkipWithError("echoes missing");
            return;
        }
    }
    state.counters["messages_per_s"] = benchmark::Counter(
        double(state.iterations()) * double(burst), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LinkHeartbeatBurst)->Arg(100)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond);

// A burst of `range(0)` mouseDelta messages and one heartbeat behind them: the receiver handles
// messages in order, so the echo means every delta has reached the injector. (The pointer itself
// moves on the 120 Hz frame timer, which is not part of this figure.)
void BM_LinkMouseDeltaBurst(benchmark::State& state)
{
    auto* shared = sharedLink(state);
    if (!shared)
        return;
    const auto burst = static_cast<std::size_t>(state.range(0));
    shared->takeEchoes();
    for (auto _ : state) {
        for (std::size_t i = 0; i < burst; ++i)
            shared->client->send(i % 2 == 0 ? R"({"mouseDelta":{"dx":3.5,"dy":-1}})"
                                            : R"({"mouseDelta":{"dx":-3.5,"dy":1}})");
        shared->client->send(kHeartbeat);
        if (!shared->runUntil([&] { return shared->takeEchoes() > 0; }, kReplyTimeoutMs)) {
            state.SkipWithError("echo missing");
            return;
        }
    }
    state.counters["messages_per_s"] = benchmark::Counter(
        double(state.iterations()) * double(burst + 1), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LinkMouseDeltaBurst)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond);

// From PeerClient::send of the first message to the X server's release event arriving at the
// bench's own window: a click (leftClickDown and leftClickUp sent together) or a Return key (one
// keyDown, which presses and releases it). The time includes the bench's own event loop taking
// the X event, a few microseconds.
void measureRelease(benchmark::State& state, const std::vector<const char*>& messages,
                    int releaseType)
{
    auto* shared = sharedLink(state);
    if (!shared)
        return;
    static ButtonWatcher watcher(shared->xvfb.displayName());
    if (!watcher.ready()) {
        state.SkipWithError("no window to watch the buttons");
        return;
    }
    std::optional<Clock::time_point> event;
    QSocketNotifier notifier(watcher.fd(), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        if (!event)
            event = watcher.takeEvents(releaseType);
    });
    std::vector<double> latencies;
    for (auto _ : state) {
        event.reset();
        watcher.takeEvents(-1); // whatever is left over
        const auto sent = Clock::now();
        for (const char* message : messages)
            shared->client->send(message);
        if (!shared->runUntil([&] { return event || (event = watcher.takeEvents(releaseType)); },
                              kReplyTimeoutMs)) {
            state.SkipWithError("the X server saw no release");
            return;
        }
        const double latency = std::chrono::duration<double, std::micro>(*event - sent).count();
        latencies.push_back(latency);
        state.SetIterationTime(latency / 1e6);
    }
    state.counters["p50_us"] = percentile(latencies, 0.5);
    state.counters["p99_us"] = percentile(latencies, 0.99);
    state.counters["max_us"] = percentile(latencies, 1.0);
    shared->takeEchoes();
}

void BM_LinkClickToRelease(benchmark::State& state)
{
    measureRelease(state, { R"({"leftClickDown":{}})", R"({"leftClickUp":{}})" }, ButtonRelease);
}
BENCHMARK(BM_LinkClickToRelease)->Iterations(400)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_LinkReturnKeyToRelease(benchmark::State& state)
{
    measureRelease(state, { R"({"keyDown":{"modifier":0,"keyCode":40}})" }, KeyRelease);
}
BENCHMARK(BM_LinkReturnKeyToRelease)
    ->Iterations(400)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// 1000 mouseDelta messages paced at 120 a second, as a finger moving for 8.3 s sends them: the
// receiver's CPU time (all threads, from the scheduler's accounting) from the first message to
// 0.3 s after the last, when the frame timer has stopped. The pointer goes back and forth.
void BM_LinkMouseDeltaCpuAt120Hz(benchmark::State& state)
{
    auto* shared = sharedLink(state);
    if (!shared)
        return;
    constexpr int kMessages = 1000;
    const auto interval
        = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / 120));
    double cpuMs = 0;
    for (auto _ : state) {
        const auto before = shared->cpuAndSwitches();
        const auto start = Clock::now();
        for (int i = 0; i < kMessages; ++i) {
            std::this_thread::sleep_until(start + i * interval);
            shared->client->send((i / 60) % 2 == 0 ? R"({"mouseDelta":{"dx":3.5,"dy":-1}})"
                                                   : R"({"mouseDelta":{"dx":-3.5,"dy":1}})");
            QCoreApplication::processEvents(); // writes it
        }
        shared->runUntil([] { return false; }, 300);
        cpuMs += (shared->cpuAndSwitches().first - before.first) / 1e6;
    }
    shared->takeEchoes();
    state.counters["cpu_ms_per_1000"] = cpuMs / double(state.iterations());
}
BENCHMARK(BM_LinkMouseDeltaCpuAt120Hz)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// The receiver's wake-ups (context switches of all its threads) per second while a controller
// is connected and sends nothing, over 5 s.
void BM_LinkIdleWakeUps(benchmark::State& state)
{
    auto* shared = sharedLink(state);
    if (!shared)
        return;
    double perSecond = 0;
    for (auto _ : state) {
        shared->runUntil([] { return false; }, 500); // what the last benchmark left settles
        const auto before = shared->cpuAndSwitches();
        shared->runUntil([] { return false; }, 5000);
        perSecond += (shared->cpuAndSwitches().second - before.second) / 5;
    }
    state.counters["wakeups_per_s"] = perSecond / double(state.iterations());
}
BENCHMARK(BM_LinkIdleWakeUps)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// The receiver's resident memory in MiB: right after the bench joined, and now, after the
// benchmarks before this one. RssAnon is the process's own pages; the rest of the total is
// mapped files (libraries, fonts) and shared memory.
void BM_LinkResidentMemory(benchmark::State& state)
{
    auto* shared = sharedLink(state);
    if (!shared)
        return;
    std::map<std::string, double> now;
    for (auto _ : state)
        now = shared->memory();
    for (const auto& [when, values] :
         { std::pair { "joined_", shared->memoryAfterJoining }, std::pair { "now_", now } }) {
        for (const auto& [name, kib] : values)
            state.counters[std::string(when) + name + "_MiB"] = kib / 1024;
    }
}
BENCHMARK(BM_LinkResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kavora
