// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "wire/HttpRequestHead.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

using HeadStatus = HttpHeadParse::Status;

constexpr std::size_t kLimit = 256;
const std::string kGet = "GET / HTTP/1.1\r\nHost: pad:47390\r\n";

TEST(HttpRequestHeadTest, ReadsTheRequestLineAndFields)
{
    const std::string bytes = "GET /app.js?v=2 HTTP/1.1\r\nHost: 10.0.0.2:47390\r\n"
                              "Connection:  keep-alive, Upgrade \r\nX-Two: a\r\nx-two: b\r\n\r\n"
                              "next";
    const auto parsed = parseHttpRequestHead(bytes, kLimit);
    ASSERT_EQ(parsed.status, HeadStatus::Complete) << parsed.problem;
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
    const std::pair<std::string, HeadStatus> rows[] = {
        { "GET / HTTP/1.1\r\nHost: a", HeadStatus::NeedMore },
        { kGet + "\r\n", HeadStatus::Complete },
        { "GET / HTTP/1.0\r\n\r\n", HeadStatus::Complete }, // HTTP/1.0 needs no Host
        { "GET / HTTP/1.1\r\n\r\n", HeadStatus::Bad }, // HTTP/1.1 without Host
        { kGet + "Host: other\r\n\r\n", HeadStatus::Bad }, // two Hosts
        { "GET / HTTP/2.0\r\nHost: a\r\n\r\n", HeadStatus::Bad },
        { "GET  / HTTP/1.1\r\nHost: a\r\n\r\n", HeadStatus::Bad }, // two spaces
        { "GET /a b HTTP/1.1\r\nHost: a\r\n\r\n", HeadStatus::Bad },
        { "G(T / HTTP/1.1\r\nHost: a\r\n\r\n", HeadStatus::Bad }, // method not a token
        { "GET / HTTP/1.1\nHost: a\n\n", HeadStatus::Bad }, // bare LF, refused before the end
        { "GET / HTTP/1.1\r\nHost: a\rX: b\r\n\r\n", HeadStatus::Bad }, // bare CR
        { kGet + " folded\r\n\r\n", HeadStatus::Bad },
        { kGet + "Bad Name: x\r\n\r\n", HeadStatus::Bad },
        { kGet + "NoColon\r\n\r\n", HeadStatus::Bad },
        { kGet + "X: a\x01" + "b\r\n\r\n", HeadStatus::Bad },
        { kGet + "Content-Length: 0\r\n\r\n", HeadStatus::Complete },
        { kGet + "Content-Length: 5\r\n\r\nhello", HeadStatus::BodyNotAllowed },
        { kGet + "Transfer-Encoding: chunked\r\n\r\n", HeadStatus::BodyNotAllowed },
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
    EXPECT_EQ(parseHttpRequestHead(padded(kLimit), kLimit).status, HeadStatus::Complete);
    EXPECT_EQ(parseHttpRequestHead(padded(kLimit + 1), kLimit).status, HeadStatus::TooLarge);
    // No end in sight at the limit: refused without waiting for more.
    EXPECT_EQ(parseHttpRequestHead(kGet + std::string(kLimit, 'x'), kLimit).status,
              HeadStatus::TooLarge);
    EXPECT_EQ(
        parseHttpRequestHead(kGet + std::string(kLimit - kGet.size() - 1, 'x'), kLimit).status,
        HeadStatus::NeedMore);
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

TEST(HttpRequestHeadTest, RedirectToHttpsKeepsOnlyAPlainHostAndThePath)
{
    struct Row {
        const char* shows;
        std::string host; // the Host field's value; empty sends none (HTTP/1.0)
        std::string target;
        std::string location;
    };
    const Row rows[] = {
        { "host and port kept", "10.0.0.2:47390", "/x?y=1", "https://10.0.0.2:47390/x?y=1" },
        { "a name kept", "Desk.local:47390", "/", "https://Desk.local:47390/" },
        { "IPv6 kept", "[fe80::1]:47390", "/", "https://[fe80::1]:47390/" },
        { "no port: the one it came to", "desk.local", "/x", "https://desk.local:47390/x" },
        { "443 left out", "desk.local:443", "/", "https://desk.local/" },
        { "user information", "evil.example@10.0.0.2", "/", "https://10.0.0.9:47390/" },
        { "a path in the host", "evil.example/x", "/", "https://10.0.0.9:47390/" },
        { "a second port", "a:1:2", "/", "https://10.0.0.9:47390/" },
        { "a port too large", "a:65536", "/", "https://10.0.0.9:47390/" },
        { "an empty port", "a:", "/", "https://10.0.0.9:47390/" },
        { "a quote", "a\"b", "/", "https://10.0.0.9:47390/" },
        { "an IPv6 zone", "[fe80::1%eth0]:1", "/", "https://10.0.0.9:47390/" },
        { "unclosed bracket", "[::1", "/", "https://10.0.0.9:47390/" },
        { "no Host", "", "/x", "https://10.0.0.9:47390/x" },
        { "absolute target", "a", "http://evil.example/x", "https://a:47390/" },
        { "non-ASCII escaped", "a", "/caf\xC3\xA9", "https://a:47390/caf%C3%A9" },
    };
    for (const auto& row : rows) {
        HttpRequestHead head;
        head.method = "GET";
        head.target = row.target;
        if (!row.host.empty())
            head.fields.emplace_back("host", row.host);
        EXPECT_EQ(httpsRedirectLocation(head, "10.0.0.9", 47390), row.location) << row.shows;
    }
}

} // namespace
} // namespace kavora
