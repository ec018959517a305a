// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

struct AvahiClient;
struct AvahiGLibPoll;
struct AvahiServiceBrowser;
struct AvahiServiceResolver;

namespace kavora {

// One resolved DNS-SD service.
struct DiscoveredService {
    std::string name;
    std::string hostName; // "kenji-pc.local"
    std::string address; // numeric, with "%interface" for an IPv6 link-local address
    std::uint16_t port = 0;
    std::map<std::string, std::string> txt;
};

// Browses a DNS-SD service type through the Avahi daemon and resolves each instance, on the GLib
// main loop that Qt runs on.
class AvahiBrowser final {
public:
    explicit AvahiBrowser(std::string type); // "_kavora-v2._tcp"
    ~AvahiBrowser();
    AvahiBrowser(const AvahiBrowser&) = delete;
    AvahiBrowser& operator=(const AvahiBrowser&) = delete;

    // Starts browsing; the reason when the daemon cannot be reached.
    std::optional<std::string> start();

    std::function<void(const DiscoveredService&)> onResolved;
    // The daemon has reported everything it knew when browsing started.
    std::function<void()> onAllForNow;
    std::function<void(const std::string& reason)> onFailure;

private:
    friend struct AvahiBrowserCallbacks; // the C callbacks, which need Avahi's types

    std::string type_;
    AvahiGLibPoll* poll_ = nullptr;
    AvahiClient* client_ = nullptr;
    AvahiServiceBrowser* browser_ = nullptr;
    std::set<AvahiServiceResolver*> resolvers_;
};

} // namespace kavora
