#include "platform/linux/accessibility/AtSpiElement.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include <atspi/atspi.h>

namespace kavora {

namespace {

// A menu with more entries than this is not a menu a person reads; the cap keeps a broken or
// hostile application from handing out millions of children.
constexpr int kMaxChildren = 512;
// Toolkits offer one or two actions per menu item; the names are read one call each.
constexpr gint kMaxActionsRead = 8;

// Takes the error; true when there was one.
bool failed(GError*& error)
{
    if (!error)
        return false;
    g_clear_error(&error);
    return true;
}

std::string withoutShortcut(std::string_view name)
{
    name = name.substr(0, name.find('\t'));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\n' || name.back() == '\r'))
        name.remove_suffix(1);
    return std::string(name);
}

bool isPressAction(const gchar* name)
{
    constexpr std::array<const char*, 3> kPressActions { "click", "press", "activate" };
    return name && std::ranges::any_of(kPressActions, [name](const char* press) {
               return g_ascii_strcasecmp(name, press) == 0;
           });
}

} // namespace

AtSpiCallWatch::AtSpiCallWatch(AtSpiApplicationHealth& health)
    : health_(health)
    , started_(std::chrono::steady_clock::now())
{
}

AtSpiCallWatch::~AtSpiCallWatch()
{
    // Nine tenths: libatspi gives up at the timeout itself, give or take scheduling.
    if (std::chrono::steady_clock::now() - started_ >= kAtSpiCallTimeout * 9 / 10)
        health_.answering = false;
}

AtSpiElement::AtSpiElement(_AtspiAccessible* accessible,
                           std::shared_ptr<AtSpiApplicationHealth> health)
    : accessible_(accessible)
    , health_(std::move(health))
{
}

AtSpiElement::~AtSpiElement()
{
    g_object_unref(accessible_);
}

std::optional<std::string> AtSpiElement::title()
{
    if (!health_->answering)
        return std::nullopt;
    GError* error = nullptr;
    gchar* name = nullptr;
    {
        const AtSpiCallWatch watch(*health_);
        name = atspi_accessible_get_name(accessible_, &error);
    }
    std::optional<std::string> title;
    if (!failed(error) && health_->answering && name)
        title = withoutShortcut(name);
    g_free(name);
    return title;
}

std::optional<std::vector<std::shared_ptr<AccessibilityElement>>> AtSpiElement::children()
{
    if (!health_->answering)
        return std::nullopt;
    GError* error = nullptr;
    gint count = 0;
    {
        const AtSpiCallWatch watch(*health_);
        count = atspi_accessible_get_child_count(accessible_, &error);
    }
    if (failed(error) || !health_->answering || count < 0)
        return std::nullopt;

    std::vector<std::shared_ptr<AccessibilityElement>> children;
    for (gint i = 0; i < std::min(count, kMaxChildren); ++i) {
        AtspiAccessible* child = nullptr;
        {
            const AtSpiCallWatch watch(*health_);
            child = atspi_accessible_get_child_at_index(accessible_, i, &error);
        }
        if (failed(error) || !child) {
            if (child)
                g_object_unref(child);
            if (!health_->answering)
                return std::nullopt;
            continue;
        }
        children.push_back(std::make_shared<AtSpiElement>(child, health_));
    }
    return children;
}

bool AtSpiElement::press()
{
    if (!health_->answering)
        return false;
    const AtSpiCallWatch watch(*health_);
    AtspiAction* action = atspi_accessible_get_action_iface(accessible_);
    if (!action)
        return false;

    GError* error = nullptr;
    const gint count = atspi_action_get_n_actions(action, &error);
    bool pressed = false;
    if (!failed(error) && count > 0) {
        gint chosen = 0;
        for (gint i = 0; i < std::min(count, kMaxActionsRead); ++i) {
            gchar* name = atspi_action_get_action_name(action, i, &error);
            const bool matches = !failed(error) && isPressAction(name);
            g_free(name);
            if (matches) {
                chosen = i;
                break;
            }
        }
        pressed = atspi_action_do_action(action, chosen, &error) && !failed(error);
        g_clear_error(&error);
    }
    g_object_unref(action);
    return pressed;
}

} // namespace kavora
