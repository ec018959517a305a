// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/system/RedirectPolicy.h"

#include <QString>
#include <QUrl>

#include <gtest/gtest.h>

namespace kavora {
namespace {

TEST(RedirectPolicy, LocalNetworkHosts)
{
    struct Row {
        const char* host;
        bool local;
    };
    const Row rows[] = {
        { "127.0.0.1", true },
        { "127.1", true }, // short form the resolver accepts
        { "2130706433", true }, // 127.0.0.1 as one number
        { "0x7f.0.0.1", true },
        { "0177.0.0.1", true }, // octal
        { "127.0.0.1.", true }, // trailing dot
        { "10.0.0.1", true },
        { "172.16.0.1", true },
        { "172.31.255.255", true },
        { "172.15.255.255", false },
        { "172.32.0.0", false },
        { "192.168.1.1", true },
        { "192.169.0.1", false },
        { "169.254.169.254", true }, // cloud metadata
        { "169.255.0.1", false },
        { "0.0.0.0", true },
        { "8.8.8.8", false },
        { "::1", true },
        { "::", true },
        { "::2", false },
        { "fc00::1", true },
        { "fe00::1", false },
        { "fe80::1", true },
        { "febf::1", true },
        { "fec0::1", false },
        { "fe80::1%eth0", true },
        { "::ffff:127.0.0.1", true },
        { "::ffff:c0a8:101", true },
        { "::ffff:8.8.8.8", false },
        { "2001:4860:4860::8888", false },
        { "localhost", true },
        { "LOCALHOST", true },
        { "localhost.", true },
        { "printer.localhost", true },
        { "localhost.example.com", false },
        { "example.com", false },
        { "", false },
    };
    for (const auto& row : rows)
        EXPECT_EQ(isLocalNetworkHost(QString::fromUtf8(row.host)), row.local) << row.host;
}

TEST(RedirectPolicy, Redirects)
{
    struct Row {
        const char* shows;
        const char* from;
        const char* to;
        bool follow;
    };
    const Row rows[] = {
        { "public to public", "https://a.example/", "https://b.example/x", true },
        { "http to https", "http://a.example/", "https://a.example/", true },
        { "https to http", "https://a.example/", "http://a.example/", false },
        { "https to HTTP", "https://a.example/", "HTTP://a.example/", false },
        { "other scheme", "http://a.example/", "file:///etc/passwd", false },
        { "public to loopback", "https://a.example/", "http://127.0.0.1:8080/", false },
        { "public to a private IPv6", "http://a.example/", "http://[fd00::1]/", false },
        { "public to a mapped address", "http://a.example/", "http://[::ffff:10.0.0.1]/", false },
        { "public to localhost", "http://a.example/", "http://localhost/admin", false },
        { "public to a numeric loopback", "http://a.example/", "http://2130706433/", false },
        { "a LAN site within the LAN", "http://192.168.1.1/", "http://192.168.1.1/login", true },
        { "a loopback service to loopback", "http://127.0.0.1:9/", "http://127.0.0.1:9/x", true },
        { "a LAN site to the internet", "http://192.168.1.1/", "https://b.example/", true },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(
            mayFollowRedirect(QUrl(QString::fromUtf8(row.from)), QUrl(QString::fromUtf8(row.to))),
            row.follow)
            << row.shows;
    }
}

} // namespace
} // namespace kavora
