// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/x11/X11Clipboard.h"

#include "core/Text.h"

#include <QAbstractEventDispatcher>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSocketNotifier>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>

#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xproto.h>

namespace kavora {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long the server may take to tell its time and the owner of the clipboard.
constexpr auto kClaimTimeout = 2s;
// Data above this size goes out in pieces of this size (INCR), as every requestor can read it.
constexpr std::size_t kIncrementSize = std::size_t { 256 } * 1024;
// Transfers in pieces under way; a requestor that vanished mid-way never finishes its own.
constexpr std::size_t kMaxOutgoing = 8;
// Targets read from another owner.
constexpr std::size_t kMaxTargets = 64;
// Every ChangeProperty request carries this many bytes besides the data.
constexpr std::uint32_t kChangePropertyHeader = 24;

// Targets of the selection protocol itself, whose bytes describe the selection rather than hold
// its content; and TEXT, whose type each owner picks (it is offered for UTF8_STRING instead).
constexpr std::array<std::string_view, 9> kProtocolTargets {
    "TARGETS", "MULTIPLE",  "TIMESTAMP",         "SAVE_TARGETS", "DELETE",
    "INCR",    "ATOM_PAIR", "CLIPBOARD_MANAGER", "TEXT",
};
// The types under which the text of setString() is offered, in UTF-8.
constexpr std::array<std::string_view, 3> kUtf8TextTypes {
    "UTF8_STRING",
    "text/plain;charset=utf-8",
    "text/plain",
};

bool isProtocolTarget(std::string_view name)
{
    return std::ranges::find(kProtocolTargets, name) != kProtocolTargets.end();
}

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

int eventType(const xcb_generic_event_t& event)
{
    return event.response_type & 0x7F; // the high bit marks events sent by a client
}

// The text in ISO Latin-1 (STRING), when every character has a code there.
std::optional<Bytes> latin1(std::string_view utf8)
{
    Bytes bytes;
    while (!utf8.empty()) {
        const Utf8Char character = decodeUtf8(utf8);
        if (character.length == 0 || character.codePoint > 0xFF)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(character.codePoint));
        utf8.remove_prefix(character.length);
    }
    return bytes;
}

// Whether the window is one that Qt made in this process on the display of $DISPLAY. Every
// resource a client creates has an id from the range the server gave its connection.
bool isQtWindowOfThisProcess(xcb_window_t window)
{
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const auto* x11
        = application ? application->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return false;
    const xcb_setup_t* setup = xcb_get_setup(x11->connection());
    return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

// What Qt holds for a window of this process, read from Qt itself: Qt answers requests for it
// from its event loop, which does not run while this thread waits for the answer.
std::vector<PasteboardItem> itemsQtHolds()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    PasteboardItem item;
    for (const QString& format : data ? data->formats() : QStringList {}) {
        const QByteArray bytes = data->data(format);
        if (!isProtocolTarget(format.toStdString()) && !bytes.isEmpty())
            item.representations.emplace_back(format.toStdString(),
                                              Bytes(bytes.begin(), bytes.end()));
    }
    if (item.representations.empty())
        return {};
    return { std::move(item) };
}

using Event = Reply<xcb_generic_event_t>;
using EventMatch = std::function<bool(const xcb_generic_event_t&)>;

} // namespace

