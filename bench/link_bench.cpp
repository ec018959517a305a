// The receiver program measured from outside, as a controller meets it: the real kavora, on an
// Xvfb server of the bench's own and listening on 127.0.0.1 only, joined over TLS by PeerClient
// (the client kavora-remote uses). Two figures: how many messages a second the receiver takes
// over loopback, and how long a leftClickDown takes from the controller's send to the X server
// delivering the button press to a client.
#include "ReceiverProgram.h"
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
#include <functional>
#include <memory>
#include <optional>
#include <string>
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
        receiver = std::make_unique<ReceiverProgram>(xvfb.displayName(), root);
        if (receiver->port() == 0) {
            problem = "kavora did not start; see " + (root / "kavora.log").string();
            return;
        }
        // The bench's own controller identity, as kavora-remote makes its own.
        auto identity = loadOrCreateTlsIdentity(root / "controller", kControllerIdentityFiles);
        if (!identity) {
            problem = "no controller identity: " + identity.error();
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

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * double(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// From PeerClient::send of leftClickDown to the X server's ButtonPress arriving at the bench's
// own window; a leftClickUp (waited for too, not timed) between clicks. The time includes the
// bench's own event loop taking the X event, a few microseconds.
void BM_LinkClickToButtonPress(benchmark::State& state)
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
    int awaited = ButtonPress;
    QSocketNotifier notifier(watcher.fd(), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        if (!event)
            event = watcher.takeEvents(awaited);
    });
    const auto click = [&](const char* message, int type) -> std::optional<double> {
        event.reset();
        awaited = type;
        const auto sent = Clock::now();
        shared->client->send(message);
        if (!shared->runUntil([&] { return event || (event = watcher.takeEvents(type)); },
                              kReplyTimeoutMs))
            return std::nullopt;
        return std::chrono::duration<double, std::micro>(*event - sent).count();
    };

    std::vector<double> latencies;
    for (auto _ : state) {
        const auto latency = click(R"({"leftClickDown":{}})", ButtonPress);
        if (!latency || !click(R"({"leftClickUp":{}})", ButtonRelease)) {
            state.SkipWithError("the X server saw no button event");
            return;
        }
        latencies.push_back(*latency);
        state.SetIterationTime(*latency / 1e6);
    }
    state.counters["p50_us"] = percentile(latencies, 0.5);
    state.counters["p99_us"] = percentile(latencies, 0.99);
    state.counters["max_us"] = percentile(latencies, 1.0);
    shared->takeEchoes();
}
BENCHMARK(BM_LinkClickToButtonPress)
    ->Iterations(400)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace kavora
