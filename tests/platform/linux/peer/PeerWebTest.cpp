// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/linux/PeerTestSupport.h"

#include "core/Base64.h"
#include "link/MCReceiverMac.h"
#include "platform/linux/peer/BrowserAccess.h"
#include "platform/linux/system/QtScheduler.h"
#include "support/CapturingLog.h"
#include "support/FixedHostNames.h"
#include "support/InMemoryUserDefaults.h"
#include "support/VirtualScheduler.h"
#include "support/linux/FreePort.h"
#include "wire/PairingTokens.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QWebSocket>

#include <nlohmann/json.hpp>

namespace kavora::test {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

// A browser's WebSocket to the receiver's page, collecting what it is sent.
struct BrowserSocket {
    explicit BrowserSocket(std::uint16_t port, const QString& origin = QString())
    {
        auto configuration = QSslConfiguration::defaultConfiguration();
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        socket.setSslConfiguration(configuration);
        QObject::connect(&socket, &QWebSocket::textMessageReceived,
                         [this](const QString& text) { messages.push_back(text.toStdString()); });
        QObject::connect(&socket, &QWebSocket::disconnected, [this] { closed = true; });
        QNetworkRequest request(QUrl(QStringLiteral("wss://127.0.0.1:%1/ws").arg(port)));
        if (!origin.isEmpty())
            request.setRawHeader("Origin", origin.toUtf8());
        socket.open(request);
        pollUntil([this] { return socket.state() == QAbstractSocket::ConnectedState || closed; });
    }
    // Sends the invitation and returns the next answer, or null when none came.
    json invite(json members)
    {
        socket.sendTextMessage(QString::fromStdString(json { { "invitation", members } }.dump()));
        return next();
    }
    json next()
    {
        if (!pollUntil([this] { return !messages.empty() || closed; }) || messages.empty())
            return nullptr;
        auto answer = json::parse(messages.front());
        messages.erase(messages.begin());
        return answer.value("invitationAnswer", json());
    }

    QWebSocket socket;
    std::vector<std::string> messages;
    bool closed = false;
};

// What one request on its own connection is answered with: the whole answer, as the server
// closes the connection after it (or the test's wait ends).
std::string exchange(std::uint16_t port, const std::string& request,
                     std::chrono::milliseconds wait = 3s)
{
    QSslSocket socket;
    auto configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    socket.setSslConfiguration(configuration);
    socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    if (!pollUntil([&] { return socket.isEncrypted(); }))
        return "no TLS";
    socket.write(request.data(), static_cast<qint64>(request.size()));
    QByteArray answer;
    QObject::connect(&socket, &QSslSocket::readyRead, [&] { answer += socket.readAll(); });
    pollUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, wait);
    answer += socket.readAll();
    return answer.toStdString();
}

// The same over plain TCP, without TLS.
std::string plainExchange(std::uint16_t port, const std::string& request)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!pollUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }))
        return "not connected";
    socket.write(request.data(), static_cast<qint64>(request.size()));
    QByteArray answer;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { answer += socket.readAll(); });
    pollUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 3s);
    answer += socket.readAll();
    return answer.toStdString();
}

std::string statusLine(const std::string& answer)
{
    return answer.substr(0, answer.find("\r\n"));
}

// The receiver with control from a browser on, on 127.0.0.1 with short deadlines, and its consent
// over the session. Pairing codes live in virtual time.
class PeerWebTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureQtApplication();
        defaults.setDouble(BrowserControl::kPortKey, freePort());
        browser.setEnabled(true);
        PeerLinkOptions options;
        options.listenAddress = QHostAddress(QHostAddress::LocalHost);
        options.limits = limits();
        options.configFolder = folder.path();
        options.publishDnsSd = false;
        options.browser = &browser;
        framework = std::make_unique<LinuxPeerFramework>(options, log);
        receiver = MCReceiverMac::create(scheduler, *framework, defaults, hostNames);
        receiver->startAdvertising();
        ASSERT_FALSE(browser.pairingAddress()->empty()) << "served at once";
        const auto& address = *browser.pairingAddress();
        ASSERT_EQ(address.rfind("https://127.0.0.1:", 0), 0U) << address;
        port = static_cast<std::uint16_t>(std::stoi(address.substr(18)));
    }
    virtual LinkLimits limits() const
    {
        auto limits = shortLimits();
        limits.requestHeadTimeout = 400ms;
        limits.maxRequestHeadBytes = 1024;
        return limits;
    }
    void TearDown() override
    {
        receiver.reset();
        framework.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::string token() const
    {
        const auto& address = *browser.pairingAddress();
        return address.substr(address.find("#t=") + 3);
    }
    // Joins by a fresh pairing code and returns the credential it was given.
    std::string pair(BrowserSocket& browserSocket, const std::string& name)
    {
        const auto answer
            = browserSocket.invite({ { "displayName", name }, { "pairingToken", token() } });
        EXPECT_EQ(answer.value("accepted", false), true) << answer.dump();
        return answer.value("credential", std::string());
    }
    bool trusted(const std::string& name) const
    {
        const auto& devices = *receiver->trustedDevices();
        return std::any_of(devices.begin(), devices.end(),
                           [&](const TrustedDevice& device) { return device.name == name; });
    }

    TemporaryFolder folder;
    CapturingLog log;
    QtScheduler scheduler;
    VirtualScheduler tokenClock;
    InMemoryUserDefaults defaults;
    FixedHostNames hostNames { "Desk", "desk" };
    PairingTokens tokens { tokenClock, [](std::size_t count) {
                              Bytes bytes(count);
                              QRandomGenerator::global()->generate(bytes.begin(), bytes.end());
                              return bytes;
                          } };
    BrowserAccess browser { defaults, tokens, QHostAddress(QHostAddress::LocalHost) };
    std::unique_ptr<LinuxPeerFramework> framework;
    std::shared_ptr<MCReceiverMac> receiver;
    std::uint16_t port = 0;
};

