// Zoom through the frontmost application's menus, volume and mute, and the window overview.
#include "input/CGEventInjector.h"

#include "core/Log.h"
#include "platform/Accessibility.h"
#include "platform/AudioControl.h"
#include "platform/LaunchServices.h"
#include "protocol/HidKeyboard.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

namespace kavora {
namespace {

constexpr std::array<std::string_view, 3> kZoomInTitles { "Zoom In", "拡大", "ズームイン" };
constexpr std::array<std::string_view, 3> kZoomOutTitles { "Zoom Out", "縮小", "ズームアウト" };

constexpr std::int64_t kMaxVolumeSteps = 20;
constexpr std::int64_t kKeyTypeSoundUp = 0;
constexpr std::int64_t kKeyTypeSoundDown = 1;

// The media-key event: system-defined subtype "aux control buttons", the key state in the flags
// and in bits 8-15 of data1 (0x0A pressed, 0x0B released), the key type in bits 16-31.
constexpr std::int16_t kAuxControlButtons = 8;
constexpr std::uint64_t kKeyPressed = 0xA00;
constexpr std::uint64_t kKeyReleased = 0xB00;

// A menu tree comes from another application: bound the walk so that a tree that loops back on
// itself, or an absurdly deep one, cannot hang the main thread. Real menus stay far below both.
constexpr int kMaxMenuDepth = 32;
constexpr int kMaxMenuElements = 20000;

class MenuSearch {
public:
    explicit MenuSearch(const std::array<std::string_view, 3>& titles)
        : titles_(titles)
    {
    }

    // Depth first, an element before its children, children in the order they are listed. A
    // matching element is pressed and its children are not searched, even when the press fails.
    bool pressFirstMatch(AccessibilityElement& element, int depth = 0)
    {
        if (depth > kMaxMenuDepth || ++visited_ > kMaxMenuElements)
            return false;
        if (const auto title = element.title()) {
            if (std::find(titles_.begin(), titles_.end(), *title) != titles_.end())
                return element.press();
        }
        if (const auto children = element.children()) {
            for (const auto& child : *children) {
                if (child && pressFirstMatch(*child, depth + 1))
                    return true;
            }
        }
        return false;
    }

private:
    const std::array<std::string_view, 3>& titles_;
    int visited_ = 0;
};

} // namespace

void CGEventInjector::pinch(float scale)
{
    // One step per message whatever the scale; exactly 1.0 zooms in.
    const Zoom direction = scale >= 1.0F ? Zoom::In : Zoom::Out;
    if (!pressMenuItem(direction))
        pressKey(hidmodifier::kLeftCommand,
                 direction == Zoom::In ? hidusage::kEquals : hidusage::kMinus);
}

bool CGEventInjector::pressMenuItem(Zoom direction)
{
    const auto menuBar = accessibility_.frontmostMenuBar();
    if (!menuBar)
        return false;
    MenuSearch search(direction == Zoom::In ? kZoomInTitles : kZoomOutTitles);
    return search.pressFirstMatch(*menuBar);
}

void CGEventInjector::adjustVolume(std::int64_t steps)
{
    const auto n = std::clamp(steps, -kMaxVolumeSteps, kMaxVolumeSteps);
    if (n == 0)
        return;
    // Changing the volume always unmutes first; the keys go out even if unmuting failed.
    setMuted(false);
    const auto keyType = n > 0 ? kKeyTypeSoundUp : kKeyTypeSoundDown;
    for (std::int64_t i = 0; i < std::abs(n); ++i)
        postSystemKey(keyType);
}

void CGEventInjector::setMuted(bool muted)
{
    const auto outcome = audio_.setOutputMuted(muted);
    if (!outcome.succeeded && outcome.errorDescription)
        log_.line("Kavora setMuted AppleScript error: " + *outcome.errorDescription);
}

void CGEventInjector::postSystemKey(std::int64_t keyType)
{
    // Press then release; one that cannot be posted does not hold back the other.
    for (const auto state : { kKeyPressed, kKeyReleased }) {
        events_.postMediaKey(
            { state, kAuxControlButtons, (keyType << 16) | static_cast<std::int64_t>(state), -1 });
    }
}

void CGEventInjector::openMissionControl()
{
    launcher_.showWindowOverview();
}

} // namespace kavora
