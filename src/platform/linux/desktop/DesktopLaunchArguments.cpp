// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/DesktopLaunchArguments.h"

#include "core/Text.h"

#include <algorithm>
#include <cstddef>

namespace kavora {

namespace {

// Desktop-file names are file names; the file system caps them at 255 bytes.
constexpr std::size_t kMaxDesktopFileIdLength = 255;
// Well above what browsers accept in practice, far below what could hurt the launcher.
constexpr std::size_t kMaxUrlLength = 8192;
constexpr std::string_view kDesktopSuffix = ".desktop";

bool isControl(unsigned char c)
{
    return c < 0x20 || c == 0x7f;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size()
        && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(a) == lower(b);
           });
}

} // namespace

std::optional<std::string> desktopFileIdFor(std::string_view applicationId)
{
    if (applicationId.empty() || applicationId.front() == '-' || applicationId.front() == '.')
        return std::nullopt;
    const bool forbidden = std::ranges::any_of(applicationId, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return isControl(byte) || c == ' ' || c == '/' || c == '\\';
    });
    if (forbidden || !isValidUtf8(applicationId))
        return std::nullopt;

    std::string id(applicationId);
    if (!id.ends_with(kDesktopSuffix))
        id += kDesktopSuffix;
    if (id.size() > kMaxDesktopFileIdLength)
        return std::nullopt;
    return id;
}

bool isOpenableWebAddress(std::string_view url)
{
    if (url.size() > kMaxUrlLength || !isValidUtf8(url))
        return false;
    if (std::ranges::any_of(url, [](char c) { return isControl(static_cast<unsigned char>(c)); }))
        return false;

    std::string_view rest;
    if (startsWithIgnoringCase(url, "https://"))
        rest = url.substr(8);
    else if (startsWithIgnoringCase(url, "http://"))
        rest = url.substr(7);
    else
        return false;
    // The authority must name a host: "https:///etc/passwd" or "http://?x" name none.
    return !rest.empty() && rest.front() != '/' && rest.front() != '?' && rest.front() != '#'
        && rest.front() != ' ';
}

} // namespace kavora