class X11Clipboard::Selection {
public:
    explicit Selection(std::string displayName)
        : displayName_(std::move(displayName))
    {
    }
    ~Selection() { dropLink(); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

    std::vector<PasteboardItem> items();
    void clear();
    bool claim(const PasteboardItem& item);

private:
    // The connection with the window that owns and receives selections, the atoms it speaks in and
    // the watch that serves other clients from the event loop.
    struct Link {
        xcb_connection_t* connection = nullptr;
        xcb_window_t window = XCB_WINDOW_NONE;
        xcb_atom_t clipboard = XCB_ATOM_NONE;
        xcb_atom_t targets = XCB_ATOM_NONE;
        xcb_atom_t timestamp = XCB_ATOM_NONE;
        xcb_atom_t incr = XCB_ATOM_NONE;
        xcb_atom_t utf8String = XCB_ATOM_NONE;
        xcb_atom_t text = XCB_ATOM_NONE;
        xcb_atom_t incoming = XCB_ATOM_NONE; // where other owners put what is read from them
        xcb_atom_t clock = XCB_ATOM_NONE; // appended to, for the server's time
        // The most data one ChangeProperty request may carry; more goes in pieces.
        std::size_t largestDirect = kIncrementSize;
        std::unique_ptr<QSocketNotifier> watch;

        Link() = default;
        ~Link()
        {
            watch.reset();
            xcb_disconnect(connection);
        }
        Link(const Link&) = delete;
        Link& operator=(const Link&) = delete;

        std::vector<xcb_atom_t> atoms(const std::vector<std::string_view>& names) const
        {
            std::vector<xcb_intern_atom_cookie_t> cookies;
            cookies.reserve(names.size());
            for (const auto name : names) {
                cookies.push_back(xcb_intern_atom(
                    connection, 0, static_cast<std::uint16_t>(name.size()), name.data()));
            }
            std::vector<xcb_atom_t> atoms;
            atoms.reserve(names.size());
            for (const auto cookie : cookies) {
                const Reply<xcb_intern_atom_reply_t> reply(
                    xcb_intern_atom_reply(connection, cookie, nullptr));
                atoms.push_back(reply ? reply->atom : xcb_atom_t { XCB_ATOM_NONE });
            }
            return atoms;
        }

        std::vector<std::string> names(const std::vector<xcb_atom_t>& atoms) const
        {
            std::vector<xcb_get_atom_name_cookie_t> cookies;
            cookies.reserve(atoms.size());
            for (const auto atom : atoms)
                cookies.push_back(xcb_get_atom_name(connection, atom));
            std::vector<std::string> names;
            names.reserve(atoms.size());
            for (const auto cookie : cookies) {
                const Reply<xcb_get_atom_name_reply_t> reply(
                    xcb_get_atom_name_reply(connection, cookie, nullptr));
                names.emplace_back(
                    reply ? std::string(
                        xcb_get_atom_name_name(reply.get()),
                        static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get())))
                          : std::string());
            }
            return names;
        }

        xcb_window_t owner() const
        {
            const Reply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
                connection, xcb_get_selection_owner(connection, clipboard), nullptr));
            return reply ? reply->owner : xcb_window_t { XCB_WINDOW_NONE };
        }
    };

    // What this process offers while it owns the clipboard: each target with its data, whose type
    // is the target itself.
    struct Offer {
        std::uint32_t time = 0; // of the claim
        PasteboardItem item;
        std::vector<std::pair<xcb_atom_t, std::shared_ptr<const Bytes>>> formats;

        const std::pair<xcb_atom_t, std::shared_ptr<const Bytes>>* find(xcb_atom_t target) const
        {
            const auto found
                = std::ranges::find(formats, target, [](const auto& f) { return f.first; });
            return found == formats.end() ? nullptr : &*found;
        }
    };

    // Data going to a requestor in pieces: the next piece each time it has deleted the last one.
    struct Outgoing {
        xcb_window_t requestor = XCB_WINDOW_NONE;
        xcb_atom_t property = XCB_ATOM_NONE;
        xcb_atom_t type = XCB_ATOM_NONE;
        std::shared_ptr<const Bytes> data;
        std::size_t sent = 0;
    };

    // A property as read: its type, its format (8, 16 or 32 bits per item) and its bytes.
    struct Data {
        xcb_atom_t type = XCB_ATOM_NONE;
        std::uint8_t format = 0;
        Bytes bytes;
    };

    // The connection, opened anew when there is none or it has ended; null without a display.
    Link* link();
    void dropLink();
    std::optional<std::uint32_t> serverTime();
    std::optional<Data> convert(xcb_atom_t target, Clock::time_point deadline);
    std::optional<Data> takeProperty();
    std::optional<Data> readIncrements(Clock::time_point deadline);
    // Handles the events that come until the wanted one, which it returns; null when the
    // deadline passed or the connection ended first.
    Event waitFor(const EventMatch& wanted, Clock::time_point deadline);
    void takeEvents();
    void handle(const xcb_generic_event_t& event);
    void serve(const xcb_selection_request_event_t& request);
    void send(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t type,
              const std::shared_ptr<const Bytes>& data);
    void sendNextIncrement(const xcb_property_notify_event_t& deleted);

    std::string displayName_;
    std::unique_ptr<Link> link_;
    std::unique_ptr<Offer> offer_;
    std::vector<Outgoing> outgoing_;
    bool inWatch_ = false; // while the watch's signal runs
};

