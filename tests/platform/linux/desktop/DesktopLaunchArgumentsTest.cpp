// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/DesktopLaunchArguments.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kavora {
namespace {

struct IdRow {
    const char* shows;
    std::string id;
    std::optional<std::string> desktopFileId;
};

TEST(DesktopLaunchArgumentsTest, DesktopFileIds)
{
    const IdRow rows[] = {
        { "a reverse-DNS id gets the suffix", "org.gnome.Nautilus", "org.gnome.Nautilus.desktop" },
        { "a Debian-style id", "firefox-esr", "firefox-esr.desktop" },
        { "an id with the suffix keeps it", "chromium.desktop", "chromium.desktop" },
        { "UTF-8 is allowed", "org.example.Café", "org.example.Café.desktop" },
        { "255 bytes with the suffix", std::string(247, 'a'), std::string(247, 'a') + ".desktop" },
        { "256 bytes with the suffix", std::string(248, 'a'), std::nullopt },
        { "empty", "", std::nullopt },
        { "an option", "-x", std::nullopt },
        { "a long option", "--new-window", std::nullopt },
        { "a relative path", "../applications/org.example.Viewer", std::nullopt },
        { "an absolute path", "/usr/bin/xterm", std::nullopt },
        { "a backslash", "a\\b", std::nullopt },
        { "a hidden name", ".hidden", std::nullopt },
        { "a newline", "org.example\nViewer", std::nullopt },
        { "a NUL byte", std::string("org\0x", 5), std::nullopt },
        { "a tab", "org\texample", std::nullopt },
        { "a space", "my app", std::nullopt },
        { "DEL", "org\x7f", std::nullopt },
        { "invalid UTF-8", "caf\xc3", std::nullopt },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        EXPECT_EQ(desktopFileIdFor(row.id), row.desktopFileId);
    }
}

struct UrlRow {
    const char* shows;
    std::string url;
    bool openable;
};

TEST(DesktopLaunchArgumentsTest, WebAddresses)
{
    const std::string longest = "https://example.org/" + std::string(8192 - 20, 'a');
    // clang-format off
    const UrlRow rows[] = {
        { "https", "https://example.org/", true },
        { "http", "http://example.org", true },
        { "the scheme in capitals", "HTTPS://Example.org/", true },
        { "shell characters and spaces stay one argument", "https://例え.jp/検索?q=a b&x=1;$(id)", true },
        { "at the length limit", longest, true },
        { "one past the length limit", longest + "a", false },
        { "file", "file:///etc/passwd", false },
        { "javascript", "javascript:alert(1)", false },
        { "an option", "-x", false },
        { "a long option", "--help", false },
        { "empty", "", false },
        { "ftp", "ftp://example.org/", false },
        { "a scheme that only starts like http", "httpx://example.org", false },
        { "no slashes", "http:example.org", false },
        { "no host", "https:///etc/passwd", false },
        { "nothing after the scheme", "http://", false },
        { "a query without host", "https://?q=1", false },
        { "a leading space", " https://example.org", false },
        { "a newline", "https://example.org/\nX-Header: 1", false },
        { "DEL", "https://example.org/\x7f", false },
        { "invalid UTF-8", "https://example.org/\xff", false },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        EXPECT_EQ(isOpenableWebAddress(row.url), row.openable);
    }
}

} // namespace
} // namespace kavora
