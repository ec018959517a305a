// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
struct _XDisplay;
union _XEvent;
struct xcb_connection_t;

namespace kavora {

// One Xlib connection, used only from the thread that opened it. A server that goes away marks
// the connection dead instead of ending the process, and X protocol errors on it are counted
// instead of being fatal. A dead connection stays dead: its users open a new one.
class X11Connection {
public:
    // Opens the named display, or $DISPLAY when the name is empty.
    explicit X11Connection(const std::string& displayName);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    // The Xlib display while the connection is alive, null otherwise.
    _XDisplay* display() const;
    bool alive() const { return display_ && !dead_; }
    bool hasXTest() const { return alive() && xtest_; }
    // RandR 1.5, which lists monitors.
    bool hasMonitors() const { return alive() && monitors_; }
    bool hasXkb() const { return alive() && xkbEventBase_ >= 0; }
    int xkbEventBase() const { return xkbEventBase_; }
    int randrEventBase() const { return randrEventBase_; }

    // What the server reports on its own (a changed monitor layout, pointer map or keyboard
    // state) reaches the users of the connection as events, so that they can keep what they
    // know of the server current instead of asking it on every call. Handlers are called from
    // takeEvents(), in the order they were added; they must not add handlers themselves.
    using EventHandler = std::function<void(const _XEvent& event)>;
    void addEventHandler(EventHandler handler);
    // Hands every event the server has sent so far to the handlers, without waiting for more:
    // at most one read of the socket, no round trip. Called before anything that relies on
    // what the handlers keep.
    void takeEvents();
    // The same for the events Xlib has already read (every flush and every reply reads what has
    // arrived), without looking at the socket: no system call.
    void takeReadEvents();

    // Reads the connection from the thread's event loop whenever the server sends something, so
    // that the end of the connection (the server closed it or went away) is noticed at once and
    // not at the next use. `ended` is then called once, from the loop, and the watch stops; it
    // must not destroy the connection itself. Events reach the handlers as with takeEvents().
    // Does nothing on a thread without an event loop, or on a connection that never opened.
    void watch(std::function<void()> ended);

    // Every Xlib call on a connection is made inside one: a write to a server that has gone away
    // raises SIGPIPE, which would end the process. The scope blocks it for the calling thread and
    // swallows one raised meanwhile; the broken connection is reported through the I/O error hook
    // instead. When the process ignored SIGPIPE before the connection was opened (the receiver
    // does so at start), a broken write cannot end it and the scope costs nothing.
    class CallScope {
    public:
        explicit CallScope(const X11Connection& connection);
        ~CallScope();
        CallScope(const CallScope&) = delete;
        CallScope& operator=(const CallScope&) = delete;

    private:
        const X11Connection& connection_;
        bool wasBlocked_ = false;
    };

    // Sends the buffered requests, the queued fake input first; false when the connection is, or
    // turns out to be, dead.
    bool flush();

    // Synthetic input through XTEST's FakeInput request: the X protocol's event codes, motion
    // absolute on the pointer's screen, buttons and keys by their physical numbers.
    enum class FakeInput : std::uint8_t {
        KeyDown = 2, // KeyPress
        KeyUp = 3, // KeyRelease
        ButtonDown = 4, // ButtonPress
        ButtonUp = 5, // ButtonRelease
        PointerMotion = 6, // MotionNotify
    };
    // Queues one request; nothing is sent before sendFakeInput().
    void queueFakeInput(FakeInput type, unsigned int detail, int x = 0, int y = 0);
    // Sends what is queued in one write; false when the connection is, or turns out to be, dead.
    // It goes out beside Xlib, on the socket's write side taken from XCB: Xlib's flush would
    // read the socket twice more after each write and XCB's would look at it first, where the
    // events are read only when they are needed (takeEvents). Requests keep their order with
    // Xlib's: whoever takes the socket back has the queue written first.
    bool sendFakeInput();
    // Moves the pointer to (x, y) of the screen it is on and sends it at once.
    bool fakeMotion(int x, int y);
    // Waits until the server has handled every request sent so far; false when the connection is
    // dead or one of those requests failed.
    bool sync();

private:
    friend struct X11ConnectionHooks;

    void handleEvents(int queued);
    // XCB's hook for taking the socket's write side back: what is queued is written first.
    bool takeSocket();
    static void giveSocketBack(void* connection);
    void writeQueued(xcb_connection_t* connection);

    _XDisplay* display_ = nullptr;
    bool dead_ = false;
    bool xtest_ = false;
    bool monitors_ = false;
    int xkbEventBase_ = -1;
    int randrEventBase_ = -1;
    int xtestOpcode_ = -1; // the XTEST major opcode, for requests sent through XCB
    std::string queued_; // FakeInput requests not yet written, as their wire bytes
    std::size_t queuedRequests_ = 0;
    bool ownsSocket_ = false; // the socket's write side, taken from XCB
    std::uint64_t requestsSinceSync_ = 0;
    bool pipeIgnored_ = false;
    unsigned long errorCount_ = 0;
    std::vector<EventHandler> eventHandlers_;
    std::unique_ptr<QSocketNotifier> watch_;
};

} // namespace kavora
