// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/x11/X11Connection.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include <X11/XKBlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>
#include <xcb/xproto.h>

namespace kavora {

namespace {

// XTEST's FakeInput request (minor opcode 2), laid out as XTestFakeKeyEvent and its siblings
// send it: root None (the pointer's screen), CurrentTime, the core device.
struct FakeInputRequest {
    std::uint8_t majorOpcode;
    std::uint8_t minorOpcode;
    std::uint16_t length; // in 4-byte units
    std::uint8_t type;
    std::uint8_t detail; // the button or keycode; 0 for absolute motion
    std::array<std::uint8_t, 2> pad0;
    std::uint32_t time;
    std::uint32_t root;
    std::array<std::uint8_t, 8> pad1;
    std::int16_t rootX;
    std::int16_t rootY;
    std::array<std::uint8_t, 7> pad2;
    std::uint8_t deviceId;
};
static_assert(sizeof(FakeInputRequest) == 36);
constexpr std::uint8_t kFakeInputMinorOpcode = 2;

// XCB widens the 16-bit sequence numbers the server reports against the last request it knows
// to expect a reply, so one must go out at least every 65 536 requests; this leaves a margin.
constexpr std::uint64_t kRequestsBetweenSyncs = 32'768;

} // namespace

// Xlib's error hooks are process-wide, and its defaults end the process. These replace them for
// the connections of this class and hand every other display to the hooks that were there before
// (Qt's, or Xlib's own), so other Xlib users keep the behaviour they had.
struct X11ConnectionHooks {
    static std::mutex& mutex()
    {
        static std::mutex instance;
        return instance;
    }
    static std::vector<X11Connection*>& connections()
    {
        static std::vector<X11Connection*> instance;
        return instance;
    }
    static inline XErrorHandler previousError = nullptr;
    static inline XIOErrorHandler previousIoError = nullptr;
    // Set while a foreign display's error is handed on: a hook installed after ours that hands
    // on to ours in turn must not send it round in circles.
    static inline thread_local bool chaining = false;

    static X11Connection* owner(Display* display)
    {
        auto& all = connections();
        auto found = std::ranges::find(all, display, &X11Connection::display_);
        return found == all.end() ? nullptr : *found;
    }

    static int onError(Display* display, XErrorEvent* error)
    {
        XErrorHandler chained = nullptr;
        {
            std::lock_guard lock(mutex());
            if (auto* connection = owner(display)) {
                ++connection->errorCount_;
                return 0;
            }
            chained = previousError;
        }
        if (!chained || chaining)
            return 0;
        chaining = true;
        const int result = chained(display, error);
        chaining = false;
        return result;
    }

    static int onIoError(Display* display)
    {
        XIOErrorHandler chained = nullptr;
        {
            std::lock_guard lock(mutex());
            if (auto* connection = owner(display)) {
                connection->dead_ = true;
                return 0;
            }
            chained = previousIoError;
        }
        if (!chained || chaining)
            return 0; // the display's exit handler decides
        chaining = true;
        const int result = chained(display);
        chaining = false;
        return result;
    }

    // Runs after onIoError for our connections, in place of Xlib's exit(): returning lets the
    // failed call unwind, and the display can still be closed.
    static void onIoErrorExit(Display* display, void* connection)
    {
        (void)display;
        std::lock_guard lock(mutex());
        static_cast<X11Connection*>(connection)->dead_ = true;
    }

    // Installs the hooks, again if someone replaced them since; cheap, no server traffic.
    static void install()
    {
        std::lock_guard lock(mutex());
        if (auto previous = XSetErrorHandler(onError); previous != onError)
            previousError = previous;
        if (auto previous = XSetIOErrorHandler(onIoError); previous != onIoError)
            previousIoError = previous;
    }
};

X11Connection::CallScope::CallScope(const X11Connection& connection)
    : connection_(connection)
{
    if (connection.pipeIgnored_) {
        wasBlocked_ = true; // nothing to undo
        return;
    }
    sigset_t pipe;
    sigset_t previous;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &previous);
    wasBlocked_ = sigismember(&previous, SIGPIPE) == 1;
}

