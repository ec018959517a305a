#pragma once

#include "platform/Accessibility.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct _AtspiAccessible;

namespace kavora {

// How long one AT-SPI call may wait for an application (libatspi's method-call timeout).
constexpr std::chrono::milliseconds kAtSpiCallTimeout { 1500 };

// Shared by the elements of one application's tree: once a call to the application runs into
// the timeout, the others stop asking it, so a hung application costs one timeout per search
// instead of one per element.
struct AtSpiApplicationHealth {
    bool answering = true;
};

// Measures one call to an application and marks the application as not answering when the call
// ran into the timeout: a timed-out libatspi read can otherwise look like an empty value.
class AtSpiCallWatch {
public:
    explicit AtSpiCallWatch(AtSpiApplicationHealth& health);
    ~AtSpiCallWatch();
    AtSpiCallWatch(const AtSpiCallWatch&) = delete;
    AtSpiCallWatch& operator=(const AtSpiCallWatch&) = delete;

private:
    AtSpiApplicationHealth& health_;
    std::chrono::steady_clock::time_point started_;
};

// One node of an application's accessibility tree, reached over AT-SPI. GUI thread only.
class AtSpiElement final : public AccessibilityElement {
public:
    // Adopts one reference to the accessible.
    AtSpiElement(_AtspiAccessible* accessible, std::shared_ptr<AtSpiApplicationHealth> health);
    ~AtSpiElement() override;
    AtSpiElement(const AtSpiElement&) = delete;
    AtSpiElement& operator=(const AtSpiElement&) = delete;

    // The accessible name up to a tab: applications that write the shortcut into an item's text
    // put it after one ("Zoom Out\tCtrl+-"), where a Mac menu title has none. Trailing white
    // space is dropped, nothing else changes.
    std::optional<std::string> title() override;
    std::optional<std::vector<std::shared_ptr<AccessibilityElement>>> children() override;
    // Performs the first action named click, press or activate (toolkits differ in case and
    // name), or else the first action; false for an element without actions.
    bool press() override;

private:
    _AtspiAccessible* accessible_;
    std::shared_ptr<AtSpiApplicationHealth> health_;
};

} // namespace kavora
