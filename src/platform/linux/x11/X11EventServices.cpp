// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/x11/X11EventServices.h"

#include "platform/linux/x11/X11Connection.h"
#include "platform/linux/x11/X11Keyboard.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace kavora {
namespace {

constexpr unsigned int kLeftButton = 1;
constexpr unsigned int kRightButton = 3;
constexpr unsigned int kWheelUp = 4;
constexpr unsigned int kWheelDown = 5;

// X coordinates are 16-bit on the wire.
int toCoordinate(double value)
{
    constexpr double lowest = std::numeric_limits<std::int16_t>::min();
    constexpr double highest = std::numeric_limits<std::int16_t>::max();
    return static_cast<int>(std::lround(std::clamp(value, lowest, highest)));
}

struct ButtonAction {
    unsigned int button = 0; // 0: motion only
    bool press = false;
};

std::optional<ButtonAction> buttonAction(MouseEventType type)
{
    switch (type) {
    case MouseEventType::LeftMouseDown:
        return ButtonAction { kLeftButton, true };
    case MouseEventType::LeftMouseUp:
        return ButtonAction { kLeftButton, false };
    case MouseEventType::RightMouseDown:
        return ButtonAction { kRightButton, true };
    case MouseEventType::RightMouseUp:
        return ButtonAction { kRightButton, false };
    case MouseEventType::MouseMoved:
    case MouseEventType::LeftMouseDragged:
        return ButtonAction {};
    }
    return std::nullopt;
}

Rect rootBounds(Display* display)
{
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    if (!XGetGeometry(display, DefaultRootWindow(display), &root, &x, &y, &width, &height, &border,
                      &depth))
        return {};
    return Rect { 0, 0, double(width), double(height) };
}

// The monitors as RandR lists them, the primary one first, as the main display comes first on
// the Mac; empty when they cannot be listed.
std::vector<Rect> listMonitors(Display* display, bool& primaryListed)
{
    std::vector<Rect> bounds;
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    if (!monitors)
        return bounds;
    std::vector<const XRRMonitorInfo*> ordered;
    ordered.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        ordered.push_back(&monitors[i]);
    std::stable_partition(ordered.begin(), ordered.end(),
                          [](const XRRMonitorInfo* m) { return m->primary; });
    primaryListed = !ordered.empty() && ordered.front()->primary;
    for (const auto* monitor : ordered) {
        bounds.push_back(Rect { double(monitor->x), double(monitor->y), double(monitor->width),
                                double(monitor->height) });
    }
    XRRFreeMonitors(monitors);
    return bounds;
}

} // namespace

X11EventServices::X11EventServices(const InputSettings& settings, std::string displayName)
    : settings_(settings)
    , displayName_(std::move(displayName))
{
    connect();
}

X11EventServices::~X11EventServices() = default;

void X11EventServices::connect()
{
    connection_ = std::make_unique<X11Connection>(displayName_);
    keyboard_ = std::make_unique<X11Keyboard>(*connection_, settings_);
    connection_->addEventHandler([this](const XEvent& event) {
        // Every client hears of a new pointer map; the keyboard takes the other kinds.
        if (event.type == MappingNotify && event.xmapping.request == MappingPointer)
            pointerMap_.reset();
        const int randr = connection_->randrEventBase();
        // A change of the screen or of one of its CRTCs, outputs or providers.
        if (randr >= 0
            && (event.type == randr + RRScreenChangeNotify || event.type == randr + RRNotify))
            displays_.reset();
    });
    if (Display* display = connection_->display(); display && connection_->randrEventBase() >= 0) {
        X11Connection::CallScope scope(*connection_);
        XRRSelectInput(display, DefaultRootWindow(display),
                       RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask
                           | RROutputPropertyNotifyMask | RRProviderChangeNotifyMask
                           | RRProviderPropertyNotifyMask | RRResourceChangeNotifyMask);
        connection_->flush();
    }
    connection_->watch([this] {
        if (onConnectionLost)
            onConnectionLost();
    });
}

bool X11EventServices::reconnect()
{
    if (connection_->alive())
        return isConnected();
    keyboard_.reset(); // it refers to the connection
    connection_.reset();
    displays_.reset();
    pointerMap_.reset();
    connect();
    return isConnected();
}

bool X11EventServices::isConnected() const
{
    return connection_->hasXTest();
}

std::optional<Point> X11EventServices::cursorLocation()
{
    Display* display = connection_->display();
    if (!display)
        return std::nullopt;
    X11Connection::CallScope scope(*connection_);
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int mask = 0;
    // False: the pointer is on another screen of the display.
    const bool onScreen = XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX,
                                        &rootY, &windowX, &windowY, &mask);
    if (!onScreen || !connection_->alive())
        return std::nullopt;
    // The pointer is read when a motion starts afresh. The monitors are read again then too: the
    // server announces every change of its outputs and CRTCs, but not monitors that a client
    // defines (xrandr --setmonitor), so those are picked up at the start of the next motion.
    displays_.reset();
    return Point { double(rootX), double(rootY) };
}