TEST_F(PeerWebTest, ServesThePageFilesWithTheirHeadersOnOneConnection)
{
    const auto answer = exchange(port,
                                 "GET / HTTP/1.1\r\nHost: a\r\n\r\n"
                                 "GET /manifest.webmanifest HTTP/1.1\r\nHost: a\r\n\r\n"
                                 "GET /icons/icon-192.png HTTP/1.1\r\nHost: a\r\n\r\n"
                                 "GET /receiver.crt HTTP/1.1\r\nHost: a\r\n\r\n",
                                 1s);
    EXPECT_EQ(statusLine(answer), "HTTP/1.1 200 OK");
    for (const char* header :
         { "Content-Type: text/html; charset=utf-8\r\n", "X-Content-Type-Options: nosniff\r\n",
           "Referrer-Policy: no-referrer\r\n", "Cache-Control: no-store\r\n",
           "Content-Security-Policy: default-src 'none'; script-src 'self'; style-src 'self'; "
           "img-src 'self' data:; connect-src 'self'; manifest-src 'self'; base-uri 'none'; "
           "form-action 'none'; frame-ancestors 'none'\r\n",
           "Content-Type: application/manifest+json\r\n", "Content-Type: image/png\r\n",
           "Content-Type: application/x-x509-ca-cert\r\n" })
        EXPECT_NE(answer.find(header), std::string::npos) << header;
    const auto certificateHead = answer.find("application/x-x509-ca-cert");
    const auto certificate = answer.substr(answer.find("\r\n\r\n", certificateHead) + 4);
    const auto identity = loadOrCreateTlsIdentity(folder.path()).value();
    EXPECT_EQ(QByteArray::fromStdString(certificate), identity.certificate.toDer())
        << "the certificate the page is served with, for phones to install, and then the idle "
           "connection is closed without a word";
}

// Two connections at most from one address, and deadlines long enough to hold them.
class PeerWebAddressCapTest : public PeerWebTest {
protected:
    LinkLimits limits() const override
    {
        auto limits = PeerWebTest::limits();
        limits.handshakeTimeout = limits.requestHeadTimeout = 5s;
        limits.maxPendingPerBrowserAddress = 2;
        return limits;
    }
};

// A browser keeps its connections open between requests and opens new ones when it likes: at the
// cap of its address the oldest idle one makes room, and one still busy is kept even if older.
TEST_F(PeerWebAddressCapTest, AnIdleConnectionMakesRoomForANewOneOfItsAddress)
{
    QTcpSocket busy; // sent nothing yet
    busy.connectToHost(QStringLiteral("127.0.0.1"), port);
    ASSERT_TRUE(pollUntil([&] { return busy.state() == QAbstractSocket::ConnectedState; }));
    QSslSocket idle;
    auto configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    idle.setSslConfiguration(configuration);
    idle.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    ASSERT_TRUE(pollUntil([&] { return idle.isEncrypted(); }));
    idle.write("GET /receiver.crt HTTP/1.1\r\nHost: a\r\n\r\n");
    QByteArray answered;
    ASSERT_TRUE(pollUntil([&] { return (answered += idle.readAll()).startsWith("HTTP/1.1 200"); }));

    EXPECT_EQ(statusLine(exchange(port, "GET / HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n")),
              "HTTP/1.1 200 OK");
    EXPECT_TRUE(pollUntil([&] { return idle.state() == QAbstractSocket::UnconnectedState; }, 1s));
    EXPECT_EQ(busy.state(), QAbstractSocket::ConnectedState);
}

