#include "platform/linux/accessibility/AtSpiAccessibility.h"

#include "platform/linux/accessibility/AtSpiElement.h"
#include "platform/linux/accessibility/XDisplayProbe.h"
#include "platform/linux/system/DesktopSessionBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <atspi/atspi.h>
#include <unistd.h>

namespace kavora {

namespace {

// Looking up the bus address may start the bus launcher; it answers within milliseconds.
constexpr int kBusLookupTimeoutMs = 1000;
// Bounds of the search for an application's menu bar, which sits one to three levels below the
// application in every toolkit seen; each node visited costs a round trip.
constexpr int kMaxApplications = 256;
constexpr int kMaxWindows = 32;
constexpr int kMenuBarMaxDepth = 6;
constexpr int kMenuBarMaxNodes = 256;

// libatspi's connection is process-wide, so is the knowledge whether it is up.
bool atSpiConnected = false;

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using AccessiblePtr = std::unique_ptr<AtspiAccessible, GObjectUnref>;

bool failed(GError*& error)
{
    if (!error)
        return false;
    g_clear_error(&error);
    return true;
}

// Whether libatspi will find a bus, asked the way it asks, but within a deadline: its own
// session-bus lookup waits for D-Bus's default 25 s, and on a missing session bus it would
// autolaunch one.
bool accessibilityBusAdvertised()
{
    const char* address = std::getenv("AT_SPI_BUS_ADDRESS");
    if (address && *address)
        return true;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!(wayland && *wayland) && XDisplayProbe::rootHasProperty("AT_SPI_BUS"))
        return true;
    if (!sessionBusConfigured() || !QCoreApplication::instance())
        return false;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                       "GetAddress"),
        QDBus::Block, kBusLookupTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
        && !reply.arguments().constFirst().toString().isEmpty();
}

std::vector<AccessiblePtr> childrenOf(AtspiAccessible* node, int limit,
                                      AtSpiApplicationHealth& health)
{
    std::vector<AccessiblePtr> children;
    GError* error = nullptr;
    gint count = 0;
    {
        const AtSpiCallWatch watch(health);
        count = atspi_accessible_get_child_count(node, &error);
    }
    if (failed(error) || !health.answering)
        return children;
    for (gint i = 0; i < std::min(count, limit) && health.answering; ++i) {
        const AtSpiCallWatch watch(health);
        AccessiblePtr child(atspi_accessible_get_child_at_index(node, i, &error));
        if (!failed(error) && child)
            children.push_back(std::move(child));
    }
    return children;
}

bool isActiveWindow(AtspiAccessible* window, AtSpiApplicationHealth& health)
{
    const AtSpiCallWatch watch(health);
    AtspiStateSet* states = atspi_accessible_get_state_set(window);
    if (!states)
        return false;
    const bool active = atspi_state_set_contains(states, ATSPI_STATE_ACTIVE);
    g_object_unref(states);
    return active;
}

AtspiRole roleOf(AtspiAccessible* node, AtSpiApplicationHealth& health)
{
    GError* error = nullptr;
    const AtSpiCallWatch watch(health);
    const AtspiRole role = atspi_accessible_get_role(node, &error);
    return failed(error) ? ATSPI_ROLE_INVALID : role;
}

// Containers that never hold a menu bar but may hold thousands of nodes.
bool mayHoldMenuBar(AtspiRole role)
{
    switch (role) {
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_POPUP_MENU:
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TREE_TABLE:
    case ATSPI_ROLE_TREE:
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
    case ATSPI_ROLE_DOCUMENT_FRAME:
    case ATSPI_ROLE_DOCUMENT_WEB:
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_TERMINAL:
        return false;
    default:
        return true;
    }
}

