// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

struct AvahiClient;
struct AvahiEntryGroup;
struct AvahiGLibPoll;

namespace kavora {

class Log;

// Publishes one DNS-SD service through the Avahi daemon, driven by the GLib main loop that Qt
// runs on (so its callbacks arrive on the main thread). A daemon that is missing, or goes away
// and comes back, is waited for; the first time publishing is impossible it says so once in the
// log. When another service on the network holds the name, the service is renamed the DNS-SD way
// ("Name" becomes "Name #2").
class AvahiPublisher final {
public:
    struct Service {
        std::string name; // instance name, at most 63 bytes of UTF-8
        std::string type; // "_kavora-v2._tcp"
        std::uint16_t port = 0;
        std::map<std::string, std::string> txt;
        friend bool operator==(const Service&, const Service&) = default;
    };

    explicit AvahiPublisher(Log& log);
    ~AvahiPublisher();
    AvahiPublisher(const AvahiPublisher&) = delete;
    AvahiPublisher& operator=(const AvahiPublisher&) = delete;

    // Publishes the service, replacing any other; publishing the same one again does nothing.
    void publish(const Service& service);
    void withdraw();

    // The instance name the service is established under, once the network has accepted it.
    const std::string& establishedName() const { return establishedName_; }
    // Called with the instance name each time the service becomes established.
    std::function<void(const std::string& name)> onEstablished;

private:
    friend struct AvahiPublisherCallbacks; // the C callbacks, which need Avahi's types

    void connectClient();
    void dropClient();
    void registerService(AvahiClient* client);
    void rename();
    void reportUnavailable(const std::string& reason);

    Log& log_;
    AvahiGLibPoll* poll_ = nullptr;
    AvahiClient* client_ = nullptr;
    AvahiEntryGroup* group_ = nullptr;
    bool running_ = false; // the daemon is up and its host name established
    std::optional<Service> wanted_;
    std::string name_; // the name being published, after renames
    std::string establishedName_;
    bool unavailableReported_ = false;
    QObject context_; // for deferred calls
};

} // namespace kavora
