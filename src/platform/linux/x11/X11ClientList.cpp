// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/x11/X11ClientList.h"

#include "core/Text.h"
#include "platform/linux/x11/X11Connection.h"

#include <QImage>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace kavora {

namespace {

// The most of a text property read (in 32-bit units): titles and ids are far shorter.
constexpr long kMaxTextLength = 1024;
// The most windows read from the client list.
constexpr long kMaxClients = 4096;
// The most of _NET_WM_ICON read (in 32-bit units): a 256 x 256 picture and a few smaller ones.
constexpr long kMaxIconLength = 96L * 1024;
// Icon sizes are taken from the window's property as they are, so they are bounded.
constexpr unsigned long kMaxIconSide = 1024;
constexpr unsigned long kWantedIconSide = 64;
// _NET_ACTIVE_WINDOW's source indication for a pager, which window managers obey at once instead
// of applying their focus-stealing prevention.
constexpr long kSourcePager = 2;

// Every window type of the EWMH. A window's type is the first of its list that the window
// manager knows, so the first of these in the list decides.
constexpr std::array kWindowTypes {
    "_NET_WM_WINDOW_TYPE_NORMAL",        "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_WINDOW_TYPE_DOCK",          "_NET_WM_WINDOW_TYPE_TOOLBAR",
    "_NET_WM_WINDOW_TYPE_MENU",          "_NET_WM_WINDOW_TYPE_UTILITY",
    "_NET_WM_WINDOW_TYPE_SPLASH",        "_NET_WM_WINDOW_TYPE_DIALOG",
    "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", "_NET_WM_WINDOW_TYPE_POPUP_MENU",
    "_NET_WM_WINDOW_TYPE_TOOLTIP",       "_NET_WM_WINDOW_TYPE_NOTIFICATION",
    "_NET_WM_WINDOW_TYPE_COMBO",         "_NET_WM_WINDOW_TYPE_DND",
};

// One property as read: its type (None when the window does not have it) and its items, as
// bytes for format 8 and as values for format 32.
struct Property {
    Atom type = None;
    std::string bytes;
    std::vector<unsigned long> values;
};

// Reads properties of one window and remembers whether any read failed, which means that the
// window is gone (the request's error is absorbed by the connection).
class PropertyReader {
public:
    PropertyReader(Display* display, Window window)
        : display_(display)
        , window_(window)
    {
    }

    bool failed() const { return failed_; }

    Property read(Atom property, long maxLength)
    {
        Property result;
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        const int status
            = XGetWindowProperty(display_, window_, property, 0, maxLength, False, AnyPropertyType,
                                 &type, &format, &count, &remaining, &data);
        if (status != Success) {
            failed_ = true;
            return result;
        }
        result.type = type;
        if (data && format == 8) {
            result.bytes.assign(reinterpret_cast<const char*>(data), count);
        } else if (data && format == 32) {
            // Xlib hands 32-bit items out as longs, whatever the size of a long.
            const auto* values = reinterpret_cast<const unsigned long*>(data);
            result.values.assign(values, values + count);
        }
        if (data)
            XFree(data);
        return result;
    }

private:
    Display* display_;
    Window window_;
    bool failed_ = false;
};

std::optional<std::string> nonEmpty(std::string text)
{
    // Some clients count the terminating NUL in the property's length.
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    if (text.empty())
        return std::nullopt;
    return text;
}

bool contains(const std::vector<unsigned long>& values, Atom atom)
{
    return std::find(values.begin(), values.end(), atom) != values.end();
}

} // namespace

struct X11ClientList::Atoms {
    Atom clientList = None;
    Atom activeWindow = None;
    Atom windowType = None;
    Atom state = None;
    Atom skipTaskbar = None;
    Atom pid = None;
    Atom name = None;
    Atom gtkApplicationId = None;
    Atom kdeDesktopFile = None;
    Atom icon = None;
    std::array<Atom, kWindowTypes.size()> windowTypes {}; // NORMAL first

