// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/ReceiverOptions.h"

#include "core/Log.h"
#include "platform/UserDefaults.h"

#include <charconv>

namespace kavora {

namespace {

std::optional<std::uint16_t> parsePort(const std::string& text, std::ostream& err)
{
    unsigned int port = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port > 65535) {
        err << "kavora: '" << text << "' is not a port number (0-65535)\n";
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(port);
}

// Host names are refused: which of their addresses to listen on would be a guess.
std::optional<QHostAddress> parseListenAddress(const std::string& text, std::ostream& err)
{
    QHostAddress address;
    if (!address.setAddress(QString::fromStdString(text))) {
        err << "kavora: '" << text
            << "' is not an IP address to listen on (for example 127.0.0.1 or ::1)\n";
        return std::nullopt;
    }
    return address;
}

} // namespace

std::optional<ReceiverOptions> parseReceiverOptions(const std::vector<std::string>& args,
                                                    std::ostream& err)
{
    ReceiverOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--autostart") {
            // Started at login to be ready for the phone: switched on at once.
            options.autostart = true;
            options.advertise = true;
        } else if (arg == "--advertise") {
            options.advertise = true;
        } else if (arg == "--port" && !hasValue) {
            err << "kavora: --port needs a port number (0 for any free port)\n";
            return std::nullopt;
        } else if (arg == "--port") {
            const auto port = parsePort(args[++i], err);
            if (!port)
                return std::nullopt;
            options.port = *port;
        } else if (arg == "--listen" && !hasValue) {
            err << "kavora: --listen needs an IP address (for example 127.0.0.1 or ::1)\n";
            return std::nullopt;
        } else if (arg == "--listen") {
            const auto address = parseListenAddress(args[++i], err);
            if (!address)
                return std::nullopt;
            options.listenAddress = *address;
        } else {
            err << "kavora: unknown option '" << arg << "' (see kavora --help)\n";
            return std::nullopt;
        }
    }
    return options;
}

std::uint16_t listenPort(const ReceiverOptions& options, const UserDefaults& defaults, Log& log)
{
    if (options.port != 0)
        return options.port;
    const auto stored = defaults.object(kListenPortKey);
    if (!stored)
        return 0;
    if (stored->is_number_integer() && *stored >= 1 && *stored <= 65535)
        return stored->get<std::uint16_t>();
    log.line("kavora: the setting " + std::string(kListenPortKey) + " holds " + stored->dump()
             + ", not a port number (1-65535); any free port is taken");
    return 0;
}

} // namespace kavora
