// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/system/RedirectPolicy.h"

#include <QString>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include <arpa/inet.h>
#include <netinet/in.h>

namespace kavora {
namespace {

struct Ipv4Range {
    std::uint32_t network;
    int prefixLength;
};

// Unspecified ("this network"), private, loopback and link-local.
constexpr std::array<Ipv4Range, 6> kLocalIpv4Ranges { {
    { 0x00000000, 8 },
    { 0x0A000000, 8 },
    { 0x7F000000, 8 },
    { 0xA9FE0000, 16 },
    { 0xAC100000, 12 },
    { 0xC0A80000, 16 },
} };

bool isLocalIpv4(std::uint32_t address)
{
    return std::ranges::any_of(kLocalIpv4Ranges, [address](const Ipv4Range& range) {
        const std::uint32_t mask = ~std::uint32_t { 0 } << (32 - range.prefixLength);
        return (address & mask) == range.network;
    });
}

bool isLocalIpv6(const in6_addr& address)
{
    const auto* b = address.s6_addr;
    constexpr std::array<std::uint8_t, 10> kZeros {};
    if (std::memcmp(b, kZeros.data(), kZeros.size()) == 0) {
        const bool mapped = b[10] == 0xFF && b[11] == 0xFF;
        const std::uint32_t low = (std::uint32_t { b[12] } << 24) | (std::uint32_t { b[13] } << 16)
            | (std::uint32_t { b[14] } << 8) | b[15];
        if (mapped)
            return isLocalIpv4(low);
        if (b[10] == 0 && b[11] == 0 && (low == 0 || low == 1))
            return true; // :: and ::1
    }
    const bool uniqueLocal = (b[0] & 0xFE) == 0xFC; // fc00::/7
    const bool linkLocal = b[0] == 0xFE && (b[1] & 0xC0) == 0x80; // fe80::/10
    return uniqueLocal || linkLocal;
}

} // namespace

bool isLocalNetworkHost(const QString& host)
{
    auto name = host.toLower().toStdString();
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    if (name == "localhost" || name.ends_with(".localhost"))
        return true;

    // inet_aton reads every numeric form the resolver does ("127.1", "0x7f000001", "017700000001").
    in_addr v4 {};
    if (::inet_aton(name.c_str(), &v4) != 0)
        return isLocalIpv4(ntohl(v4.s_addr));
    // A zone ("fe80::1%eth0") names an interface, not a different address.
    const auto zone = name.find('%');
    if (zone != std::string::npos)
        name.erase(zone);
    in6_addr v6 {};
    if (::inet_pton(AF_INET6, name.c_str(), &v6) == 1)
        return isLocalIpv6(v6);
    return false;
}

bool mayFollowRedirect(const QUrl& original, const QUrl& target)
{
    const auto scheme = target.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    if (original.scheme().toLower() == QLatin1String("https") && scheme == QLatin1String("http"))
        return false;
    const auto targetHost = target.host(QUrl::FullyEncoded);
    if (!isLocalNetworkHost(targetHost))
        return true;
    return isLocalNetworkHost(original.host(QUrl::FullyEncoded));
}

} // namespace kavora