    explicit Atoms(Display* display)
    {
        std::vector<std::string> names {
            "_NET_CLIENT_LIST", "_NET_ACTIVE_WINDOW",         "_NET_WM_WINDOW_TYPE",
            "_NET_WM_STATE",    "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_PID",
            "_NET_WM_NAME",     "_GTK_APPLICATION_ID",        "_KDE_NET_WM_DESKTOP_FILE",
            "_NET_WM_ICON"
        };
        names.insert(names.end(), kWindowTypes.begin(), kWindowTypes.end());
        // XInternAtoms takes the names as mutable strings.
        std::vector<char*> namePointers;
        namePointers.reserve(names.size());
        for (auto& atomName : names)
            namePointers.push_back(atomName.data());
        std::vector<Atom> atoms(names.size(), None);
        XInternAtoms(display, namePointers.data(), static_cast<int>(namePointers.size()), False,
                     atoms.data());
        auto next = atoms.begin();
        for (Atom* field : { &clientList, &activeWindow, &windowType, &state, &skipTaskbar, &pid,
                             &name, &gtkApplicationId, &kdeDesktopFile, &icon })
            *field = *next++;
        std::copy(next, atoms.end(), windowTypes.begin());
    }

    // Absent, or a list whose first type known to the EWMH is NORMAL. Types of a desktop's own
    // (KDE's override type, for one) come before the standard one and are passed over.
    bool isNormalType(const Property& types) const
    {
        for (const auto type : types.values) {
            if (std::find(windowTypes.begin(), windowTypes.end(), type) != windowTypes.end())
                return type == windowTypes.front();
        }
        return true;
    }
};

X11ClientList::X11ClientList(std::string displayName)
    : displayName_(std::move(displayName))
{
    connect();
}

X11ClientList::~X11ClientList() = default;

void X11ClientList::connect()
{
    connection_ = std::make_unique<X11Connection>(displayName_);
    Display* display = connection_->display();
    if (!display)
        return;
    X11Connection::CallScope scope(*connection_);
    atoms_ = std::make_unique<Atoms>(display);
    XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
    connection_->flush();
    notifier_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readEvents(); });
}

void X11ClientList::onChange(std::function<void()> changed)
{
    changed_ = std::move(changed);
}

void X11ClientList::onConnectionLost(std::function<void()> lost)
{
    lost_ = std::move(lost);
}

bool X11ClientList::isConnected() const
{
    return connection_->alive();
}

bool X11ClientList::reconnect()
{
    if (connection_->alive())
        return true;
    notifier_.reset();
    atoms_.reset(); // atoms are the server's: a new one numbers them anew
    connection_.reset();
    connect();
    if (connection_->alive() && changed_)
        changed_();
    return connection_->alive();
}

std::vector<X11ClientWindow> X11ClientList::windows()
{
    std::vector<X11ClientWindow> windows;
    // flush() also puts the connection's error hooks back should another library have replaced
    // them: a read of a vanished window must not reach a handler that ends the process.
    if (!atoms_ || !connection_->flush())
        return windows;
    Display* display = connection_->display();
    X11Connection::CallScope scope(*connection_);
    PropertyReader root(display, DefaultRootWindow(display));
    const Property clients = root.read(atoms_->clientList, kMaxClients);
    if (clients.type == XA_WINDOW) {
        for (const auto window : clients.values) {
            if (auto client = readWindow(window))
                windows.push_back(std::move(*client));
        }
    }
    readQueuedEventsLater();
    return windows;
}

