#include "platform/linux/x11/X11EventServices.h"

#include "platform/linux/x11/X11Connection.h"
#include "platform/linux/x11/X11Keyboard.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
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

// The physical button that the pointer map turns into the logical one: XTest presses physical
// buttons, and a left-handed map swaps 1 and 3.
unsigned int physicalButton(Display* display, unsigned int logical)
{
    std::array<unsigned char, 256> map {};
    const int count = XGetPointerMapping(display, map.data(), static_cast<int>(map.size()));
    for (int i = 0; i < count; ++i) {
        if (map[i] == logical)
            return static_cast<unsigned int>(i + 1);
    }
    return logical;
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

} // namespace

X11EventServices::X11EventServices(const InputSettings& settings, const std::string& displayName)
    : connection_(std::make_unique<X11Connection>(displayName))
    , keyboard_(std::make_unique<X11Keyboard>(*connection_, settings))
{
}

X11EventServices::~X11EventServices() = default;

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
    return Point { double(rootX), double(rootY) };
}

std::vector<Rect> X11EventServices::activeDisplayBounds()
{
    std::vector<Rect> bounds;
    if (!connection_->hasMonitors())
        return bounds;
    Display* display = connection_->display();
    X11Connection::CallScope scope(*connection_);
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    if (!monitors || !connection_->alive()) {
        if (monitors)
            XRRFreeMonitors(monitors);
        return bounds;
    }
    // The primary monitor first, as the main display comes first on the Mac.
    std::vector<XRRMonitorInfo*> ordered;
    ordered.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        ordered.push_back(&monitors[i]);
    std::stable_partition(ordered.begin(), ordered.end(),
                          [](const XRRMonitorInfo* m) { return m->primary; });
    for (const auto* monitor : ordered) {
        bounds.push_back(Rect { double(monitor->x), double(monitor->y), double(monitor->width),
                                double(monitor->height) });
    }
    XRRFreeMonitors(monitors);
    return bounds;
}

Rect X11EventServices::mainDisplayBounds()
{
    Display* display = connection_->display();
    if (!display)
        return {};
    if (connection_->hasMonitors()) {
        X11Connection::CallScope scope(*connection_);
        int count = 0;
        XRRMonitorInfo* monitors
            = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
        std::optional<Rect> primary;
        for (int i = 0; monitors && i < count; ++i) {
            const auto& m = monitors[i];
            if (m.primary)
                primary = Rect { double(m.x), double(m.y), double(m.width), double(m.height) };
        }
        if (monitors)
            XRRFreeMonitors(monitors);
        if (primary)
            return *primary;
    }
    X11Connection::CallScope scope(*connection_);
    const Rect root = rootBounds(display);
    return connection_->alive() ? root : Rect {};
}

bool X11EventServices::postMouse(const MouseEvent& event)
{
    const auto action = buttonAction(event.type);
    if (!action || !connection_->hasXTest())
        return false;
    if (!std::isfinite(event.position.x) || !std::isfinite(event.position.y))
        return false;
    Display* display = connection_->display();
    X11Connection::CallScope scope(*connection_);
    // The click state has no X counterpart: toolkits count clicks from timing and distance.
    XTestFakeMotionEvent(display, -1, toCoordinate(event.position.x),
                         toCoordinate(event.position.y), CurrentTime);
    if (action->button != 0) {
        XTestFakeButtonEvent(display, physicalButton(display, action->button),
                             action->press ? True : False, CurrentTime);
    }
    return connection_->flush();
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
    Display* display = connection_->display();
    X11Connection::CallScope scope(*connection_);
    const unsigned int button = physicalButton(display, logicalButton);
    for (std::int64_t i = 0; i < count; ++i) {
        XTestFakeButtonEvent(display, button, True, CurrentTime);
        XTestFakeButtonEvent(display, button, False, CurrentTime);
    }
    return connection_->flush();
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
