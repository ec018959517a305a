// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Admission under a connection flood: the receiver's listener (production limits, 127.0.0.1)
// while 50 addresses (127.0.0.2 to 127.0.0.51) keep connecting, four connections each at a time,
// each completing its TLS handshake with a certificate when it can and then sitting idle until
// the receiver closes it, when it connects again at once. Each iteration is one controller
// joining: from its TCP connect to the receiver's acceptance of its invitation.
#include "support/CapturingLog.h"
#include "support/linux/PeerTestSupport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <iostream>
#include <memory>
#include <utility>
#include <vector>

namespace kavora {
namespace {

using namespace std::chrono_literals;
using test::controllerOptions;
using test::pollUntil;
using test::testControllerIdentity;

constexpr int kFloodAddresses = 50;
constexpr int kConnectionsPerAddress = 4;

// The flooding controllers, on a thread of their own.
class Flood {
public:
    Flood(std::uint16_t port, int addresses, int perAddress)
        : thread_(QThread::create([=, this] { run(port, addresses, perAddress); }))
    {
        thread_->start();
    }
    ~Flood()
    {
        stop_ = true;
        thread_->wait();
    }
    Flood(const Flood&) = delete;
    Flood& operator=(const Flood&) = delete;

    int connections() const { return connections_; }
    int handshakes() const { return handshakes_; }

private:
    void run(std::uint16_t port, int addresses, int perAddress)
    {
        QObject owner;
        auto configuration = QSslConfiguration::defaultConfiguration();
        configuration.setProtocol(QSsl::TlsV1_3OrLater);
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        configuration.setLocalCertificate(testControllerIdentity().certificate);
        configuration.setPrivateKey(testControllerIdentity().privateKey);
        std::function<void(int)> open = [&](int address) {
            auto* socket = new QSslSocket(&owner);
            socket->setSslConfiguration(configuration);
            socket->bind(QHostAddress(QStringLiteral("127.0.0.%1").arg(2 + address)), 0);
            auto ended = std::make_shared<bool>(false);
            const auto reopen = [&, socket, ended, address] {
                if (std::exchange(*ended, true))
                    return;
                socket->deleteLater();
                if (!stop_)
                    QTimer::singleShot(0, &owner, [&open, address] { open(address); });
            };
            QObject::connect(socket, &QSslSocket::connected, &owner, [this] { ++connections_; });
            QObject::connect(socket, &QSslSocket::encrypted, &owner, [this] { ++handshakes_; });
            QObject::connect(socket, &QSslSocket::disconnected, &owner, reopen);
            QObject::connect(socket, &QSslSocket::errorOccurred, &owner, reopen);
            socket->connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        };
        for (int i = 0; i < perAddress; ++i) {
            for (int address = 0; address < addresses; ++address)
                open(address);
        }
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (stop_)
                loop.quit();
        });
        check.start(20);
        loop.exec();
        for (auto* socket : owner.findChildren<QSslSocket*>())
            socket->disconnect(&owner);
    }

    std::atomic<bool> stop_ = false;
    std::atomic<int> connections_ = 0;
    std::atomic<int> handshakes_ = 0;
    std::unique_ptr<QThread> thread_;
};

// Joins once as a controller; the time it took in ms, or -1 when it was not accepted.
qint64 join(LinuxPeerSession& session, std::uint16_t port, std::string& failure)
{
    PeerClient client(controllerOptions());
    bool accepted = false;
    client.onAccepted = [&] { accepted = true; };
    client.onFailed = [&](PeerClient::Failure, const std::string& why) { failure = why; };
    QElapsedTimer clock;
    clock.start();
    client.connectToReceiver(QStringLiteral("127.0.0.1"), port, "Pad");
    pollUntil([&] { return accepted || !failure.empty(); }, 10s);
    const auto elapsed = accepted ? clock.elapsed() : -1;
    session.disconnect();
    pollUntil([&] { return session.connectedPeers().empty(); });
    return elapsed;
}

void BM_PeerJoinDuringFlood(benchmark::State& state)
{
    test::ensureQtApplication();
    test::CapturingLog log;
    LinuxPeerSession session("Bench-Mac");
    std::vector<std::string> invitations;
    auto advertiser = test::listenFor(session, LinkLimits {}, log, invitations);
    const auto port = advertiser->serverPort();
    std::string failure;
    // Once before the flood, so that the client's own first-use costs are not counted.
    if (port == 0 || join(session, port, failure) < 0) {
        state.SkipWithError(("the receiver does not take a controller: " + failure).c_str());
        return;
    }
    Flood flood(port, kFloodAddresses, kConnectionsPerAddress);
    if (!pollUntil([&] { return flood.connections() > 400; }, 20s)) {
        state.SkipWithError("the flood did not get going");
        return;
    }
    std::vector<qint64> waits;
    int refused = 0;
    for (auto _ : state) {
        failure.clear();
        const auto waited = join(session, port, failure);
        if (waited < 0) {
            std::cerr << "not served: " << failure << '\n';
            ++refused;
            state.SetIterationTime(10.0);
            continue;
        }
        waits.push_back(waited);
        state.SetIterationTime(static_cast<double>(waited) / 1000.0);
    }
    std::sort(waits.begin(), waits.end());
    state.counters["refused"] = refused;
    state.counters["worst_ms"] = waits.empty() ? -1.0 : static_cast<double>(waits.back());
    state.counters["median_ms"]
        = waits.empty() ? -1.0 : static_cast<double>(waits[waits.size() / 2]);
    state.counters["flood_connections"] = flood.connections();
    state.counters["flood_handshakes"] = flood.handshakes();
}
BENCHMARK(BM_PeerJoinDuringFlood)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kavora
