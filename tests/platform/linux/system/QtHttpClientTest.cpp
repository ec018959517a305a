// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/system/QtHttpClient.h"

#include "support/linux/LocalHttpServer.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

#include <QCoreApplication>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavora::test {
namespace {

using namespace std::chrono_literals;

const std::string kPage = "<html><title>Local</title></html>";
const std::string kAgent = "Mozilla/5.0 (Macintosh) Kavora";

// A name that is not local: only the test server, as the proxy, ever answers for it.
std::string publicUrl(const std::string& path)
{
    return "http://kavora-public.example" + path;
}

// Sends requests for the public name to the test server as a proxy, and nothing else.
class PublicNameProxy final : public QNetworkProxyFactory {
public:
    explicit PublicNameProxy(quint16 port)
        : port_(port)
    {
    }
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override
    {
        if (query.peerHostName() == QLatin1String("kavora-public.example"))
            return { QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", port_) };
        return { QNetworkProxy(QNetworkProxy::NoProxy) };
    }

private:
    quint16 port_;
};

// An HTTP/1.1 server on 127.0.0.1 with one behaviour per path, which is also the HTTP proxy of
// the public name, so that a request for it arrives here as well:
//   /page  a title page;  /missing  404 with a body;  /rN  a redirect to /r(N-1), /r0 to /page
//   /to-loopback, /to-public  a redirect to /page on 127.0.0.1, on the public name
//   /to-name  a redirect to /page on this server under the name in ?host=
//   /endless  200 without length, 4 KiB every 5 ms;  /drip  200 without length, a byte every 0.1 s
class QtHttpClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { PrivateSession::instance().application(); }