X11Clipboard::X11Clipboard(std::string displayName)
    : selection_(std::make_unique<Selection>(std::move(displayName)))
{
}

X11Clipboard::~X11Clipboard() = default;

std::vector<PasteboardItem> X11Clipboard::items()
{
    return selection_->items();
}

void X11Clipboard::clearContents()
{
    selection_->clear();
}

bool X11Clipboard::setString(std::string_view utf8)
{
    PasteboardItem item;
    for (const auto type : kUtf8TextTypes)
        item.representations.emplace_back(std::string(type), Bytes(utf8.begin(), utf8.end()));
    if (auto latin = latin1(utf8))
        item.representations.emplace_back("STRING", std::move(*latin));
    return selection_->claim(item);
}

void X11Clipboard::writeItems(const std::vector<PasteboardItem>& items)
{
    if (!items.empty())
        selection_->claim(items.front());
}

auto X11Clipboard::Selection::link() -> Link*
{
    if (link_ && xcb_connection_has_error(link_->connection) == 0)
        return link_.get();
    dropLink();
    auto made = std::make_unique<Link>();
    int screenNumber = 0;
    made->connection
        = xcb_connect(displayName_.empty() ? nullptr : displayName_.c_str(), &screenNumber);
    if (xcb_connection_has_error(made->connection) != 0)
        return nullptr;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(made->connection));
    for (int i = 0; screens.rem > 0 && i < screenNumber; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return nullptr;
    made->window = xcb_generate_id(made->connection);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(made->connection, XCB_COPY_FROM_PARENT, made->window, screens.data->root, -1,
                      -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                      XCB_CW_EVENT_MASK, &events);
    const auto atoms = made->atoms({ "CLIPBOARD", "TARGETS", "TIMESTAMP", "INCR", "UTF8_STRING",
                                     "TEXT", "_KAVORA_SELECTION", "_KAVORA_CLOCK" });
    if (std::ranges::count(atoms, xcb_atom_t { XCB_ATOM_NONE }) > 0)
        return nullptr;
    made->clipboard = atoms[0];
    made->targets = atoms[1];
    made->timestamp = atoms[2];
    made->incr = atoms[3];
    made->utf8String = atoms[4];
    made->text = atoms[5];
    made->incoming = atoms[6];
    made->clock = atoms[7];
    const std::size_t largest
        = std::size_t { xcb_get_maximum_request_length(made->connection) } * 4;
    made->largestDirect = std::min(kIncrementSize, largest - kChangePropertyHeader);
    if (QAbstractEventDispatcher::instance() != nullptr) {
        made->watch = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(made->connection),
                                                        QSocketNotifier::Read);
        QObject::connect(made->watch.get(), &QSocketNotifier::activated, [this] { takeEvents(); });
    }
    link_ = std::move(made);
    return link_.get();
}

void X11Clipboard::Selection::dropLink()
{
    // What this process offered went with the connection.
    offer_.reset();
    outgoing_.clear();
    if (link_ && link_->watch && inWatch_) {
        // Inside the watch's own signal: the loop deletes it afterwards.
        link_->watch->setEnabled(false);
        link_->watch.release()->deleteLater();
    }
    link_.reset();
}

