// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "controller/UrlText.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

struct Row {
    const char* shows;
    std::string input;
    std::string expected;
};

TEST(UrlText, NormalizeURL)
{
    const Row rows[] = {
        { "no scheme gets https", "example.com", "https://example.com" },
        { "whitespace and newlines trimmed", " \t example.com/a \n", "https://example.com/a" },
        { "http kept", "http://example.com", "http://example.com" },
        { "https kept", "https://example.com", "https://example.com" },
        { "capital scheme not recognised", "HTTP://example.com", "https://HTTP://example.com" },
        { "other scheme not recognised", "ftp://example.com", "https://ftp://example.com" },
        { "blank is empty", " \t\r\n ", "" },
        { "empty is empty", "", "" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(normalizeURL(row.input), row.expected) << row.shows;
}

TEST(UrlText, HostOrSelf)
{
    // clang-format off
    const Row rows[] = {
        { "bare host", "example.com", "example.com" },
        { "untrimmed bare host", "  example.com\n", "example.com" },
        { "userinfo, port, path, query, fragment", "https://u:p@www.example.com:8080/a?b=c#d", "www.example.com" },
        { "host case and unreserved characters kept", "http://AZaz-09._~.COM/", "AZaz-09._~.COM" },
        { "IPv6 literal without brackets", "http://[::1]:8080/x", "::1" },
        { "unclosed IPv6 literal", "http://[::1/x", "http://[::1/x" },
        { "space is not a URL", "https://exa mple.com", "https://exa mple.com" },
        { "non-ASCII is not a URL", "日本.jp", "日本.jp" },
        { "escapes of either case", "https://x.example/%Af%aF", "x.example" },
        { "escape ending the text", "https://x.example/%41", "x.example" },
        { "escape cut off by the end", "https://x.example/%4", "https://x.example/%4" },
        { "first escape digit not hex", "https://x.example/a%g1", "https://x.example/a%g1" },
        { "second escape digit not hex", "https://x.example/%1g", "https://x.example/%1g" },
        { "bad escape in the host", "https://a%zz.com", "https://a%zz.com" },
        { "empty port", "HTTP://example.com", "HTTP" },
        { "port out of range", "https://example.com:65536/", "https://example.com:65536/" },
        { "port at the limit", "https://example.com:65535/", "example.com" },
        { "six-digit port, small as it is", "https://example.com:000080/", "https://example.com:000080/" },
        { "letters in the port", "https://example.com:8o/", "https://example.com:8o/" },
        { "empty host", "https:///path", "https:///path" },
        { "empty text", "", "" },
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(hostOrSelf(row.input), row.expected) << row.shows;
}

TEST(UrlText, UrlHostTakesAnySchemeOfLettersDigitsPlusMinusAndDot)
{
    const std::pair<std::string_view, std::optional<std::string>> rows[] = {
        { "a://x.example", "x.example" },
        { "Z+9-.z://x.example", "x.example" },
        { "1a://x.example", std::nullopt },
        { "a_b://x.example", std::nullopt },
        { "://x.example", std::nullopt },
        { "mailto:someone", std::nullopt }, // a URL without a host
        // The escape is judged within the text given, whatever follows it in memory.
        { std::string_view("https://x.example/%41").substr(0, 20), std::nullopt },
    };
    for (const auto& [text, host] : rows)
        EXPECT_EQ(urlHost(text), host) << text;
    EXPECT_TRUE(isValidURL("mailto:someone"));
}

} // namespace
} // namespace kavora