std::optional<X11ClientWindow> X11ClientList::readWindow(unsigned long window)
{
    Display* display = connection_->display();
    if (!display)
        return std::nullopt;
    PropertyReader reader(display, window);
    if (!atoms_->isNormalType(reader.read(atoms_->windowType, kMaxTextLength))
        || contains(reader.read(atoms_->state, kMaxTextLength).values, atoms_->skipTaskbar)
        || reader.read(XA_WM_TRANSIENT_FOR, 1).type != None || reader.failed())
        return std::nullopt;

    X11ClientWindow client;
    client.window = window;
    client.gtkApplicationId = nonEmpty(reader.read(atoms_->gtkApplicationId, kMaxTextLength).bytes);
    client.kdeDesktopFile = nonEmpty(reader.read(atoms_->kdeDesktopFile, kMaxTextLength).bytes);
    // "instance\0class\0"
    const std::string wmClass = reader.read(XA_WM_CLASS, kMaxTextLength).bytes;
    const auto split = wmClass.find('\0');
    client.wmInstance = wmClass.substr(0, split);
    if (split != std::string::npos)
        client.wmClass = nonEmpty(wmClass.substr(split + 1)).value_or("");
    const Property pid = reader.read(atoms_->pid, 1);
    if (pid.type == XA_CARDINAL && !pid.values.empty() && pid.values.front() > 0)
        client.pid = static_cast<std::uint32_t>(pid.values.front());
    if (auto title = nonEmpty(reader.read(atoms_->name, kMaxTextLength).bytes)) {
        client.title = std::move(*title);
    } else {
        const Property name = reader.read(XA_WM_NAME, kMaxTextLength);
        // STRING is Latin-1; COMPOUND_TEXT is taken as it is, which suits its ASCII titles.
        client.title = name.type == XA_STRING ? latin1ToUtf8(name.bytes) : name.bytes;
        client.title = nonEmpty(client.title).value_or("");
    }
    if (reader.failed())
        return std::nullopt;
    return client;
}

bool X11ClientList::activate(unsigned long window)
{
    Display* display = connection_->display();
    if (!atoms_ || !display)
        return false;
    X11Connection::CallScope scope(*connection_);
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atoms_->activeWindow;
    event.xclient.format = 32;
    event.xclient.data.l[0] = kSourcePager;
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = None; // the requester has no window of its own
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    return connection_->flush();
}

QImage X11ClientList::icon(unsigned long window)
{
    if (!atoms_ || !connection_->flush()) // see windows()
        return {};
    Display* display = connection_->display();
    X11Connection::CallScope scope(*connection_);
    PropertyReader reader(display, window);
    const Property property = reader.read(atoms_->icon, kMaxIconLength);
    readQueuedEventsLater();
    // Pictures one after the other: width, height, then width x height ARGB pixels in rows.
    const auto& values = property.values;
    std::size_t best = values.size();
    const auto side = [&](std::size_t at) { return std::min(values[at], values[at + 1]); };
    for (std::size_t at = 0; at + 2 <= values.size();) {
        const unsigned long width = values[at];
        const unsigned long height = values[at + 1];
        if (width == 0 || height == 0 || width > kMaxIconSide || height > kMaxIconSide
            || width * height > values.size() - at - 2)
            break;
        const bool bigEnough = side(at) >= kWantedIconSide;
        const bool better = best == values.size()
            || (bigEnough ? side(best) < kWantedIconSide || side(at) < side(best)
                          : side(best) < kWantedIconSide && side(at) > side(best));
        if (better)
            best = at;
        at += 2 + width * height;
    }
    if (best == values.size())
        return {};
    const int width = static_cast<int>(values[best]);
    const int height = static_cast<int>(values[best + 1]);
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto pixel = values[best + 2 + static_cast<std::size_t>(y * width + x)];
            image.setPixel(x, y, static_cast<QRgb>(pixel & 0xFFFFFFFFUL));
        }
    }
    return image;
}

void X11ClientList::readEvents()
{
    Display* display = connection_->display();
    if (!display) {
        connectionEnded();
        return;
    }
    bool changed = false;
    {
        X11Connection::CallScope scope(*connection_);
        while (connection_->alive() && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            changed = changed
                || (event.type == PropertyNotify && event.xproperty.atom == atoms_->clientList);
        }
    }
    if (!connection_->alive()) {
        connectionEnded();
        return;
    }
    if (changed && changed_)
        changed_();
}

void X11ClientList::connectionEnded()
{
    // The server is gone: stop watching a socket that stays readable for ever.
    if (!notifier_->isEnabled())
        return;
    notifier_->setEnabled(false);
    if (lost_)
        lost_();
}

// Xlib reads whatever the server sent while it waits for a reply, events included; those wait
// in its queue where the socket notifier cannot see them.
void X11ClientList::readQueuedEventsLater()
{
    Display* display = connection_->display();
    if (!notifier_ || !display || XEventsQueued(display, QueuedAlready) == 0)
        return;
    QTimer::singleShot(0, notifier_.get(), [this] { readEvents(); });
}

} // namespace kavora
