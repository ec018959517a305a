// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Accessibility.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

// Presses the first element of a menu tree whose title is one of the titles: depth first, an
// element before its children, children in the order they are listed. A matching element is
// pressed and its children are not searched; when the press fails, the search goes on with the
// elements after it. The tree comes from
// another application, so the walk is bounded (a tree that loops back on itself, or an absurdly
// deep one, ends it) and every answer may come later: the search lives until its last answer and
// then says whether it pressed an element.
class MenuSearch final : public std::enable_shared_from_this<MenuSearch> {
public:
    using Done = std::function<void(bool pressed)>;

    static void start(const std::shared_ptr<AccessibilityElement>& menuBar,
                      std::span<const std::string_view> titles, Done done);

    MenuSearch(std::span<const std::string_view> titles, Done done);

private:
    enum class Step : std::uint8_t { Next, Titled, Listed, Pressed };
    struct Visit {
        std::shared_ptr<AccessibilityElement> element;
        int depth = 0;
    };

    // Runs the steps until one waits for an answer; an answer that comes at once continues the
    // same loop, so that a tree answered at once does not nest the calls.
    void resume();
    void step();

    std::span<const std::string_view> titles_;
    Done done_;
    Step step_ = Step::Next;
    std::vector<Visit> toVisit_; // the next element to visit last
    Visit current_;
    std::optional<std::string> title_;
    std::optional<AccessibilityElement::Elements> children_;
    bool pressed_ = false;
    int visited_ = 0;
    bool running_ = false;
    bool answeredAtOnce_ = false;
};

} // namespace kavora
