// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Accessibility.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kavora::test {

// How the fake's answers are given: at once, unless a test hands them to its scheduler.
using FakeAnswering = std::function<void(std::function<void()> answer)>;

// One element of a fake menu tree; its presses are recorded in the list it was made with.
class FakeMenuElement final : public AccessibilityElement {
public:
    using Ptr = std::shared_ptr<FakeMenuElement>;

    FakeMenuElement(std::vector<std::string>& pressLog, const FakeAnswering& answering)
        : pressLog_(pressLog)
        , answering_(answering)
    {
    }
    void title(Answer<std::optional<std::string>> answer) override
    {
        answering_([answer, title = titleText] { answer(title); });
    }
    void children(Answer<std::optional<Elements>> answer) override
    {
        std::optional<Elements> list;
        if (childElements)
            list = Elements(childElements->begin(), childElements->end());
        answering_([answer, list] { answer(list); });
    }
    void press(Answer<bool> answer) override
    {
        pressLog_.push_back(titleText.value_or("<untitled>") + (pressSucceeds ? "" : " (failed)"));
        answering_([answer, pressed = pressSucceeds] { answer(pressed); });
    }

    std::optional<std::string> titleText;
    std::optional<std::vector<Ptr>> childElements; // nothing: the children cannot be read
    bool pressSucceeds = true;

private:
    std::vector<std::string>& pressLog_;
    const FakeAnswering& answering_;
};

// Accessibility services with a menu bar built by the test, for example
//   fake.menuBar = fake.menu("", { fake.menu("View", { fake.item("Zoom In") }) });
// Each press is recorded in `presses` as the element's title, with " (failed)" when it fails.
class FakeAccessibility final : public Accessibility {
public:
    FakeAccessibility() = default;
    // Elements refer to `presses` and `answering`.
    FakeAccessibility(const FakeAccessibility&) = delete;
    FakeAccessibility& operator=(const FakeAccessibility&) = delete;

    FakeMenuElement::Ptr item(std::optional<std::string> title, bool pressSucceeds = true)
    {
        auto element = std::make_shared<FakeMenuElement>(presses, answering);
        element->titleText = std::move(title);
        element->pressSucceeds = pressSucceeds;
        return element;
    }
    FakeMenuElement::Ptr menu(std::optional<std::string> title,
                              std::vector<FakeMenuElement::Ptr> children)
    {
        auto element = item(std::move(title));
        element->childElements = std::move(children);
        return element;
    }

    bool isTrusted() override { return trusted; }
    bool requestTrust() override
    {
        ++trustRequests;
        return trusted;
    }
    void frontmostMenuBar(
        AccessibilityElement::Answer<std::shared_ptr<AccessibilityElement>> answer) override
    {
        answering([answer, bar = menuBar] { answer(bar); });
    }
    std::string trustHint() override { return hint; }

    bool trusted = true;
    std::string hint;
    int trustRequests = 0;
    FakeMenuElement::Ptr menuBar; // null: no frontmost application or no readable menu bar
    std::vector<std::string> presses;
    FakeAnswering answering = [](const std::function<void()>& answer) { answer(); };
};

} // namespace kavora::test