TEST_F(PeerWebTest, RequestsOutsideThePageAreRefused)
{
    const std::pair<std::string, std::string> rows[] = {
        { "GET /../etc/passwd HTTP/1.1\r\nHost: a\r\n\r\n", "HTTP/1.1 404 Not Found" },
        { "GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\nHost: a\r\n\r\n", "HTTP/1.1 404 Not Found" },
        { "GET /index.html/ HTTP/1.1\r\nHost: a\r\n\r\n", "HTTP/1.1 404 Not Found" },
        { "GET http://a/ HTTP/1.1\r\nHost: a\r\n\r\n", "HTTP/1.1 400 Bad Request" },
        { "POST / HTTP/1.1\r\nHost: a\r\n\r\n", "HTTP/1.1 405 Method Not Allowed" },
        { "GET / HTTP/1.1\r\nHost: a\r\nContent-Length: 4\r\n\r\nbody",
          "HTTP/1.1 413 Content Too Large" },
        { "GET / HTTP/1.1\r\nHost: a\r\nX: " + std::string(1100, 'x') + "\r\n\r\n",
          "HTTP/1.1 431 Request Header Fields Too Large" },
        { "GET / HTTP/1.1\r\nHost: a\r\n", "HTTP/1.1 408 Request Timeout" }, // never finished
        { "GET /ws HTTP/1.1\r\nHost: a\r\n\r\n", "HTTP/1.1 400 Bad Request" }, // no upgrade
    };
    for (const auto& [request, expected] : rows)
        EXPECT_EQ(statusLine(exchange(port, request)), expected) << request.substr(0, 40);
}

TEST_F(PeerWebTest, PlainHttpIsOnlyRedirectedToHttps)
{
    const auto own = "127.0.0.1:" + std::to_string(port);
    const struct {
        std::string host;
        std::string path;
        std::string location;
    } rows[] = {
        { own, "/x", "https://" + own + "/x" },
        { "evil.example/x", "/receiver.crt", "https://" + own + "/receiver.crt" }, // bad Host
    };
    for (const auto& row : rows) {
        const auto answer = plainExchange(
            port, "GET " + row.path + " HTTP/1.1\r\nHost: " + row.host + "\r\n\r\n");
        EXPECT_EQ(statusLine(answer), "HTTP/1.1 301 Moved Permanently") << row.host;
        EXPECT_NE(answer.find("\r\nLocation: " + row.location + "\r\n"), std::string::npos)
            << answer;
        EXPECT_NE(answer.find("\r\nConnection: close\r\n"), std::string::npos) << answer;
        EXPECT_EQ(answer.substr(answer.find("\r\n\r\n") + 4), "Moved to " + row.location + "\n")
            << "a short text and nothing served";
    }

    QTcpSocket silent;
    silent.connectToHost(QStringLiteral("127.0.0.1"), port);
    EXPECT_TRUE(pollUntil([&] { return silent.state() == QAbstractSocket::ConnectedState; }));
    EXPECT_TRUE(pollUntil([&] { return silent.state() == QAbstractSocket::UnconnectedState; }, 2s))
        << "a connection that says nothing is cut at the handshake deadline";
}

TEST_F(PeerWebTest, AnotherSitesPageCannotOpenTheSocket)
{
    BrowserSocket foreign(port, QStringLiteral("https://evil.example"));
    EXPECT_NE(foreign.socket.state(), QAbstractSocket::ConnectedState);
    BrowserSocket own(port, QStringLiteral("https://127.0.0.1:%1").arg(port));
    EXPECT_EQ(own.socket.state(), QAbstractSocket::ConnectedState);
}