std::vector<PasteboardItem> X11Clipboard::Selection::items()
{
    Link* link = this->link();
    if (!link)
        return {};
    const xcb_window_t owner = link->owner();
    if (owner == XCB_WINDOW_NONE)
        return {};
    if (offer_ && owner == link->window)
        return { offer_->item };
    if (displayName_.empty() && isQtWindowOfThisProcess(owner))
        return itemsQtHolds();

    const auto deadline = Clock::now() + kReadBudget;
    const auto listed = convert(link->targets, deadline);
    if (!listed || listed->format != 32 || !link_)
        return {};
    std::vector<xcb_atom_t> targets(listed->bytes.size() / 4);
    std::memcpy(targets.data(), listed->bytes.data(), targets.size() * 4);
    targets.resize(std::min(targets.size(), kMaxTargets));
    const auto names = link_->names(targets);
    PasteboardItem item;
    for (std::size_t i = 0; i < targets.size() && link_; ++i) {
        const auto& name = names[i];
        if (name.empty() || isProtocolTarget(name))
            continue;
        auto data = convert(targets[i], deadline);
        // Format 8 is data; 16 and 32 are values of this server (atoms, windows).
        if (data && data->format == 8 && !data->bytes.empty())
            item.representations.emplace_back(name, std::move(data->bytes));
    }
    if (item.representations.empty())
        return {};
    return { std::move(item) };
}

void X11Clipboard::Selection::clear()
{
    if (!offer_ || !link_)
        return;
    // Stamped with the time of our claim, this does nothing once another client claimed since.
    xcb_set_selection_owner(link_->connection, XCB_WINDOW_NONE, link_->clipboard, offer_->time);
    xcb_flush(link_->connection);
    offer_.reset();
}

bool X11Clipboard::Selection::claim(const PasteboardItem& item)
{
    Link* link = this->link();
    if (!link)
        return false;
    auto offer = std::make_unique<Offer>();
    offer->item = item;
    std::vector<std::string_view> names;
    for (const auto& [type, bytes] : item.representations)
        names.emplace_back(type);
    const auto atoms = link->atoms(names);
    std::shared_ptr<const Bytes> utf8Text;
    for (std::size_t i = 0; i < atoms.size(); ++i) {
        if (atoms[i] == XCB_ATOM_NONE || isProtocolTarget(names[i]) || offer->find(atoms[i]))
            continue;
        offer->formats.emplace_back(atoms[i],
                                    std::make_shared<const Bytes>(item.representations[i].second));
        if (!utf8Text && std::ranges::find(kUtf8TextTypes, names[i]) != kUtf8TextTypes.end())
            utf8Text = offer->formats.back().second;
    }
    // Text that Qt listed as text/plain alone is what X clients ask for as UTF8_STRING.
    if (utf8Text && !offer->find(link->utf8String))
        offer->formats.emplace_back(link->utf8String, utf8Text);
    const auto time = serverTime();
    if (!time || !link_)
        return false;
    xcb_set_selection_owner(link->connection, link->window, link->clipboard, *time);
    // The reply comes after the claim was handled: the owner it names is the outcome.
    if (link->owner() != link->window) {
        offer_.reset();
        return false;
    }
    offer->time = *time;
    offer_ = std::move(offer);
    return true;
}

std::optional<std::uint32_t> X11Clipboard::Selection::serverTime()
{
    // Appending nothing to a property of our window still changes it: the server announces the
    // change with its current time.
    const Link& link = *link_;
    xcb_change_property(link.connection, XCB_PROP_MODE_APPEND, link.window, link.clock,
                        XCB_ATOM_INTEGER, 32, 0, nullptr);
    const Event changed = waitFor(
        [&link](const xcb_generic_event_t& event) {
            const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            return eventType(event) == XCB_PROPERTY_NOTIFY && notify.window == link.window
                && notify.atom == link.clock;
        },
        Clock::now() + kClaimTimeout);
    if (!changed)
        return std::nullopt;
    return reinterpret_cast<const xcb_property_notify_event_t*>(changed.get())->time;
}