const X11EventServices::Displays* X11EventServices::displays()
{
    // Asked at every motion message: a layout change is seen once Xlib has read its event, which
    // the pointer read at the start of a motion and every frame's flush do, so no look at the
    // socket is needed here.
    connection_->takeReadEvents();
    Display* display = connection_->display();
    if (!display)
        return nullptr;
    if (displays_)
        return &*displays_;
    // The selection is made before the read, so a change after it cannot go unnoticed.
    X11Connection::CallScope scope(*connection_);
    Displays read;
    if (connection_->hasMonitors())
        read.monitors = listMonitors(display, read.primaryListed);
    read.root = rootBounds(display);
    if (!connection_->alive())
        return nullptr;
    displays_ = std::move(read);
    return &*displays_;
}

const std::vector<Rect>& X11EventServices::activeDisplayBounds()
{
    static const std::vector<Rect> none;
    const auto* known = displays();
    return known ? known->monitors : none;
}

Rect X11EventServices::mainDisplayBounds()
{
    const auto* known = displays();
    if (!known)
        return {};
    return known->primaryListed ? known->monitors.front() : known->root;
}

unsigned int X11EventServices::physicalButton(unsigned int logical)
{
    // XTest presses physical buttons, and a left-handed map swaps 1 and 3. The map is kept until
    // the server announces a new one (taken in by the caller's takeEvents()).
    if (!pointerMap_) {
        X11Connection::CallScope scope(*connection_);
        std::array<unsigned char, 256> map {};
        pointerMapCount_
            = XGetPointerMapping(connection_->display(), map.data(), static_cast<int>(map.size()));
        pointerMap_ = map;
    }
    for (int i = 0; i < pointerMapCount_; ++i) {
        if ((*pointerMap_)[static_cast<std::size_t>(i)] == logical)
            return static_cast<unsigned int>(i + 1);
    }
    return logical;
}

bool X11EventServices::postMouse(const MouseEvent& event)
{
    const auto action = buttonAction(event.type);
    if (!action || !connection_->hasXTest())
        return false;
    if (!std::isfinite(event.position.x) || !std::isfinite(event.position.y))
        return false;
    const int x = toCoordinate(event.position.x);
    const int y = toCoordinate(event.position.y);
    if (action->button == 0)
        return connection_->fakeMotion(x, y);
    // The click state has no X counterpart: toolkits count clicks from timing and distance.
    return fakeButton(action->button, action->press, std::array { x, y });
}

// The type names the button, as in postMouse().
bool X11EventServices::postButtonAtCursor(MouseEventType type, MouseButton /*button*/)
{
    const auto action = buttonAction(type);
    if (!action || action->button == 0 || !connection_->hasXTest())
        return false;
    return fakeButton(action->button, action->press, std::nullopt);
}

bool X11EventServices::fakeButton(unsigned int logicalButton, bool press,
                                  std::optional<std::array<int, 2>> movingTo)
{
    // A pointer map announced since the last button is taken in before choosing the button.
    connection_->takeEvents();
    if (!connection_->alive())
        return false;
    const unsigned int button = physicalButton(logicalButton);
    if (movingTo) {
        connection_->queueFakeInput(X11Connection::FakeInput::PointerMotion, 0, (*movingTo)[0],
                                    (*movingTo)[1]);
    }
    connection_->queueFakeInput(
        press ? X11Connection::FakeInput::ButtonDown : X11Connection::FakeInput::ButtonUp, button);
    return connection_->sendFakeInput();
}

bool X11EventServices::postScroll(std::int32_t pixels)
{
    if (!connection_->hasXTest())
        return false;
    const auto clicks = wheel_.clicksFor(pixels, X11WheelAccumulator::Clock::now());
    if (clicks == 0)
        return true; // carried to the next scroll
    // Positive pixels scroll up: the content moves down, as wheel button 4 does.
    return fakeClicks(clicks > 0 ? kWheelUp : kWheelDown, std::abs(clicks));
}

bool X11EventServices::fakeClicks(unsigned int logicalButton, std::int64_t count)
{
    connection_->takeEvents();
    if (!connection_->alive())
        return false;
    const unsigned int button = physicalButton(logicalButton);
    for (std::int64_t i = 0; i < count; ++i) {
        connection_->queueFakeInput(X11Connection::FakeInput::ButtonDown, button);
        connection_->queueFakeInput(X11Connection::FakeInput::ButtonUp, button);
    }
    return connection_->sendFakeInput();
}

bool X11EventServices::postKey(const KeyEvent& event)
{
    return keyboard_->postKey(event);
}

bool X11EventServices::postMediaKey(const MediaKeyEvent& event)
{
    return keyboard_->postMediaKey(event);
}

bool X11EventServices::isXTestUsable()
{
    return connection_->sync() && connection_->hasXTest();
}

bool isXTestUsableOnDisplay(const std::string& displayName)
{
    X11Connection connection(displayName);
    return connection.sync() && connection.hasXTest();
}

} // namespace kavora
