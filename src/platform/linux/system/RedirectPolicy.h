// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

class QString;
class QUrl;

namespace kavora {

// Whether a host names this computer or a network it sits on without asking a name server: a
// literal loopback, private, link-local, unique-local or unspecified address (IPv4 in any form
// the system resolver reads as a number, IPv6 also as an IPv4-mapped address), or "localhost"
// and its subdomains.
bool isLocalNetworkHost(const QString& host);

// Whether a request for `original` may follow a redirect to `target`: only to http or https,
// never from https to http, and into the local networks only when the original address was
// there already. A web page must not make this computer fetch from its own LAN on its behalf.
bool mayFollowRedirect(const QUrl& original, const QUrl& target);

} // namespace kavora
