#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

// One element of an application's accessibility tree (a menu bar, menu or menu item).
class AccessibilityElement {
public:
    virtual ~AccessibilityElement() = default;

    // The title, or nothing when it cannot be read or is not text.
    virtual std::optional<std::string> title() = 0;
    // The children in the order the application lists them, or nothing when unreadable.
    virtual std::optional<std::vector<std::shared_ptr<AccessibilityElement>>> children() = 0;
    // Performs the element's press action; true when it succeeded.
    virtual bool press() = 0;
};

// The accessibility services: whether this process may inject input, and the menus of the
// frontmost application.
class Accessibility {
public:
    virtual ~Accessibility() = default;

    virtual bool isTrusted() = 0;
    // Asks the user to grant the permission where the system has such a prompt; returns the
    // trust state as isTrusted() would.
    virtual bool requestTrust() = 0;
    // Why input cannot be injected, or what the user is to do, in the words of the permission
    // block, where the system knows more than that the permission is missing; empty otherwise.
    virtual std::string trustHint() { return {}; }
    // The menu bar of the frontmost application; null when there is no frontmost application
    // or its menu bar cannot be read.
    virtual std::shared_ptr<AccessibilityElement> frontmostMenuBar() = 0;
};

} // namespace kavora
