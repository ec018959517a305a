// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/LinuxHostNames.h"

#include <array>
#include <climits>
#include <fstream>

#include <unistd.h>

namespace kavora {

namespace {

constexpr std::string_view kPrettyHostNameKey = "PRETTY_HOSTNAME=";
// machine-info is a few lines; anything larger is not read.
constexpr std::size_t kMaxMachineInfoBytes = std::size_t { 64 } * 1024;

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The value of a shell-like assignment: quotes removed, backslash escapes resolved.
std::string unquote(std::string_view value)
{
    std::string result;
    char quote = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (quote == 0 && (c == '"' || c == '\'')) {
            quote = c;
        } else if (c == quote) {
            quote = 0;
        } else if (c == '\\' && quote != '\'' && i + 1 < value.size()) {
            result += value[++i];
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace

std::string prettyHostNameFromMachineInfo(std::string_view text)
{
    std::string value;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const auto line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.starts_with(kPrettyHostNameKey))
            value = unquote(line.substr(kPrettyHostNameKey.size())); // the last one counts
    }
    return std::string(trim(value));
}

LinuxHostNames::LinuxHostNames(std::filesystem::path machineInfo)
    : machineInfo_(std::move(machineInfo))
{
}

std::string LinuxHostNames::prettyHostName() const
{
    std::ifstream in(machineInfo_, std::ios::binary);
    if (!in)
        return {};
    std::string text(kMaxMachineInfoBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return prettyHostNameFromMachineInfo(text);
}

std::string LinuxHostNames::hostName() const
{
    std::array<char, HOST_NAME_MAX + 1> name {};
    if (::gethostname(name.data(), name.size() - 1) != 0)
        return {};
    return name.data();
}

} // namespace kavora