TEST_F(PeerWebTest, PairingCodeTradesOnceForACredentialThatLastsUntilRemoved)
{
    const auto shown = token();
    BrowserSocket first(port);
    const auto credential = pair(first, "Chrome · Android");
    EXPECT_EQ(credential.size(), 43U) << "256 bits of base64url";
    EXPECT_TRUE(trusted("Chrome · Android")) << "trusted without a question";
    EXPECT_NE(token(), shown) << "the address shown gets a new code";
    ASSERT_TRUE(pollUntil([&] { return *receiver->isConnected(); }));
    first.socket.close();
    ASSERT_TRUE(pollUntil([&] { return !*receiver->isConnected(); }));

    BrowserSocket reuse(port);
    EXPECT_EQ(reuse.invite({ { "displayName", "Thief" }, { "pairingToken", shown } }),
              json({ { "accepted", false }, { "reason", "expired-token" } }));
    EXPECT_TRUE(pollUntil([&] { return reuse.closed; })) << "and sent away";

    BrowserSocket again(port);
    EXPECT_EQ(again.invite({ { "displayName", "Chrome · Android" }, { "credential", credential } }),
              json({ { "accepted", true } }))
        << "no new credential for a known one";
    BrowserSocket second(port);
    const auto offered = token();
    EXPECT_EQ(second.invite({ { "displayName", "Other" }, { "pairingToken", offered } }),
              json({ { "accepted", false }, { "reason", "busy" } }));
    again.socket.close();
    ASSERT_TRUE(pollUntil([&] { return !*receiver->isConnected(); }));
    BrowserSocket later(port);
    EXPECT_EQ(later.invite({ { "displayName", "Other" }, { "pairingToken", offered } })
                  .value("accepted", false),
              true)
        << "a code offered while the place was taken is not spent";
    later.socket.close();
    ASSERT_TRUE(pollUntil([&] { return !*receiver->isConnected(); }));

    // The device is known by the SHA-256 of its credential's bytes.
    const auto bytes = decodeBase64Url(credential).value();
    const auto fingerprint
        = QCryptographicHash::hash(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size())),
                                   QCryptographicHash::Sha256)
              .toHex()
              .toStdString();
    receiver->revokeTrustedDevice(fingerprint);
    EXPECT_FALSE(trusted("Chrome · Android"));
    BrowserSocket removed(port);
    EXPECT_EQ(
        removed.invite({ { "displayName", "Chrome · Android" }, { "credential", credential } }),
        json({ { "accepted", false }, { "reason", "unknown-credential" } }));
}

TEST_F(PeerWebTest, TheSocketAnswersPingsAndKeepsTheInvitationsSizeLimit)
{
    BrowserSocket browserSocket(port);
    QByteArray pong;
    QObject::connect(&browserSocket.socket, &QWebSocket::pong,
                     [&](quint64, const QByteArray& payload) { pong = payload; });
    browserSocket.socket.ping("alive?");
    EXPECT_TRUE(pollUntil([&] { return pong == "alive?"; }));
    // Over the 512 bytes an invitation may have in these limits.
    browserSocket.socket.sendTextMessage(QString(513, QLatin1Char('x')));
    ASSERT_TRUE(pollUntil([&] { return browserSocket.closed; }));
    EXPECT_EQ(browserSocket.socket.closeCode(), QWebSocketProtocol::CloseCodeTooMuchData);
}

TEST_F(PeerWebTest, WithoutCodeOrCredentialTheUserIsAskedWithTheVerificationCode)
{
    BrowserSocket unknown(port);
    const auto pending = unknown.invite({ { "displayName", "Safari · iPhone" } });
    ASSERT_EQ(pending.value("pending", false), true) << pending.dump();
    const auto code = pending.value("verificationCode", std::string());
    EXPECT_EQ(code.size(), 6U);
    ASSERT_TRUE(receiver->consentRequest()->has_value());
    EXPECT_EQ((*receiver->consentRequest())->verificationCode, code)
        << "the prompt shows the code the page shows";

    receiver->answerConsentRequest(ConsentAnswer::Allow);
    const auto accepted = unknown.next();
    EXPECT_EQ(accepted.value("accepted", false), true);
    EXPECT_EQ(accepted.value("credential", std::string()).size(), 43U);
    EXPECT_TRUE(trusted("Safari · iPhone"));
}

TEST_F(PeerWebTest, SwitchingOffStopsServingAndEndsTheBrowsersSession)
{
    BrowserSocket joined(port);
    pair(joined, "Chrome · Android");
    ASSERT_TRUE(pollUntil([&] { return *receiver->isConnected(); }));
    browser.setEnabled(false);
    EXPECT_TRUE(pollUntil([&] { return !*receiver->isConnected() && joined.closed; }));
    EXPECT_EQ(*browser.pairingAddress(), "");
    QTcpSocket refused;
    refused.connectToHost(QStringLiteral("127.0.0.1"), port);
    EXPECT_TRUE(pollUntil([&] {
        return refused.error() == QAbstractSocket::ConnectionRefusedError;
    })) << "the port is closed";
    browser.setEnabled(true);
    ASSERT_FALSE(browser.pairingAddress()->empty());
    receiver->stopAdvertising();
    EXPECT_EQ(*browser.pairingAddress(), "") << "only while advertising";
}

} // namespace
} // namespace kavora::test
