#include "platform/linux/system/QtHttpClient.h"

#include "support/linux/LocalHttpServer.h"
#include "support/linux/Polling.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavora {
namespace {

using namespace std::chrono_literals;

void ensureApplication()
{
    if (QCoreApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "kavora-http-test";
    static char* argv[] = { name, nullptr };
    new QCoreApplication(argc, argv); // lives until the process ends
}

// A small HTTP/1.1 server on 127.0.0.1 with one behaviour per path:
//   /page          a title page;  /missing  404 with a body
//   /rN            a redirect to /r(N-1), /r0 redirects to /page
//   /to-loopback   a redirect to /page on 127.0.0.1
//   /to-public     a redirect to /page on the public name (publicUrl)
//   /endless       200 without length, 4 KiB every 5 ms forever
//   /drip          200 without length, one byte every 100 ms forever
// It also serves as an HTTP proxy, so that a request for the public name arrives here as well.
class LocalServer {
public:
    LocalServer()
        : server_([this](QTcpSocket& socket, const QByteArray& head) { serve(socket, head); })
    {
    }

    std::string url(const std::string& path) const { return server_.origin() + path; }

    // A name that is not local; only this server, as the proxy, ever answers for it.
    static std::string publicUrl(const std::string& path)
    {
        return "http://kavora-public.example" + path;
    }
    quint16 port() const { return server_.port(); }

    std::vector<std::string> requestHeads; // the head of every request, as received

private:
    void serve(QTcpSocket& socket, const QByteArray& head)
    {
        requestHeads.push_back(head.toStdString());
        auto path = test::LocalHttpServer::pathOf(head).toStdString();
        if (path.starts_with("http://")) // the absolute form a proxy is asked with
            path = path.substr(path.find('/', 7));
        if (path == "/page") {
            test::LocalHttpServer::respond(socket, "200 OK", "text/html",
                                           "<html><title>Local</title></html>");
        } else if (path == "/missing") {
            test::LocalHttpServer::respond(socket, "404 Not Found", "text/html", "gone");
        } else if (path == "/to-loopback" || path == "/to-public") {
            redirect(socket, path == "/to-loopback" ? url("/page") : publicUrl("/page"));
        } else if (path.starts_with("/r")) {
            const int n = std::stoi(path.substr(2));
            redirect(socket, url(n == 0 ? std::string("/page") : "/r" + std::to_string(n - 1)));
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

    static void redirect(QTcpSocket& socket, const std::string& target)
    {
        socket.write(("HTTP/1.1 302 Found\r\nLocation: " + target
                      + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
                         .c_str());
        socket.disconnectFromHost();
    }

    test::LocalHttpServer server_;
};

class QtHttpClientTest : public ::testing::Test {
protected:
    // Inactivity 0.5 s, deadline 1 s: the drip feed of one byte per 0.1 s only meets the second.
    void SetUp() override
    {
        ensureApplication();
        server = std::make_unique<LocalServer>();
        client = std::make_unique<QtHttpClient>(
            QtHttpClient::Options { Seconds(0.5), Seconds(1.0), 3 });
    }
    void TearDown() override
    {
        client.reset();
        server.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Runs one request to its end and returns its response.
    std::optional<HttpResponse> fetch(HttpRequest request)
    {
        std::optional<HttpResponse> result;
        client->get(std::move(request),
                    [&result](HttpResponse response) { result = std::move(response); });
        test::pollUntil([&] { return result.has_value(); }, 10000ms);
        return result;
    }
    std::optional<HttpResponse> fetch(const std::string& url, std::size_t cap = 64 * 1024)
    {
        HttpRequest request;
        request.url = url;
        request.maxBodyBytes = cap;
        return fetch(std::move(request));
    }

    std::unique_ptr<LocalServer> server;
    std::unique_ptr<QtHttpClient> client;
};

// Sends every request of the process through the HTTP proxy on this port while it lives.
class ProxyThrough {
public:
    explicit ProxyThrough(quint16 port)
        : previous_(QNetworkProxy::applicationProxy())
    {
        QNetworkProxy::setApplicationProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", port));
    }
    ProxyThrough(const ProxyThrough&) = delete;
    ProxyThrough& operator=(const ProxyThrough&) = delete;
    ~ProxyThrough() { QNetworkProxy::setApplicationProxy(previous_); }

private:
    QNetworkProxy previous_;
};

std::string text(const HttpResponse& response)
{
    return response.body ? std::string(response.body->begin(), response.body->end()) : "<none>";
}

TEST_F(QtHttpClientTest, FetchesAPageWithItsHeader)
{
    HttpRequest request;
    request.url = server->url("/page");
    request.headers = { { "User-Agent", "Mozilla/5.0 (Macintosh) Kavora" } };
    request.timeout = Seconds(8.0);
    const auto response = fetch(request);
    ASSERT_TRUE(response.has_value());
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(text(*response), "<html><title>Local</title></html>");
    EXPECT_FALSE(response->error.has_value());
    ASSERT_EQ(server->requestHeads.size(), 1u);
    EXPECT_NE(server->requestHeads[0].find("User-Agent: Mozilla/5.0 (Macintosh) Kavora\r\n"),
              std::string::npos);
}

TEST_F(QtHttpClientTest, ErrorStatusStillCarriesItsBody)
{
    const auto response = fetch(server->url("/missing"));
    ASSERT_TRUE(response.has_value());
    EXPECT_EQ(response->status, 404);
    EXPECT_EQ(text(*response), "gone");
}

TEST_F(QtHttpClientTest, BodyCapAndDeadlineCutHostileServers)
{
    struct Row {
        const char* shows;
        std::string path;
        std::size_t cap;
    };
    const Row rows[] = {
        { "body over the cap", "/page", 10 },
        { "endless body", "/endless", 64 * 1024 },
        { "drip feed under the inactivity timeout", "/drip", 64 * 1024 },
    };
    for (const auto& row : rows) {
        const auto started = std::chrono::steady_clock::now();
        const auto response = fetch(server->url(row.path), row.cap);
        ASSERT_TRUE(response.has_value()) << row.shows;
        EXPECT_FALSE(response->body.has_value()) << row.shows;
        EXPECT_TRUE(response->error.has_value()) << row.shows;
        EXPECT_LT(std::chrono::steady_clock::now() - started, 3s) << row.shows;
    }
}

TEST_F(QtHttpClientTest, FollowsAtMostThreeRedirects)
{
    const auto three = fetch(server->url("/r2"));
    ASSERT_TRUE(three.has_value());
    EXPECT_EQ(three->status, 200);
    EXPECT_EQ(text(*three), "<html><title>Local</title></html>");

    const auto four = fetch(server->url("/r3"));
    ASSERT_TRUE(four.has_value());
    EXPECT_FALSE(four->body.has_value());
    EXPECT_TRUE(four->error.has_value());
}

// A public page must not make the receiver fetch from its own computer or LAN.
TEST_F(QtHttpClientTest, RefusesRedirectsFromPublicAddressesIntoLocalOnes)
{
    const ProxyThrough proxy(server->port());
    struct Row {
        const char* shows;
        std::string url;
        std::optional<std::string> body;
    };
    const Row rows[] = {
        { "a public page", LocalServer::publicUrl("/page"), "<html><title>Local</title></html>" },
        { "public to public", LocalServer::publicUrl("/to-public"),
          "<html><title>Local</title></html>" },
        { "public to loopback", LocalServer::publicUrl("/to-loopback"), std::nullopt },
    };
    for (const auto& row : rows) {
        server->requestHeads.clear();
        const auto response = fetch(row.url);
        ASSERT_TRUE(response.has_value()) << row.shows;
        EXPECT_EQ(response->body.has_value(), row.body.has_value()) << row.shows;
        if (row.body)
            EXPECT_EQ(text(*response), *row.body) << row.shows;
        else
            EXPECT_EQ(server->requestHeads.size(), 1u) << row.shows; // /page was never asked for
    }
}

TEST_F(QtHttpClientTest, RefusesOtherSchemes)
{
    for (const auto* url : { "file:///etc/passwd", "ftp://127.0.0.1/x", "not a url" }) {
        const auto response = fetch(url);
        ASSERT_TRUE(response.has_value()) << url;
        EXPECT_FALSE(response->body.has_value()) << url;
        EXPECT_TRUE(response->error.has_value()) << url;
    }
    EXPECT_TRUE(server->requestHeads.empty());
}

TEST_F(QtHttpClientTest, CancelledRequestNeverCompletes)
{
    bool called = false;
    HttpRequest request;
    request.url = server->url("/drip");
    const auto id = client->get(request, [&called](HttpResponse) { called = true; });
    ASSERT_TRUE(test::pollUntil([&] { return !server->requestHeads.empty(); }, 5000ms));
    client->cancel(id);
    // Longer than the deadline: a timer left behind would fire in this time.
    test::pollUntil([] { return false; }, 1500ms);
    EXPECT_FALSE(called);
}

} // namespace
} // namespace kavora