X11Connection::CallScope::~CallScope()
{
    if (wasBlocked_)
        return;
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    // Only a write that broke (or never made) the connection raises it.
    sigset_t pending;
    const bool broken = connection_.dead_ || !connection_.display_;
    if (broken && sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1) {
        const timespec immediately {};
        sigtimedwait(&pipe, nullptr, &immediately);
    }
    pthread_sigmask(SIG_UNBLOCK, &pipe, nullptr);
}

X11Connection::X11Connection(const std::string& displayName)
{
    // Read once: asking on every call would cost the system call the scope saves.
    struct sigaction pipeAction { };
    pipeIgnored_
        = sigaction(SIGPIPE, nullptr, &pipeAction) == 0 && pipeAction.sa_handler == SIG_IGN;
    X11ConnectionHooks::install();
    CallScope scope(*this);
    // Opened only once the hooks are in place, so that an error while opening reaches them.
    // NOLINTNEXTLINE(cppcoreguidelines-prefer-member-initializer)
    display_ = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!display_)
        return;
    XSetIOErrorExitHandler(display_, X11ConnectionHooks::onIoErrorExit, this);
    queued_.reserve(16 * sizeof(FakeInputRequest)); // a key stroke with all its modifiers
    {
        std::lock_guard lock(X11ConnectionHooks::mutex());
        X11ConnectionHooks::connections().push_back(this);
    }

    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    xtest_ = XTestQueryExtension(display_, &eventBase, &errorBase, &major, &minor);
    int xtestOpcode = 0;
    if (xtest_ && XQueryExtension(display_, "XTEST", &xtestOpcode, &eventBase, &errorBase))
        xtestOpcode_ = xtestOpcode;
    // Keep injecting while another client grabs the server.
    if (xtest_)
        XTestGrabControl(display_, True);
    if (XRRQueryExtension(display_, &eventBase, &errorBase)
        && XRRQueryVersion(display_, &major, &minor)) {
        randrEventBase_ = eventBase;
        monitors_ = major > 1 || (major == 1 && minor >= 5);
    }
    int opcode = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    if (XkbQueryExtension(display_, &opcode, &eventBase, &errorBase, &major, &minor))
        xkbEventBase_ = eventBase;
    sync();
}

X11Connection::~X11Connection()
{
    watch_.reset();
    if (!display_)
        return;
    {
        CallScope scope(*this);
        XCloseDisplay(display_);
    }
    std::lock_guard lock(X11ConnectionHooks::mutex());
    std::erase(X11ConnectionHooks::connections(), this);
}

void X11Connection::addEventHandler(EventHandler handler)
{
    eventHandlers_.push_back(std::move(handler));
}

void X11Connection::takeEvents()
{
    if (!alive())
        return;
    CallScope scope(*this);
    // Events already read (with a reply) are in Xlib's queue. Otherwise the socket is read only
    // when it holds something: a look costs one system call, where Xlib's read takes two. What
    // arrives while these are handled is taken next time.
    int queued = XEventsQueued(display_, QueuedAlready);
    pollfd readable { ConnectionNumber(display_), POLLIN, 0 };
    if (queued == 0 && ::poll(&readable, 1, 0) > 0)
        queued = XEventsQueued(display_, QueuedAfterReading);
    handleEvents(queued);
}

void X11Connection::takeReadEvents()
{
    if (!alive())
        return;
    CallScope scope(*this);
    handleEvents(XEventsQueued(display_, QueuedAlready));
}

void X11Connection::watch(std::function<void()> ended)
{
    if (!display_ || QAbstractEventDispatcher::instance() == nullptr)
        return;
    watch_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
    QObject::connect(watch_.get(), &QSocketNotifier::activated, [this, ended = std::move(ended)] {
        takeEvents();
        if (alive())
            return;
        // A closed socket stays readable: stop looking at it.
        watch_->setEnabled(false);
        if (ended)
            ended();
    });
}

void X11Connection::handleEvents(int queued)
{
    while (queued > 0 && alive()) {
        XEvent event;
        XNextEvent(display_, &event);
        for (const auto& handler : eventHandlers_)
            handler(event);
        queued = XEventsQueued(display_, QueuedAlready);
    }
}