    void SetUp() override
    {
        QNetworkProxyFactory::setApplicationProxyFactory(new PublicNameProxy(server_.port()));
    }
    void TearDown() override
    {
        QNetworkProxyFactory::setApplicationProxyFactory(nullptr);
        client_.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::string url(const std::string& path) const { return server_.origin() + path; }

    // Runs one request to its end and returns its response.
    std::optional<HttpResponse> fetch(const std::string& url, std::size_t cap = 64 * 1024)
    {
        HttpRequest request;
        request.url = url;
        request.maxBodyBytes = cap;
        request.headers = { { "User-Agent", kAgent } };
        std::optional<HttpResponse> result;
        client_->get(std::move(request),
                     [&](HttpResponse response) { result = std::move(response); });
        pollUntil([&] { return result.has_value(); }, 10s);
        return result;
    }

    void serve(QTcpSocket& socket, const QByteArray& head)
    {
        heads_.push_back(head.toStdString());
        auto path = LocalHttpServer::pathOf(head).toStdString();
        if (path.starts_with("http://")) // the absolute form a proxy is asked with
            path = path.substr(path.find('/', 7));
        const auto redirect = [&](const std::string& target) {
            socket.write(("HTTP/1.1 302 Found\r\nLocation: " + target
                          + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
                             .c_str());
            socket.disconnectFromHost();
        };
        if (path == "/page") {
            LocalHttpServer::respond(socket, "200 OK", "text/html",
                                     QByteArray::fromStdString(kPage));
        } else if (path == "/missing") {
            LocalHttpServer::respond(socket, "404 Not Found", "text/html", "gone");
        } else if (path.starts_with("/to-name?host=")) {
            redirect("http://" + path.substr(path.find('=') + 1) + ":"
                     + std::to_string(server_.port()) + "/page");
        } else if (path == "/to-loopback" || path == "/to-public") {
            redirect(path == "/to-loopback" ? url("/page") : publicUrl("/page"));
        } else if (path.starts_with("/r")) {
            const int n = std::stoi(path.substr(2));
            redirect(url(n == 0 ? std::string("/page") : "/r" + std::to_string(n - 1)));
        } else {
            const bool endless = path == "/endless";
            socket.write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n");
            auto* timer = new QTimer(&socket);
            QObject::connect(timer, &QTimer::timeout, &socket, [&socket, endless] {
                socket.write(endless ? QByteArray(4096, 'x') : QByteArray("y"));
            });
            timer->start(endless ? 5ms : 100ms);
        }
    }

    std::vector<std::string> heads_; // of every request, as received
    LocalHttpServer server_ { [this](QTcpSocket& socket, const QByteArray& head) {
        serve(socket, head);
    } };
    // Inactivity 0.5 s, deadline 1 s: the drip feed of one byte per 0.1 s only meets the second.
    std::unique_ptr<QtHttpClient> client_ = std::make_unique<QtHttpClient>(
        QtHttpClient::Options { Seconds(0.5), Seconds(1.0), 3, {} });
};

std::optional<std::string> text(const HttpResponse& response)
{
    if (!response.body)
        return std::nullopt;
    return std::string(response.body->begin(), response.body->end());
}

TEST_F(QtHttpClientTest, AnswersTheBodyOrAnErrorWithinItsLimits)
{
    struct Row {
        const char* shows;
        std::string url;
        std::size_t cap;
        std::optional<int> status; // none: an error without a body
        std::string body;
        std::size_t requests; // that reach the server
    };
    // clang-format off
    const Row rows[] = {
        { "a page", url("/page"), 1024, 200, kPage, 1 },
        { "an error status with its body", url("/missing"), 1024, 404, "gone", 1 },
        { "three redirects are followed", url("/r2"), 1024, 200, kPage, 4 },
        { "a fourth is not", url("/r3"), 1024, std::nullopt, "", 4 },
        { "a public page to another", publicUrl("/to-public"), 1024, 200, kPage, 2 },
        { "a public page into the loopback address: refused", publicUrl("/to-loopback"), 1024, std::nullopt, "", 1 },
        { "a body one byte over the cap", url("/page"), kPage.size() - 1, std::nullopt, "", 1 },
        { "a body exactly at the cap", url("/page"), kPage.size(), 200, kPage, 1 },
        { "an endless body", url("/endless"), 64 * 1024, std::nullopt, "", 1 },
        { "a drip feed under the inactivity timeout: the deadline", url("/drip"), 64 * 1024, std::nullopt, "", 1 },
        { "a file", "file:///etc/passwd", 1024, std::nullopt, "", 0 },
        { "ftp", "ftp://127.0.0.1/x", 1024, std::nullopt, "", 0 },
        { "not an address", "not a url", 1024, std::nullopt, "", 0 },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        heads_.clear();
        const auto started = std::chrono::steady_clock::now();
        const auto response = fetch(row.url, row.cap);
        ASSERT_TRUE(response);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
        EXPECT_EQ(heads_.size(), row.requests);
        if (!heads_.empty()) {
            EXPECT_NE(heads_[0].find("User-Agent: " + kAgent + "\r\n"), std::string::npos);
        }
        if (row.status) {
            EXPECT_EQ(response->status, *row.status);
            EXPECT_EQ(text(*response), row.body);
            EXPECT_FALSE(response->error);
        } else {
            EXPECT_EQ(text(*response), std::nullopt);
            EXPECT_TRUE(response->error);
        }
    }
}

// A name's text says nothing of where it leads: this computer's own name is not "localhost",
// yet it resolves to a loopback address here. Taken for a public address, the same name is
// followed, and the hop, sent to the address that was checked, still names the host.
TEST_F(QtHttpClientTest, JudgesARedirectToANameByTheAddressesItResolvesTo)
{
    const QString name = QHostInfo::localHostName();
    const auto addresses = QHostInfo::fromName(name).addresses();
    const bool loopback = !addresses.isEmpty()
        && std::ranges::all_of(addresses, [](const QHostAddress& a) { return a.isLoopback(); });
    if (name.isEmpty() || name.contains(QLatin1String("localhost")) || !loopback)
        GTEST_SKIP() << "this computer's name \"" << name.toStdString()
                     << "\" does not resolve to loopback addresses only";

    struct Row {
        const char* shows;
        bool loopbackIsLocal;
        std::optional<std::string> body;
        std::size_t requests;
    };
    const Row rows[] = {
        { "a loopback address: refused, nothing sent to it", true, std::nullopt, 1 },
        { "taken for public: followed under the name", false, kPage, 2 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        heads_.clear();
        QtHttpClient::Options options { Seconds(0.5), Seconds(1.0), 3, {} };
        if (!row.loopbackIsLocal)
            options.isLocalAddress = [](const QHostAddress&) { return false; };
        client_ = std::make_unique<QtHttpClient>(options);
        const auto response = fetch(publicUrl("/to-name?host=" + name.toStdString()));
        ASSERT_TRUE(response);
        EXPECT_EQ(text(*response), row.body);
        ASSERT_EQ(heads_.size(), row.requests);
        if (row.requests == 2) {
            const auto host = "Host: " + name.toStdString() + ":" + std::to_string(server_.port());
            EXPECT_NE(heads_[1].find(host + "\r\n"), std::string::npos) << heads_[1];
        }
    }
}

TEST_F(QtHttpClientTest, CancelledRequestNeverCompletes)
{
    bool called = false;
    HttpRequest request;
    request.url = url("/drip");
    const auto id = client_->get(request, [&called](HttpResponse) { called = true; });
    ASSERT_TRUE(pollUntil([&] { return !heads_.empty(); }, 5s));
    client_->cancel(id);
    // Longer than the deadline: a timer left behind would fire in this time.
    pollUntil([] { return false; }, 1500ms);
    EXPECT_FALSE(called);
}

} // namespace
} // namespace kavora::test
