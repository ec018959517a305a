#pragma once

#include "platform/Accessibility.h"

#include <memory>
#include <string>
#include <vector>

namespace kavora::test {

// One element of a fake menu tree; its presses are recorded in the list it was made with.
class FakeMenuElement final : public AccessibilityElement {
public:
    using Ptr = std::shared_ptr<FakeMenuElement>;

    explicit FakeMenuElement(std::vector<std::string>& pressLog)
        : pressLog_(pressLog)
    {
    }
    std::optional<std::string> title() override { return titleText; }
    std::optional<std::vector<std::shared_ptr<AccessibilityElement>>> children() override
    {
        if (!childElements)
            return std::nullopt;
        return std::vector<std::shared_ptr<AccessibilityElement>>(childElements->begin(),
                                                                  childElements->end());
    }
    bool press() override
    {
        pressLog_.push_back(titleText.value_or("<untitled>") + (pressSucceeds ? "" : " (failed)"));
        return pressSucceeds;
    }

    std::optional<std::string> titleText;
    std::optional<std::vector<Ptr>> childElements; // nothing: the children cannot be read
    bool pressSucceeds = true;

private:
    std::vector<std::string>& pressLog_;
};

// Accessibility services with a menu bar built by the test, for example
//   fake.menuBar = fake.menu("", { fake.menu("View", { fake.item("Zoom In") }) });
// Each press is recorded in `presses` as the element's title, with " (failed)" when it fails.
class FakeAccessibility final : public Accessibility {
public:
    FakeAccessibility() = default;
    FakeAccessibility(const FakeAccessibility&) = delete; // elements refer to `presses`
    FakeAccessibility& operator=(const FakeAccessibility&) = delete;

    FakeMenuElement::Ptr item(std::optional<std::string> title, bool pressSucceeds = true)
    {
        auto element = std::make_shared<FakeMenuElement>(presses);
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
    std::shared_ptr<AccessibilityElement> frontmostMenuBar() override { return menuBar; }
    std::string trustHint() override { return hint; }

    bool trusted = true;
    std::string hint;
    int trustRequests = 0;
    FakeMenuElement::Ptr menuBar; // null: no frontmost application or no readable menu bar
    std::vector<std::string> presses;
};

} // namespace kavora::test
