#pragma once

#include "platform/Accessibility.h"

#include <memory>
#include <string>
#include <vector>

namespace kavora::test {

class FakeAccessibility;

// One element of a fake menu tree. Presses are recorded in the owning FakeAccessibility.
class FakeMenuElement final : public AccessibilityElement {
public:
    using Ptr = std::shared_ptr<FakeMenuElement>;

    std::optional<std::string> titleText;
    // Nothing when the children cannot be read.
    std::optional<std::vector<Ptr>> childElements;
    bool pressSucceeds = true;

    std::optional<std::string> title() override { return titleText; }
    std::optional<std::vector<std::shared_ptr<AccessibilityElement>>> children() override;
    bool press() override;

private:
    friend class FakeAccessibility;
    std::vector<std::string>* pressLog_ = nullptr;
};

// Accessibility services with a menu bar built by the test, for example
//   fake.menuBar = fake.menu("", { fake.menu("View", { fake.item("Zoom In") }) });
// Each press is recorded in `presses` as the element's title, with " (failed)" when it fails.
class FakeAccessibility final : public Accessibility {
public:
    FakeAccessibility() = default;
    // Elements keep a pointer to `presses`.
    FakeAccessibility(const FakeAccessibility&) = delete;
    FakeAccessibility& operator=(const FakeAccessibility&) = delete;

    bool trusted = true;
    int trustRequests = 0;
    // Null: no frontmost application or no readable menu bar.
    FakeMenuElement::Ptr menuBar;
    std::vector<std::string> presses;

    FakeMenuElement::Ptr item(std::optional<std::string> title, bool pressSucceeds = true);
    FakeMenuElement::Ptr menu(std::optional<std::string> title,
                              std::vector<FakeMenuElement::Ptr> children);

    bool isTrusted() override { return trusted; }
    bool requestTrust() override
    {
        ++trustRequests;
        return trusted;
    }
    std::shared_ptr<AccessibilityElement> frontmostMenuBar() override { return menuBar; }
};

inline std::optional<std::vector<std::shared_ptr<AccessibilityElement>>> FakeMenuElement::children()
{
    if (!childElements)
        return std::nullopt;
    return std::vector<std::shared_ptr<AccessibilityElement>>(childElements->begin(),
                                                              childElements->end());
}

inline bool FakeMenuElement::press()
{
    if (pressLog_)
        pressLog_->push_back(titleText.value_or("<untitled>") + (pressSucceeds ? "" : " (failed)"));
    return pressSucceeds;
}

inline FakeMenuElement::Ptr FakeAccessibility::item(std::optional<std::string> title,
                                                    bool pressSucceeds)
{
    auto element = std::make_shared<FakeMenuElement>();
    element->titleText = std::move(title);
    element->pressSucceeds = pressSucceeds;
    element->pressLog_ = &presses;
    return element;
}

inline FakeMenuElement::Ptr FakeAccessibility::menu(std::optional<std::string> title,
                                                    std::vector<FakeMenuElement::Ptr> children)
{
    auto element = item(std::move(title));
    element->childElements = std::move(children);
    return element;
}

} // namespace kavora::test
