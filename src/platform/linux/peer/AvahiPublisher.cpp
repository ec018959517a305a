// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/AvahiPublisher.h"

#include "core/Log.h"

#include <QAbstractEventDispatcher>
#include <QTimer>

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <avahi-glib/glib-watch.h>

namespace kavora {

namespace {

// Renames on a local collision stop here; the network cannot hold this many equal names.
constexpr int kMaxLocalRenames = 100;

// Avahi's poll runs on the GLib main context, which Qt only iterates when it was built and
// started with its GLib event dispatcher (the default on Linux unless QT_NO_GLIB is set).
bool qtRunsOnGlib()
{
    const auto* dispatcher = QAbstractEventDispatcher::instance();
    return dispatcher != nullptr && dispatcher->inherits("QEventDispatcherGlib");
}

} // namespace

struct AvahiPublisherCallbacks {
    static void client(AvahiClient* client, AvahiClientState state, void* data)
    {
        auto* self = static_cast<AvahiPublisher*>(data);
        switch (state) {
        case AVAHI_CLIENT_S_RUNNING:
            self->running_ = true;
            self->registerService(client);
            break;
        case AVAHI_CLIENT_S_COLLISION:
        case AVAHI_CLIENT_S_REGISTERING:
            // The host name is being (re)established; the service goes back once it is.
            self->running_ = false;
            self->establishedName_.clear();
            if (self->group_ != nullptr)
                avahi_entry_group_reset(self->group_);
            break;
        case AVAHI_CLIENT_CONNECTING:
            self->running_ = false;
            self->reportUnavailable("the Avahi daemon is not running");
            break;
        case AVAHI_CLIENT_FAILURE:
            self->running_ = false;
            self->establishedName_.clear();
            self->reportUnavailable(avahi_strerror(avahi_client_errno(client)));
            // Avahi's rule: free the client (not from inside its own callback) and connect
            // anew, which then waits for the daemon to come back.
            QTimer::singleShot(0, &self->context_, [self] {
                self->dropClient();
                if (self->wanted_)
                    self->connectClient();
            });
            break;
        }
    }

    static void group(AvahiEntryGroup* group, AvahiEntryGroupState state, void* data)
    {
        auto* self = static_cast<AvahiPublisher*>(data);
        switch (state) {
        case AVAHI_ENTRY_GROUP_ESTABLISHED:
            self->establishedName_ = self->name_;
            if (self->onEstablished)
                self->onEstablished(self->establishedName_);
            break;
        case AVAHI_ENTRY_GROUP_COLLISION:
            // Another host holds the name: the group is emptied; take the next name.
            self->establishedName_.clear();
            self->rename();
            self->registerService(avahi_entry_group_get_client(group));
            break;
        case AVAHI_ENTRY_GROUP_FAILURE:
            self->log_.line(
                std::string("Kavora: DNS-SD publishing failed: ")
                + avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(group))));
            break;
        case AVAHI_ENTRY_GROUP_UNCOMMITED:
        case AVAHI_ENTRY_GROUP_REGISTERING:
            break;
        }
    }
};

AvahiPublisher::AvahiPublisher(Log& log)
    : log_(log)
{
}

AvahiPublisher::~AvahiPublisher()
{
    dropClient();
    if (poll_ != nullptr)
        avahi_glib_poll_free(poll_);
}

void AvahiPublisher::publish(const Service& service)
{
    if (wanted_ == service && client_ != nullptr)
        return;
    const bool renamed = !wanted_ || wanted_->name != service.name;
    wanted_ = service;
    if (renamed)
        name_ = service.name;
    establishedName_.clear();
    if (group_ != nullptr)
        avahi_entry_group_reset(group_);
    if (client_ == nullptr)
        connectClient();
    else if (running_)
        registerService(client_);
}

void AvahiPublisher::withdraw()
{
    wanted_.reset();
    establishedName_.clear();
    if (group_ != nullptr)
        avahi_entry_group_reset(group_);
}

void AvahiPublisher::connectClient()
{
    if (!qtRunsOnGlib()) {
        reportUnavailable("the event loop does not run GLib sources");
        return;
    }
    if (poll_ == nullptr)
        poll_ = avahi_glib_poll_new(nullptr, G_PRIORITY_DEFAULT);
    int error = 0;
    // NO_FAIL: without a daemon the client waits for one instead of failing.
    client_ = avahi_client_new(avahi_glib_poll_get(poll_), AVAHI_CLIENT_NO_FAIL,
                               &AvahiPublisherCallbacks::client, this, &error);
    if (client_ == nullptr)
        reportUnavailable(avahi_strerror(error)); // no system bus to reach a daemon through
}

void AvahiPublisher::dropClient()
{
    if (group_ != nullptr) {
        avahi_entry_group_free(group_);
        group_ = nullptr;
    }
    if (client_ != nullptr) {
        avahi_client_free(client_);
        client_ = nullptr;
    }
    running_ = false;
}

void AvahiPublisher::registerService(AvahiClient* client)
{
    if (!wanted_ || !running_)
        return;
    if (group_ == nullptr) {
        group_ = avahi_entry_group_new(client, &AvahiPublisherCallbacks::group, this);
        if (group_ == nullptr) {
            log_.line(std::string("Kavora: DNS-SD publishing failed: ")
                      + avahi_strerror(avahi_client_errno(client)));
            return;
        }
    }
    if (!avahi_entry_group_is_empty(group_))
        return;

    AvahiStringList* txt = nullptr;
    for (const auto& [key, value] : wanted_->txt)
        txt = avahi_string_list_add_pair(txt, key.c_str(), value.c_str());
    int result = AVAHI_OK;
    for (int attempt = 0; attempt <= kMaxLocalRenames; ++attempt) {
        result = avahi_entry_group_add_service_strlst(
            group_, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0), name_.c_str(),
            wanted_->type.c_str(), nullptr, nullptr, wanted_->port, txt);
        if (result != AVAHI_ERR_COLLISION)
            break;
        rename(); // this host already publishes the name
    }
    avahi_string_list_free(txt);
    if (result >= 0)
        result = avahi_entry_group_commit(group_);
    if (result < 0) {
        log_.line(std::string("Kavora: DNS-SD publishing failed: ") + avahi_strerror(result));
        avahi_entry_group_reset(group_);
    }
}

void AvahiPublisher::rename()
{
    char* next = avahi_alternative_service_name(name_.c_str());
    if (next != nullptr) {
        name_ = next;
        avahi_free(next);
    }
}

void AvahiPublisher::reportUnavailable(const std::string& reason)
{
    if (unavailableReported_)
        return;
    unavailableReported_ = true;
    const auto port = wanted_ ? std::to_string(wanted_->port) : std::string("?");
    log_.line("Kavora: DNS-SD is unavailable (" + reason
              + "); controllers can still connect to this computer's address, port " + port);
}

} // namespace kavora
