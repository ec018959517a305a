// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// A click from the controller to a client on Wayland, beside the same on X11, in one run: the
// real kavora joined over TLS by PeerClient, on a headless GNOME (HeadlessGnome: mutter, the
// desktop portal, the dialog answered through the accessibility bus) and on Xvfb with openbox.
// The figure is the time from sending leftClickDown to the client handling the button press:
// the same GTK client (InputObserver.py) on both, which stamps each event with CLOCK_MONOTONIC.
#include "Percentile.h"
#include "TrustedController.h"
#include "platform/linux/peer/CertificateStore.h"
#include "platform/linux/peer/PeerClient.h"
#include "support/linux/HeadlessGnome.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kavora {
namespace {

using test::ChildProcess;
using test::EnvironmentChanges;
using test::HeadlessGnome;
using test::PrivateSession;
using Clock = std::chrono::steady_clock;

constexpr auto kClicks = 200;
constexpr auto kLineTimeout = std::chrono::seconds(5);
constexpr auto kGrantTimeout = std::chrono::seconds(60);
constexpr const char* kDown = R"({"leftClickDown":{}})";
constexpr const char* kUp = R"({"leftClickUp":{}})";

QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "wayland_bench";
    static char* argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
    return app;
}

// The CLOCK_MONOTONIC stamp at the end of an observer line, as a steady_clock time.
std::optional<Clock::time_point> stampOf(const std::optional<std::string>& line)
{
    const auto at = line ? line->rfind(" @") : std::string::npos;
    if (at == std::string::npos)
        return std::nullopt;
    return Clock::time_point(std::chrono::nanoseconds(std::stoll(line->substr(at + 2))));
}

// One kavora on one desktop, a controller joined to it, and the observer that sees its clicks.
struct Desk {
    ChildProcess receiver;
    ChildProcess observer;
    std::unique_ptr<PeerClient> client;
    std::string problem;

    // Starts kavora with the variables of its desktop, the controller trusted beforehand.
    void join(const std::string& name, EnvironmentChanges environment)
    {
        const auto root = PrivateSession::instance().root() / name;
        std::filesystem::create_directories(root / "run");
        std::filesystem::permissions(root / "run", std::filesystem::perms::owner_all);
        auto identity = bench::trustedController(root / "controller", root / "config/kavora",
                                                 "wayland_bench");
        if (!identity) {
            problem = "no controller identity";
            return;
        }
        environment.insert(environment.end(),
                           { { "XDG_RUNTIME_DIR", (root / "run").string() },
                             { "XDG_CONFIG_HOME", (root / "config").string() },
                             { "QT_QPA_PLATFORM", "offscreen" } });
        receiver = ChildProcess({ { KAVORA_PROGRAM, "--headless", "--advertise", "--listen",
                                    "127.0.0.1", "--port", "0" },
                                  environment,
                                  true,
                                  (root / "kavora.log").string() });
        const auto line = receiver.readLine(std::chrono::seconds(30));
        const auto at = line ? line->rfind(' ') : std::string::npos;
        if (at == std::string::npos) {
            problem = "kavora did not start; see " + (root / "kavora.log").string();
            return;
        }
        PeerClient::Options options;
        options.identity = identity.value();
        client = std::make_unique<PeerClient>(options);
        bool accepted = false;
        client->onAccepted = [&accepted] { accepted = true; };
        client->connectToReceiver(QStringLiteral("127.0.0.1"),
                                  std::uint16_t(std::stoul(line->substr(at + 1))), name);
        if (!test::pollUntil([&] { return accepted; }, std::chrono::seconds(30)))
            problem = "kavora did not accept the controller";
        client->onAccepted = nullptr;
    }

    // Clicks until one reaches the observer: on Wayland the first waits for the user's grant.
    bool firstClick()
    {
        const auto deadline = Clock::now() + kGrantTimeout;
        while (Clock::now() < deadline) {
            client->send(kDown);
            client->send(kUp);
            if (test::nextLine(observer, "BUP 1", std::chrono::milliseconds(500)))
                return true;
        }
        return false;
    }

    void measure(benchmark::State& state)
    {
        if (!problem.empty()) {
            state.SkipWithError(problem.c_str());
            return;
        }
        std::vector<double> latencies;
        for (auto _ : state) {
            const auto sent = Clock::now();
            client->send(kDown);
            const auto pressed = stampOf(test::nextLine(observer, "BDOWN 1", kLineTimeout));
            client->send(kUp);
            if (!pressed || !test::nextLine(observer, "BUP 1", kLineTimeout)) {
                state.SkipWithError("the client saw no click");
                return;
            }
            const double latency
                = std::chrono::duration<double, std::milli>(*pressed - sent).count();
            latencies.push_back(latency);
            state.SetIterationTime(latency / 1e3);
            // Apart enough that the client sees single clicks.
            test::pollUntil([] { return false; }, std::chrono::milliseconds(30));
        }
        state.counters["p50_ms"] = percentile(latencies, 0.5);
        state.counters["p99_ms"] = percentile(latencies, 0.99);
    }
};

void BM_ClickToPressXTest(benchmark::State& state)
{
    application();
    static Desk desk = [] {
        Desk made;
        auto& session = PrivateSession::instance();
        session.sessionBus();
        const std::string display = session.display();
        session.startWindowManager();
        made.observer
            = ChildProcess({ { "/usr/bin/python3", "-u",
                               KAVORA_SOURCE_DIR "/tests/support/linux/InputObserver.py" },
                             { { "GDK_BACKEND", "x11" }, { "KAVORA_OBSERVER_CLOCK", "1" } },
                             true,
                             (session.root() / "observer-x11.log").string() });
        if (!test::nextLine(made.observer, "READY", std::chrono::seconds(15))) {
            made.problem = "the observer did not show on Xvfb";
            return made;
        }
        made.join("xtest", { { "XDG_SESSION_TYPE", "x11" }, { "DISPLAY", display } });
        if (made.problem.empty() && !made.firstClick())
            made.problem = "no click reached the client";
        return made;
    }();
    desk.measure(state);
}
BENCHMARK(BM_ClickToPressXTest)
    ->Iterations(kClicks)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_ClickToPressPortal(benchmark::State& state)
{
    application();
    static Desk desk = [] {
        Desk made;
        auto& gnome = HeadlessGnome::instance();
        if (!gnome.problem().empty()) {
            made.problem = gnome.problem();
            return made;
        }
        made.observer = gnome.startObserver(HeadlessGnome::Client::Wayland,
                                            { { "KAVORA_OBSERVER_CLOCK", "1" } });
        if (!made.observer.started()) {
            made.problem = "the observer did not show on GNOME";
            return made;
        }
        auto answer = gnome.answerDialog(true);
        auto environment = gnome.environment();
        std::erase_if(environment,
                      [](const auto& entry) { return entry.first == "WAYLAND_DISPLAY"; });
        // The compositor's socket by its full path: this kavora has a runtime folder of its own.
        environment.emplace_back(
            "WAYLAND_DISPLAY",
            (PrivateSession::instance().root() / gnome.waylandDisplay()).string());
        made.join("portal", environment);
        if (made.problem.empty() && !made.firstClick())
            made.problem = "no click reached the client (was the dialog answered?)";
        return made;
    }();
    desk.measure(state);
}
BENCHMARK(BM_ClickToPressPortal)
    ->Iterations(kClicks)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The desktops go before the program (the GNOME one first, then the session's buses).
struct StopAtExit {
    ~StopAtExit() { PrivateSession::instance().stop(); }
} stopAtExit;

} // namespace
} // namespace kavora
