// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/AvahiBrowser.h"

#include <array>

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/address.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <avahi-glib/glib-watch.h>
#include <net/if.h>

namespace kavora {

namespace {

std::map<std::string, std::string> txtEntries(AvahiStringList* list)
{
    std::map<std::string, std::string> entries;
    for (auto* item = list; item != nullptr; item = avahi_string_list_get_next(item)) {
        char* key = nullptr;
        char* value = nullptr;
        if (avahi_string_list_get_pair(item, &key, &value, nullptr) == 0) {
            entries[key] = value != nullptr ? value : "";
            avahi_free(key);
            avahi_free(value);
        }
    }
    return entries;
}

std::string addressText(const AvahiAddress* address, AvahiIfIndex interface)
{
    std::array<char, AVAHI_ADDRESS_STR_MAX> text {};
    avahi_address_snprint(text.data(), text.size(), address);
    std::string result = text.data();
    // fe80::/10 needs its interface to be reachable.
    const bool linkLocal = address->proto == AVAHI_PROTO_INET6
        && address->data.ipv6.address[0] == 0xFE && (address->data.ipv6.address[1] & 0xC0) == 0x80;
    std::array<char, IF_NAMESIZE> name {};
    if (linkLocal && interface >= 0
        && ::if_indextoname(static_cast<unsigned>(interface), name.data()))
        result += std::string("%") + name.data();
    return result;
}

} // namespace

struct AvahiBrowserCallbacks {
    static void resolved(AvahiServiceResolver* resolver, AvahiIfIndex interface, AvahiProtocol,
                         AvahiResolverEvent event, const char* name, const char*, const char*,
                         const char* hostName, const AvahiAddress* address, uint16_t port,
                         AvahiStringList* txt, AvahiLookupResultFlags, void* data)
    {
        auto* self = static_cast<AvahiBrowser*>(data);
        if (event == AVAHI_RESOLVER_FOUND && self->onResolved) {
            DiscoveredService service;
            service.name = name;
            service.hostName = hostName != nullptr ? hostName : "";
            service.address = address != nullptr ? addressText(address, interface) : "";
            service.port = port;
            service.txt = txtEntries(txt);
            self->onResolved(service);
        }
        self->resolvers_.erase(resolver);
        avahi_service_resolver_free(resolver);
    }

    static void browsed(AvahiServiceBrowser* browser, AvahiIfIndex interface,
                        AvahiProtocol protocol, AvahiBrowserEvent event, const char* name,
                        const char* type, const char* domain, AvahiLookupResultFlags, void* data)
    {
        auto* self = static_cast<AvahiBrowser*>(data);
        switch (event) {
        case AVAHI_BROWSER_NEW:
            if (auto* resolver = avahi_service_resolver_new(
                    avahi_service_browser_get_client(browser), interface, protocol, name, type,
                    domain, AVAHI_PROTO_UNSPEC, AvahiLookupFlags(0), &resolved, self)) {
                self->resolvers_.insert(resolver);
            }
            break;
        case AVAHI_BROWSER_ALL_FOR_NOW:
            if (self->onAllForNow)
                self->onAllForNow();
            break;
        case AVAHI_BROWSER_FAILURE:
            if (self->onFailure) {
                self->onFailure(
                    avahi_strerror(avahi_client_errno(avahi_service_browser_get_client(browser))));
            }
            break;
        case AVAHI_BROWSER_REMOVE:
        case AVAHI_BROWSER_CACHE_EXHAUSTED:
            break;
        }
    }

    static void client(AvahiClient* client, AvahiClientState state, void* data)
    {
        auto* self = static_cast<AvahiBrowser*>(data);
        if (state == AVAHI_CLIENT_FAILURE && self->onFailure)
            self->onFailure(avahi_strerror(avahi_client_errno(client)));
    }
};

AvahiBrowser::AvahiBrowser(std::string type)
    : type_(std::move(type))
{
}

AvahiBrowser::~AvahiBrowser()
{
    for (auto* resolver : resolvers_)
        avahi_service_resolver_free(resolver);
    if (browser_ != nullptr)
        avahi_service_browser_free(browser_);
    if (client_ != nullptr)
        avahi_client_free(client_);
    if (poll_ != nullptr)
        avahi_glib_poll_free(poll_);
}

std::optional<std::string> AvahiBrowser::start()
{
    poll_ = avahi_glib_poll_new(nullptr, G_PRIORITY_DEFAULT);
    int error = 0;
    // Without NO_FAIL: a missing daemon is an answer the user should get at once.
    client_ = avahi_client_new(avahi_glib_poll_get(poll_), AvahiClientFlags(0),
                               &AvahiBrowserCallbacks::client, this, &error);
    if (client_ == nullptr)
        return std::string(avahi_strerror(error));
    browser_ = avahi_service_browser_new(client_, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                         type_.c_str(), nullptr, AvahiLookupFlags(0),
                                         &AvahiBrowserCallbacks::browsed, this);
    if (browser_ == nullptr)
        return std::string(avahi_strerror(avahi_client_errno(client_)));
    return std::nullopt;
}

} // namespace kavora
