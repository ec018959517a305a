#include "wire/HttpRequestHead.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

using Status = HttpHeadParse::Status;

constexpr std::size_t kLimit = 256;
const std::string kGet = "GET / HTTP/1.1\r\nHost: pad:47390\r\n";

TEST(HttpRequestHeadTest, ReadsTheRequestLineAndFields)
{
    const std::string bytes = "GET /app.js?v=2 HTTP/1.1\r\nHost: 10.0.0.2:47390\r\n"
                              "Connection:  keep-alive, Upgrade \r\nX-Two: a\r\nx-two: b\r\n\r\n"
                              "next";
    const auto parsed = parseHttpRequestHead(bytes, kLimit);
    ASSERT_EQ(parsed.status, Status::Complete) << parsed.problem;
    EXPECT_EQ(parsed.consumed, bytes.size() - 4) << "what follows the head is left";
    EXPECT_EQ(parsed.head.method, "GET");
    EXPECT_EQ(parsed.head.target, "/app.js?v=2");
    EXPECT_EQ(parsed.head.field("host"), "10.0.0.2:47390");
    EXPECT_EQ(parsed.head.field("x-two"), "a, b") << "repeated fields join";
    EXPECT_TRUE(parsed.head.fieldHasToken("connection", "UPGRADE"));
    EXPECT_FALSE(parsed.head.fieldHasToken("connection", "close"));
    EXPECT_FALSE(parsed.head.field("absent"));
}

TEST(HttpRequestHeadTest, RefusesWhatIsNotAPlainRequestHead)
{
    const std::pair<std::string, Status> rows[] = {
        { "GET / HTTP/1.1\r\nHost: a", Status::NeedMore },
        { kGet + "\r\n", Status::Complete },
        { "GET / HTTP/1.0\r\n\r\n", Status::Complete }, // HTTP/1.0 needs no Host
        { "GET / HTTP/1.1\r\n\r\n", Status::Bad }, // HTTP/1.1 without Host
        { kGet + "Host: other\r\n\r\n", Status::Bad }, // two Hosts
        { "GET / HTTP/2.0\r\nHost: a\r\n\r\n", Status::Bad },
        { "GET  / HTTP/1.1\r\nHost: a\r\n\r\n", Status::Bad }, // two spaces
        { "GET /a b HTTP/1.1\r\nHost: a\r\n\r\n", Status::Bad },
        { "G(T / HTTP/1.1\r\nHost: a\r\n\r\n", Status::Bad }, // method not a token
        { "GET / HTTP/1.1\nHost: a\n\n", Status::Bad }, // bare LF, refused before the end
        { "GET / HTTP/1.1\r\nHost: a\rX: b\r\n\r\n", Status::Bad }, // bare CR
        { kGet + " folded\r\n\r\n", Status::Bad },
        { kGet + "Bad Name: x\r\n\r\n", Status::Bad },
        { kGet + "NoColon\r\n\r\n", Status::Bad },
        { kGet + "X: a\x01" + "b\r\n\r\n", Status::Bad },
        { kGet + "Content-Length: 0\r\n\r\n", Status::Complete },
        { kGet + "Content-Length: 5\r\n\r\nhello", Status::BodyNotAllowed },
        { kGet + "Transfer-Encoding: chunked\r\n\r\n", Status::BodyNotAllowed },
    };
    for (const auto& [bytes, expected] : rows) {
        const auto parsed = parseHttpRequestHead(bytes, kLimit);
        EXPECT_EQ(parsed.status, expected) << bytes;
    }
}

TEST(HttpRequestHeadTest, SizeLimitCountsTheWholeHeadAndIsKnownBeforeItsEnd)
{
    const std::string end = "\r\n\r\n";
    const auto padded = [&](std::size_t headBytes) {
        const std::string start = kGet + "X: ";
        return start + std::string(headBytes - start.size() - end.size(), 'x') + end;
    };
    EXPECT_EQ(parseHttpRequestHead(padded(kLimit), kLimit).status, Status::Complete);
    EXPECT_EQ(parseHttpRequestHead(padded(kLimit + 1), kLimit).status, Status::TooLarge);
    // No end in sight at the limit: refused without waiting for more.
    EXPECT_EQ(parseHttpRequestHead(kGet + std::string(kLimit, 'x'), kLimit).status,
              Status::TooLarge);
    EXPECT_EQ(
        parseHttpRequestHead(kGet + std::string(kLimit - kGet.size() - 1, 'x'), kLimit).status,
        Status::NeedMore);
}

TEST(HttpRequestHeadTest, RequestPathDecodesOriginFormOnly)
{
    const std::pair<std::string, std::optional<std::string>> rows[] = {
        { "/", "/" },
        { "/app.js?v=1&x=/..", "/app.js" },
        { "/%61pp.js", "/app.js" },
        { "/%2e%2e/%2E%2E/etc/passwd", "/../../etc/passwd" }, // names no page file: 404
        { "/a%2fb", "/a/b" },
        { "/%zz", std::nullopt },
        { "/%4", std::nullopt },
        { "http://evil.example/", std::nullopt }, // absolute form
        { "pad:47390", std::nullopt }, // authority form
        { "*", std::nullopt },
        { "/#t=abc", std::nullopt },
    };
    for (const auto& [target, expected] : rows)
        EXPECT_EQ(requestPath(target), expected) << target;
}

} // namespace
} // namespace kavora
