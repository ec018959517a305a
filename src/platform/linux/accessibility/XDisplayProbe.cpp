// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/accessibility/XDisplayProbe.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>

#include <cstdlib>
#include <cstring>
#include <memory>

#include <xcb/xcb.h>
#include <xcb/xproto.h>

namespace kavora {

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

class Connection {
public:
    Connection()
    {
        // xcb_connect never returns null; a failed connection is an error object to disconnect.
        int screenNumber = 0;
        connection_ = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(connection_))
            return;
        auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
        for (int i = 0; screens.rem > 0 && i < screenNumber; ++i)
            xcb_screen_next(&screens);
        if (screens.rem > 0)
            root_ = screens.data->root;
    }
    ~Connection() { xcb_disconnect(connection_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool usable() const { return root_ != XCB_WINDOW_NONE; }
    xcb_connection_t* get() const { return connection_; }
    xcb_window_t root() const { return root_; }

    // The atom if the server knows the name; none otherwise (nothing can carry it then).
    xcb_atom_t existingAtom(std::string_view name) const
    {
        const auto cookie
            = xcb_intern_atom(connection_, 1, static_cast<std::uint16_t>(name.size()), name.data());
        const Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection_, cookie, nullptr));
        return reply ? reply->atom : xcb_atom_t { XCB_ATOM_NONE };
    }

    // The first 32-bit value of a window property of that type, if the window has one.
    std::optional<std::uint32_t> cardinal(xcb_window_t window, xcb_atom_t property,
                                          xcb_atom_t type) const
    {
        if (property == XCB_ATOM_NONE)
            return std::nullopt;
        const auto cookie = xcb_get_property(connection_, 0, window, property, type, 0, 1);
        xcb_generic_error_t* error = nullptr;
        const Reply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(connection_, cookie, &error));
        std::free(error); // BadWindow when the window has just gone: no value
        if (!reply || reply->type != type || reply->format != 32
            || xcb_get_property_value_length(reply.get()) < 4)
            return std::nullopt;
        std::uint32_t value = 0;
        std::memcpy(&value, xcb_get_property_value(reply.get()), sizeof value);
        return value;
    }

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_WINDOW_NONE;
};

bool hasXTest(const Connection& connection)
{
    if (!connection.usable())
        return false;
    constexpr std::string_view kXTest = "XTEST";
    const auto cookie = xcb_query_extension(
        connection.get(), static_cast<std::uint16_t>(kXTest.size()), kXTest.data());
    const Reply<xcb_query_extension_reply_t> reply(
        xcb_query_extension_reply(connection.get(), cookie, nullptr));
    return reply && reply->present;
}

} // namespace

struct XDisplayProbe::KeptConnection : Connection {
    // Set while the thread's event loop watches the connection for the server closing it.
    std::unique_ptr<QSocketNotifier> watch;
};

XDisplayProbe::XDisplayProbe() = default;
XDisplayProbe::~XDisplayProbe() = default;

void XDisplayProbe::takeKeptConnectionInput()
{
    // Nothing is asked on the kept connection, so all a read can find is events or the end of
    // the connection, which marks it with an error.
    while (xcb_generic_event_t* event = xcb_poll_for_event(kept_->get()))
        std::free(event);
    if (xcb_connection_has_error(kept_->get()) == 0)
        return;
    if (kept_->watch) {
        // Called from the notifier's own signal: it is stopped now and deleted by the loop.
        kept_->watch->setEnabled(false);
        kept_->watch.release()->deleteLater();
    }
    kept_.reset();
}

bool XDisplayProbe::offersXTest()
{
    if (kept_ && !kept_->watch)
        takeKeptConnectionInput();
    if (kept_)
        return true;
    auto connection = std::make_unique<KeptConnection>();
    if (!hasXTest(*connection))
        return false;
    kept_ = std::move(connection);
    if (QAbstractEventDispatcher::instance() != nullptr) {
        kept_->watch = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(kept_->get()),
                                                         QSocketNotifier::Read);
        QObject::connect(kept_->watch.get(), &QSocketNotifier::activated, kept_->watch.get(),
                         [this] { takeKeptConnectionInput(); });
    }
    return true;
}

std::optional<std::uint32_t> XDisplayProbe::activeWindowProcessId()
{
    const Connection connection;
    if (!connection.usable())
        return std::nullopt;
    const auto active = connection.cardinal(
        connection.root(), connection.existingAtom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    if (!active || *active == XCB_WINDOW_NONE)
        return std::nullopt;
    const auto pid
        = connection.cardinal(*active, connection.existingAtom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    if (!pid || *pid == 0)
        return std::nullopt;
    return pid;
}

std::optional<std::string> XDisplayProbe::rootText(std::string_view name)
{
    // A bus address is far shorter; the length is counted in 32-bit units.
    constexpr std::uint32_t kMaxLength = 1024;
    const Connection connection;
    if (!connection.usable())
        return std::nullopt;
    const xcb_atom_t property = connection.existingAtom(name);
    if (property == XCB_ATOM_NONE)
        return std::nullopt;
    const auto cookie = xcb_get_property(connection.get(), 0, connection.root(), property,
                                         XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxLength);
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection.get(), cookie, nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 8)
        return std::nullopt;
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

} // namespace kavora
