// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kavora {

// Text helpers for the addresses of favourite sites. All texts are UTF-8.

// The address as the user meant it: trimmed, and with "https://" put in front unless it already
// starts with "http://" or "https://" (case-sensitive). Empty when nothing but whitespace.
std::string normalizeURL(std::string_view text);

// The host of an absolute URL (scheme://[userinfo@]host[:port][/path][?query][#fragment]),
// without the brackets of an IPv6 literal. Absent when the text is not such a URL (characters
// outside RFC 3986, a bad port, a bad percent escape) or its host is empty.
std::optional<std::string> urlHost(std::string_view text);
// Whether the text is an absolute URL that urlHost accepts the syntax of (the host may be empty).
bool isValidURL(std::string_view text);

// The host of normalizeURL(text), or the text itself, unchanged, when there is none.
std::string hostOrSelf(std::string_view text);

} // namespace kavora