// Breadth first from the application's windows, the active window first, so that the menu bar
// nearest the top of the window the user sees wins.
std::shared_ptr<AccessibilityElement> menuBarOf(AtspiAccessible* application)
{
    auto health = std::make_shared<AtSpiApplicationHealth>();
    std::vector<AccessiblePtr> windows = childrenOf(application, kMaxWindows, *health);
    std::stable_partition(windows.begin(), windows.end(), [&](const AccessiblePtr& window) {
        return isActiveWindow(window.get(), *health);
    });

    std::deque<std::pair<AccessiblePtr, int>> queue;
    for (auto& window : windows)
        queue.emplace_back(std::move(window), 1);
    for (int visited = 0; !queue.empty() && visited < kMenuBarMaxNodes && health->answering;
         ++visited) {
        auto [node, depth] = std::move(queue.front());
        queue.pop_front();
        const AtspiRole role = roleOf(node.get(), *health);
        if (role == ATSPI_ROLE_MENU_BAR)
            return std::make_shared<AtSpiElement>(node.release(), health);
        if (depth >= kMenuBarMaxDepth || !mayHoldMenuBar(role))
            continue;
        for (auto& child : childrenOf(node.get(), kMaxWindows, *health))
            queue.emplace_back(std::move(child), depth + 1);
    }
    return nullptr;
}

bool hasActiveWindow(AtspiAccessible* application)
{
    AtSpiApplicationHealth health;
    const auto windows = childrenOf(application, kMaxWindows, health);
    return std::ranges::any_of(
        windows, [&](const AccessiblePtr& window) { return isActiveWindow(window.get(), health); });
}

} // namespace

AtSpiAccessibility::AtSpiAccessibility() = default;

AtSpiAccessibility::~AtSpiAccessibility() = default;

bool AtSpiAccessibility::isTrusted()
{
    return display_.offersXTest();
}

bool AtSpiAccessibility::requestTrust()
{
    return isTrusted();
}

std::shared_ptr<AccessibilityElement> AtSpiAccessibility::frontmostMenuBar()
{
    const std::optional<std::uint32_t> pid = XDisplayProbe::activeWindowProcessId();
    // A synchronous call into this very process would wait for its own GUI thread.
    if (pid && *pid == static_cast<std::uint32_t>(getpid()))
        return nullptr;
    if (!connect())
        return nullptr;

    const AccessiblePtr desktop(atspi_get_desktop(0));
    GError* error = nullptr;
    const gint count = desktop ? atspi_accessible_get_child_count(desktop.get(), &error) : -1;
    if (failed(error) || count < 0) {
        disconnect(); // the bus went away; reconnect next time
        return nullptr;
    }
    for (gint i = 0; i < std::min(count, kMaxApplications); ++i) {
        const AccessiblePtr application(
            atspi_accessible_get_child_at_index(desktop.get(), i, &error));
        if (failed(error) || !application)
            continue;
        bool frontmost = false;
        if (pid) {
            const guint applicationPid = atspi_accessible_get_process_id(application.get(), &error);
            frontmost = !failed(error) && applicationPid == *pid;
        } else {
            // No active window on the display (no EWMH window manager, or not X11): the
            // toolkits' own idea of the active window decides.
            frontmost = hasActiveWindow(application.get());
        }
        if (!frontmost)
            continue;
        if (auto menuBar = menuBarOf(application.get()))
            return menuBar;
    }
    return nullptr;
}

bool AtSpiAccessibility::connect()
{
    if (atSpiConnected)
        return true;
    if (!accessibilityBusAdvertised())
        return false;
    const int result = atspi_init(); // 0: connected now, 1: connected before
    if (result != 0 && result != 1) {
        atspi_exit(); // leaves libatspi uninitialised, ready for the next attempt
        return false;
    }
    atspi_set_timeout(static_cast<gint>(kAtSpiCallTimeout.count()), 0);
    atSpiConnected = true;
    return true;
}

void AtSpiAccessibility::disconnect()
{
    if (!atSpiConnected)
        return;
    atspi_exit();
    atSpiConnected = false;
}

} // namespace kavora
