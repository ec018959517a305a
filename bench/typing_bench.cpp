// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// A long text typed by the real kavora while its controller keeps sending heartbeats: how long
// each heartbeat waits for its echo while the text is typed, beside the same with nothing to type,
// and how long the text takes. The receiver runs on an Xvfb server of the bench's own with Qt's
// offscreen platform; the bench holds the keyboard focus and counts the typed characters as their
// key releases arrive. Set
// KAVORA_BENCH_RECEIVER to another build of kavora to measure that one in the same way.
#include "Percentile.h"
#include "ReceiverProgram.h"
#include "TrustedController.h"
#include "platform/linux/peer/CertificateStore.h"
#include "platform/linux/peer/PeerClient.h"
#include "support/TemporaryFolder.h"
#include "support/XvfbServer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// Last: Xlib's macros (Bool, Status, None ...) break Qt headers that come after it.
#include "ButtonWatcher.h"

namespace kavora {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kHeartbeat = R"({"heartbeat":{}})";
constexpr auto kHeartbeatInterval = 10ms;
constexpr auto kTypingTimeout = 300s;

double milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// The receiver with the bench joined as a trusted controller, made once.
struct Typing {
    std::unique_ptr<QCoreApplication> application;
    test::XvfbServer xvfb;
    test::TemporaryFolder folder;
    std::unique_ptr<bench::ReceiverProgram> receiver;
    std::unique_ptr<PeerClient> client;
    std::unique_ptr<bench::ButtonWatcher> watcher;
    std::deque<Clock::time_point> heartbeatsSent;
    std::vector<double> echoMs;
    std::string problem;

    Typing()
    {
        static int argc = 1;
        static char name[] = "typing_bench";
        static char* argv[] = { name, nullptr };
        application = std::make_unique<QCoreApplication>(argc, argv);
        if (!xvfb.running()) {
            problem = "no Xvfb";
            return;
        }
        const auto root = folder.path();
        auto identity = bench::trustedController(root / "controller", root / "home/.config/kavora",
                                                 "typing_bench");
        if (!identity) {
            problem = "no controller identity: " + identity.error();
            return;
        }
        receiver = std::make_unique<bench::ReceiverProgram>(xvfb.displayName(), root);
        if (receiver->port() == 0) {
            problem = "kavora did not start";
            return;
        }
        PeerClient::Options options;
        options.identity = identity.value();
        client = std::make_unique<PeerClient>(options);
        client->onPacket = [this](const std::string& packet) {
            if (packet == kHeartbeat && !heartbeatsSent.empty()) {
                echoMs.push_back(milliseconds(Clock::now() - heartbeatsSent.front()));
                heartbeatsSent.pop_front();
            }
        };
        bool accepted = false;
        client->onAccepted = [&accepted] { accepted = true; };
        client->connectToReceiver(QStringLiteral("127.0.0.1"), receiver->port(), "typing_bench");
        if (!runUntil([&accepted] { return accepted; }, 30s))
            problem = "the receiver did not accept the bench as a controller";
        runUntil([] { return false; }, 700ms); // the lists pushed after joining
        watcher = std::make_unique<bench::ButtonWatcher>(xvfb.displayName());
        if (!watcher->ready())
            problem = "the bench's window did not start";
    }

    // Runs the event loop, sleeping until something comes, until the condition holds.
    static bool runUntil(const std::function<bool()>& condition, Clock::duration timeout)
    {
        const auto deadline = Clock::now() + timeout;
        QTimer wakeUp;
        wakeUp.start(5);
        while (!condition()) {
            if (Clock::now() >= deadline)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    // Sends a heartbeat every 10 ms until `done` holds, then waits for the last echoes; the echo
    // times of those heartbeats.
    std::vector<double> heartbeatsUntil(const std::function<bool()>& done)
    {
        echoMs.clear();
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [this] {
            heartbeatsSent.push_back(Clock::now());
            client->send(kHeartbeat);
        });
        beat.start(kHeartbeatInterval);
        runUntil(done, kTypingTimeout);
        beat.stop();
        runUntil([this] { return heartbeatsSent.empty(); }, kTypingTimeout);
        return echoMs;
    }
};

Typing* sharedTyping(benchmark::State& state)
{
    static Typing shared;
    if (!shared.problem.empty()) {
        state.SkipWithError(shared.problem.c_str());
        return nullptr;
    }
    return &shared;
}

void report(benchmark::State& state, const std::string& prefix, const std::vector<double>& echoes)
{
    state.counters[prefix + "p50_ms"] = percentile(echoes, 0.5);
    state.counters[prefix + "p99_ms"] = percentile(echoes, 0.99);
    state.counters[prefix + "max_ms"] = percentile(echoes, 1.0);
}

// One second of heartbeats with nothing to type: the baseline.
void BM_HeartbeatIdle(benchmark::State& state)
{
    auto* shared = sharedTyping(state);
    if (!shared)
        return;
    std::vector<double> echoes;
    for (auto _ : state) {
        const auto end = Clock::now() + 1s;
        echoes = shared->heartbeatsUntil([end] { return Clock::now() >= end; });
    }
    report(state, "", echoes);
}
BENCHMARK(BM_HeartbeatIdle)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// range(0) emoji (U+1F600, four bytes and two UTF-16 units each) sent at once as one-character
// textInput messages, with heartbeats every 10 ms until the last character's key release reached
// the bench's window. One character at a time, since a longer text is pasted where the clipboard
// can be taken, as on this X server; the characters join one queue of text being typed, as a long
// text's do where it cannot.
void BM_HeartbeatWhileTyping(benchmark::State& state)
{
    auto* shared = sharedTyping(state);
    if (!shared)
        return;
    const auto characters = static_cast<int>(state.range(0));
    const std::string message = R"({"textInput":{"_0":")" + std::string("\U0001F600") + R"("}})";
    std::vector<double> echoes;
    double typingSeconds = 0;
    for (auto _ : state) {
        int released = 0;
        const auto start = Clock::now();
        for (int i = 0; i < characters; ++i)
            shared->client->send(message);
        echoes = shared->heartbeatsUntil([&] {
            while (shared->watcher->takeEvents(KeyRelease))
                ++released;
            return released >= characters;
        });
        typingSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (released < characters) {
            const auto why = "typed " + std::to_string(released) + " characters of "
                + std::to_string(characters) + " in " + std::to_string(typingSeconds) + " s";
            state.SkipWithError(why.c_str());
        }
    }
    report(state, "", echoes);
    state.counters["typing_s"] = typingSeconds;
    state.counters["heartbeats"] = static_cast<double>(echoes.size());
}
BENCHMARK(BM_HeartbeatWhileTyping)
    ->Arg(2'000)
    ->Arg(20'000)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

} // namespace
} // namespace kavora