_XDisplay* X11Connection::display() const
{
    return alive() ? display_ : nullptr;
}

bool X11Connection::flush()
{
    if (!sendFakeInput())
        return false;
    X11ConnectionHooks::install();
    CallScope scope(*this);
    XFlush(display_);
    return alive();
}

void X11Connection::queueFakeInput(FakeInput type, unsigned int detail, int x, int y)
{
    if (!alive() || xtestOpcode_ < 0)
        return;
    // Taken now, so that a request Xlib makes before sendFakeInput() goes out after these.
    if (!takeSocket())
        return;
    FakeInputRequest request {};
    request.majorOpcode = static_cast<std::uint8_t>(xtestOpcode_);
    request.minorOpcode = kFakeInputMinorOpcode;
    request.length = sizeof request / 4;
    request.type = static_cast<std::uint8_t>(type);
    request.detail = static_cast<std::uint8_t>(detail);
    request.rootX = static_cast<std::int16_t>(x);
    request.rootY = static_cast<std::int16_t>(y);
    queued_.append(reinterpret_cast<const char*>(&request), sizeof request);
    ++queuedRequests_;
}

bool X11Connection::fakeMotion(int x, int y)
{
    queueFakeInput(FakeInput::PointerMotion, 0, x, y);
    return sendFakeInput();
}

bool X11Connection::takeSocket()
{
    if (ownsSocket_)
        return true;
    X11ConnectionHooks::install();
    CallScope scope(*this);
    // No system call while nobody else has requests waiting: Xlib and XCB write theirs first.
    std::uint64_t sent = 0;
    if (xcb_take_socket(XGetXCBConnection(display_), &X11Connection::giveSocketBack, this, 0, &sent)
        == 0) {
        dead_ = true;
        return false;
    }
    ownsSocket_ = true;
    return true;
}

bool X11Connection::sendFakeInput()
{
    if (!alive()) {
        queued_.clear();
        queuedRequests_ = 0;
        return false;
    }
    if (queuedRequests_ == 0)
        return true;
    X11ConnectionHooks::install();
    CallScope scope(*this);
    xcb_connection_t* connection = XGetXCBConnection(display_);
    // Still ours: whoever took it back had the queue written.
    writeQueued(connection);
    if (alive() && requestsSinceSync_ >= kRequestsBetweenSyncs) {
        // Takes the socket back (nothing is queued now); the reply is dropped when it comes.
        requestsSinceSync_ = 0;
        xcb_discard_reply(connection, xcb_get_input_focus(connection).sequence);
        if (xcb_flush(connection) <= 0)
            dead_ = true;
    }
    return alive();
}

void X11Connection::giveSocketBack(void* connection)
{
    auto* self = static_cast<X11Connection*>(connection);
    if (self->queuedRequests_ > 0 && self->display_)
        self->writeQueued(XGetXCBConnection(self->display_));
    self->ownsSocket_ = false;
}

void X11Connection::writeQueued(xcb_connection_t* connection)
{
    const std::uint64_t requests = std::exchange(queuedRequests_, 0);
    // One write, without XCB's poll of the socket before it. Only a server that stopped reading
    // leaves the socket full; XCB then writes the rest once it can.
    const auto written = ::send(xcb_get_file_descriptor(connection), queued_.data(), queued_.size(),
                                MSG_NOSIGNAL | MSG_DONTWAIT);
    if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        dead_ = true;
        queued_.clear();
        return;
    }
    const auto taken = static_cast<std::size_t>(std::max<ssize_t>(written, 0));
    iovec rest { queued_.data() + taken, queued_.size() - taken };
    // XCB counts the requests as sent: it numbers the replies and events by them.
    if (xcb_writev(connection, &rest, rest.iov_len > 0 ? 1 : 0, requests) == 0)
        dead_ = true;
    queued_.clear(); // keeps its capacity
    requestsSinceSync_ += requests;
}

bool X11Connection::sync()
{
    if (!alive())
        return false;
    X11ConnectionHooks::install();
    CallScope scope(*this);
    const auto errorsBefore = errorCount_;
    XSync(display_, False);
    return alive() && errorCount_ == errorsBefore;
}

} // namespace kavora
