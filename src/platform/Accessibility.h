// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavora {

// One element of an application's accessibility tree (a menu bar, menu or menu item). Another
// application answers, in its own time: each question is answered exactly once, on the main
// thread, either before the call returns or later, never by waiting for that application.
class AccessibilityElement {
public:
    template <class T> using Answer = std::function<void(T)>;
    using Elements = std::vector<std::shared_ptr<AccessibilityElement>>;

    virtual ~AccessibilityElement() = default;

    // The title, or nothing when it cannot be read or is not text.
    virtual void title(Answer<std::optional<std::string>> answer) = 0;
    // The children in the order the application lists them, or nothing when unreadable.
    virtual void children(Answer<std::optional<Elements>> answer) = 0;
    // Performs the element's press action; true when it succeeded.
    virtual void press(Answer<bool> answer) = 0;
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
    // The menu bar of the frontmost application, answered as the element's questions are; null
    // when there is no frontmost application or its menu bar cannot be read.
    virtual void
    frontmostMenuBar(AccessibilityElement::Answer<std::shared_ptr<AccessibilityElement>> answer)
        = 0;
};

} // namespace kavora
