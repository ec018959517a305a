// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "controller/UrlText.h"

#include "core/Text.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace kavora {
namespace {

bool isAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool isUnreserved(char c)
{
    return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}
bool isSubDelim(char c)
{
    return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos;
}

// Every character is one RFC 3986 allows in a URL and every '%' starts an escape of two hex
// digits. Brackets are checked where the host is parsed.
bool hasOnlyURLCharacters(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size() || !isHexDigit(text[i + 1]) || !isHexDigit(text[i + 2]))
                return false;
            i += 2;
        } else if (!isUnreserved(c) && !isSubDelim(c)
                   && std::string_view(":/?#[]@").find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

bool isRegName(std::string_view host)
{
    return std::ranges::all_of(host,
                               [](char c) { return isUnreserved(c) || isSubDelim(c) || c == '%'; });
}

bool isPort(std::string_view port)
{
    if (port.size() > 5)
        return false;
    unsigned value = 0;
    for (char c : port) {
        if (!isDigit(c))
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value <= 65535;
}

struct ParsedURL {
    std::string host; // empty when the URL has none
};

std::optional<ParsedURL> parseURL(std::string_view text)
{
    if (!hasOnlyURLCharacters(text))
        return std::nullopt;
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || !isAlpha(text[0]))
        return std::nullopt;
    for (char c : text.substr(0, colon)) {
        if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.')
            return std::nullopt;
    }
    auto rest = text.substr(colon + 1);
    if (rest.find('#') != rest.rfind('#'))
        return std::nullopt;
    ParsedURL parsed;
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const auto authority = rest.substr(0, rest.find_first_of("/?#"));
        rest.remove_prefix(authority.size());
        auto hostPort = authority.substr(authority.rfind('@') + 1); // npos + 1 == 0
        if (authority.substr(0, authority.size() - hostPort.size()).find_first_of("[]")
            != std::string_view::npos)
            return std::nullopt;
        std::string_view host;
        std::string_view afterHost;
        if (!hostPort.empty() && hostPort.front() == '[') {
            const auto close = hostPort.find(']');
            if (close == std::string_view::npos || close == 1)
                return std::nullopt;
            host = hostPort.substr(1, close - 1);
            for (char c : host) {
                if (!isHexDigit(c) && c != ':' && c != '.')
                    return std::nullopt;
            }
            afterHost = hostPort.substr(close + 1);
        } else {
            host = hostPort.substr(0, hostPort.find(':'));
            afterHost = hostPort.substr(host.size());
            if (!isRegName(host))
                return std::nullopt;
        }
        if (!afterHost.empty() && (afterHost.front() != ':' || !isPort(afterHost.substr(1))))
            return std::nullopt;
        parsed.host = std::string(host);
    }
    if (rest.find_first_of("[]") != std::string_view::npos)
        return std::nullopt;
    return parsed;
}

} // namespace

std::string normalizeURL(std::string_view text)
{
    auto result = trimWhitespaceAndNewlines(text);
    if (result.empty() || result.starts_with("http://") || result.starts_with("https://"))
        return result;
    return "https://" + result;
}

std::optional<std::string> urlHost(std::string_view text)
{
    auto parsed = parseURL(text);
    if (!parsed || parsed->host.empty())
        return std::nullopt;
    return std::move(parsed->host);
}

bool isValidURL(std::string_view text)
{
    return parseURL(text).has_value();
}

std::string hostOrSelf(std::string_view text)
{
    if (auto host = urlHost(normalizeURL(text)))
        return std::move(*host);
    return std::string(text);
}

} // namespace kavora
