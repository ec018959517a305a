// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "AtSpiTree.h"

#include <atspi/atspi.h>

namespace kavora::test {

namespace {

AtSpiNode adopt(AtspiAccessible* accessible)
{
    return AtSpiNode(accessible, [](AtspiAccessible* a) {
        if (a)
            g_object_unref(a);
    });
}

std::string takeString(gchar* text)
{
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

bool hasState(const AtSpiNode& node, AtspiStateType state)
{
    AtspiStateSet* states = atspi_accessible_get_state_set(node.get());
    if (!states)
        return false;
    const bool present = atspi_state_set_contains(states, state);
    g_object_unref(states);
    return present;
}

} // namespace

void initAtSpi()
{
    static const bool initialised = [] {
        atspi_init();
        atspi_set_timeout(5000, 5000);
        return true;
    }();
    (void)initialised;
}

AtSpiNode atSpiApplication(pid_t pid)
{
    initAtSpi();
    auto desktop = adopt(atspi_get_desktop(0));
    const gint count = atspi_accessible_get_child_count(desktop.get(), nullptr);
    AtSpiNode found;
    for (gint i = 0; i < count; ++i) {
        auto application = adopt(atspi_accessible_get_child_at_index(desktop.get(), i, nullptr));
        if (!application
            || atspi_accessible_get_process_id(application.get(), nullptr)
                != static_cast<guint>(pid))
            continue;
        // A program that registered again (GNOME Shell switches accessibility on after Qt
        // looked) leaves an empty entry behind: the one with windows is the one to read.
        found = application;
        if (atspi_accessible_get_child_count(application.get(), nullptr) > 0)
            break;
    }
    return found;
}

AtSpiNode findAtSpi(const AtSpiNode& root, const std::string& role,
                    const std::optional<std::string>& name)
{
    if (!root)
        return nullptr;
    if (takeString(atspi_accessible_get_role_name(root.get(), nullptr)) == role
        && (!name || atSpiName(root) == *name))
        return root;
    const gint count = atspi_accessible_get_child_count(root.get(), nullptr);
    for (gint i = 0; i < count; ++i) {
        auto child = adopt(atspi_accessible_get_child_at_index(root.get(), i, nullptr));
        if (auto found = findAtSpi(child, role, name))
            return found;
    }
    return nullptr;
}

std::string atSpiOutline(const AtSpiNode& root, int depth)
{
    if (!root)
        return "(nothing)\n";
    std::string outline = takeString(atspi_accessible_get_role_name(root.get(), nullptr)) + " \""
        + atSpiName(root) + "\"\n";
    if (depth <= 0)
        return outline;
    const gint count = atspi_accessible_get_child_count(root.get(), nullptr);
    for (gint i = 0; i < count; ++i) {
        auto child = adopt(atspi_accessible_get_child_at_index(root.get(), i, nullptr));
        std::string inner = atSpiOutline(child, depth - 1);
        for (std::size_t at = 0; at < inner.size(); at = inner.find('\n', at) + 1)
            inner.insert(at, "  ");
        outline += inner;
    }
    return outline;
}

std::string atSpiName(const AtSpiNode& node)
{
    return node ? takeString(atspi_accessible_get_name(node.get(), nullptr)) : std::string();
}

bool atSpiShowing(const AtSpiNode& node)
{
    return node && hasState(node, ATSPI_STATE_SHOWING);
}

bool atSpiChecked(const AtSpiNode& node)
{
    return node && hasState(node, ATSPI_STATE_CHECKED);
}

bool atSpiAct(const AtSpiNode& node)
{
    if (!node)
        return false;
    AtspiAction* action = atspi_accessible_get_action_iface(node.get());
    if (!action)
        return false;
    const bool done = atspi_action_do_action(action, 0, nullptr);
    g_object_unref(action);
    return done;
}

std::optional<QRect> atSpiExtents(const AtSpiNode& node)
{
    if (!node)
        return std::nullopt;
    AtspiComponent* component = atspi_accessible_get_component_iface(node.get());
    if (!component)
        return std::nullopt;
    AtspiRect* rect = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, nullptr);
    g_object_unref(component);
    if (!rect)
        return std::nullopt;
    const QRect extents(rect->x, rect->y, rect->width, rect->height);
    g_free(rect);
    return extents;
}

} // namespace kavora::test