auto X11Clipboard::Selection::convert(xcb_atom_t target, Clock::time_point deadline)
    -> std::optional<Data>
{
    const Link& link = *link_;
    xcb_convert_selection(link.connection, link.window, link.clipboard, target, link.incoming,
                          XCB_CURRENT_TIME);
    const Event answer = waitFor(
        [&link, target](const xcb_generic_event_t& event) {
            const auto& notify = reinterpret_cast<const xcb_selection_notify_event_t&>(event);
            return eventType(event) == XCB_SELECTION_NOTIFY && notify.requestor == link.window
                && notify.selection == link.clipboard && notify.target == target;
        },
        deadline);
    if (!answer || !link_
        || reinterpret_cast<const xcb_selection_notify_event_t*>(answer.get())->property
            == XCB_ATOM_NONE)
        return std::nullopt;
    auto data = takeProperty();
    if (data && data->type == link.incr)
        return readIncrements(deadline);
    return data;
}

auto X11Clipboard::Selection::takeProperty() -> std::optional<Data>
{
    const Link& link = *link_;
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(link.connection,
                               xcb_get_property(link.connection, 1, link.window, link.incoming,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4),
                               nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return std::nullopt;
    const auto* value = static_cast<const std::uint8_t*>(xcb_get_property_value(reply.get()));
    const auto length = static_cast<std::size_t>(xcb_get_property_value_length(reply.get()));
    return Data { reply->type, reply->format, Bytes(value, value + length) };
}

// The owner writes the next piece each time the property is deleted (reading it deletes it),
// and an empty piece at the end.
auto X11Clipboard::Selection::readIncrements(Clock::time_point deadline) -> std::optional<Data>
{
    std::optional<Data> whole;
    while (link_) {
        const Link& link = *link_;
        const Event written = waitFor(
            [&link](const xcb_generic_event_t& event) {
                const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
                return eventType(event) == XCB_PROPERTY_NOTIFY && notify.window == link.window
                    && notify.atom == link.incoming && notify.state == XCB_PROPERTY_NEW_VALUE;
            },
            deadline);
        if (!written || !link_)
            return std::nullopt;
        auto piece = takeProperty();
        if (!piece)
            return std::nullopt;
        if (piece->bytes.empty())
            return whole ? whole : Data { piece->type, piece->format, {} };
        if (!whole)
            whole = Data { piece->type, piece->format, {} };
        whole->bytes.insert(whole->bytes.end(), piece->bytes.begin(), piece->bytes.end());
    }
    return std::nullopt;
}

Event X11Clipboard::Selection::waitFor(const EventMatch& wanted, Clock::time_point deadline)
{
    while (link_) {
        xcb_connection_t* connection = link_->connection;
        xcb_flush(connection);
        while (Event event { xcb_poll_for_event(connection) }) {
            if (wanted(*event))
                return event;
            handle(*event);
        }
        if (xcb_connection_has_error(connection) != 0) {
            dropLink();
            break;
        }
        const auto left
            = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd readable { xcb_get_file_descriptor(connection), POLLIN, 0 };
        ::poll(&readable, 1, static_cast<int>(left));
    }
    return nullptr;
}

void X11Clipboard::Selection::takeEvents()
{
    inWatch_ = true;
    while (link_) {
        const Event event { xcb_poll_for_event(link_->connection) };
        if (!event)
            break;
        handle(*event);
    }
    if (link_ && xcb_connection_has_error(link_->connection) != 0)
        dropLink();
    inWatch_ = false;
}

void X11Clipboard::Selection::handle(const xcb_generic_event_t& event)
{
    switch (eventType(event)) {
    case XCB_SELECTION_REQUEST:
        serve(reinterpret_cast<const xcb_selection_request_event_t&>(event));
        break;
    case XCB_SELECTION_CLEAR:
        if (reinterpret_cast<const xcb_selection_clear_event_t&>(event).selection
            == link_->clipboard)
            offer_.reset(); // another client took the clipboard
        break;
    case XCB_PROPERTY_NOTIFY:
        sendNextIncrement(reinterpret_cast<const xcb_property_notify_event_t&>(event));
        break;
    case 0: // an error: a requestor that went away while it was sent pieces
        std::erase_if(outgoing_, [&event](const Outgoing& transfer) {
            return transfer.requestor
                == reinterpret_cast<const xcb_generic_error_t&>(event).resource_id;
        });
        break;
    default:
        break;
    }
}

void X11Clipboard::Selection::serve(const xcb_selection_request_event_t& request)
{
    const Link& link = *link_;
    // Clients older than the ICCCM name no property: the target is the property then.
    const xcb_atom_t property
        = request.property == XCB_ATOM_NONE ? request.target : request.property;
    const bool ours = offer_ && request.selection == link.clipboard && request.owner == link.window
        && (request.time == XCB_CURRENT_TIME || request.time >= offer_->time);
    bool answered = false;
    if (ours && request.target == link.targets) {
        std::vector<xcb_atom_t> targets { link.targets, link.timestamp };
        for (const auto& [target, data] : offer_->formats)
            targets.push_back(target);
        if (offer_->find(link.utf8String))
            targets.push_back(link.text);
        xcb_change_property(link.connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                            XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(targets.size()),
                            targets.data());
        answered = true;
    } else if (ours && request.target == link.timestamp) {
        xcb_change_property(link.connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                            XCB_ATOM_INTEGER, 32, 1, &offer_->time);
        answered = true;
    } else if (ours) {
        // TEXT is answered with the UTF-8 text, as its type says.
        const xcb_atom_t target = request.target == link.text ? link.utf8String : request.target;
        if (const auto* format = offer_->find(target)) {
            send(request.requestor, property, target, format->second);
            answered = true;
        }
    }
    xcb_selection_notify_event_t notify {};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = answered ? property : xcb_atom_t { XCB_ATOM_NONE };
    // SendEvent always carries 32 bytes; the event is shorter.
    std::array<char, 32> wire {};
    std::memcpy(wire.data(), &notify, sizeof notify);
    xcb_send_event(link.connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, wire.data());
    xcb_flush(link.connection);
}

void X11Clipboard::Selection::send(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t type,
                                   const std::shared_ptr<const Bytes>& data)
{
    const Link& link = *link_;
    if (data->size() <= link.largestDirect) {
        xcb_change_property(link.connection, XCB_PROP_MODE_REPLACE, requestor, property, type, 8,
                            static_cast<std::uint32_t>(data->size()), data->data());
        return;
    }
    // In pieces: the requestor deletes the property to ask for each one.
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(link.connection, requestor, XCB_CW_EVENT_MASK, &events);
    const auto size = static_cast<std::uint32_t>(data->size());
    xcb_change_property(link.connection, XCB_PROP_MODE_REPLACE, requestor, property, link.incr, 32,
                        1, &size);
    if (outgoing_.size() == kMaxOutgoing)
        outgoing_.erase(outgoing_.begin());
    outgoing_.push_back({ requestor, property, type, data, 0 });
}

void X11Clipboard::Selection::sendNextIncrement(const xcb_property_notify_event_t& deleted)
{
    if (deleted.state != XCB_PROPERTY_DELETE)
        return;
    const auto transfer = std::ranges::find_if(outgoing_, [&deleted](const Outgoing& outgoing) {
        return outgoing.requestor == deleted.window && outgoing.property == deleted.atom;
    });
    if (transfer == outgoing_.end())
        return;
    const Link& link = *link_;
    const std::size_t piece = std::min(kIncrementSize, transfer->data->size() - transfer->sent);
    xcb_change_property(link.connection, XCB_PROP_MODE_REPLACE, transfer->requestor,
                        transfer->property, transfer->type, 8, static_cast<std::uint32_t>(piece),
                        transfer->data->data() + transfer->sent);
    transfer->sent += piece;
    if (piece == 0) {
        const xcb_window_t requestor = transfer->requestor;
        outgoing_.erase(transfer);
        if (std::ranges::none_of(outgoing_, [requestor](const Outgoing& outgoing) {
                return outgoing.requestor == requestor;
            })) {
            const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
            xcb_change_window_attributes(link.connection, requestor, XCB_CW_EVENT_MASK, &none);
        }
    }
    xcb_flush(link.connection);
}

} // namespace kavora
