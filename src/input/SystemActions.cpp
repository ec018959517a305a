// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Zoom through the frontmost application's menus, volume and mute, and the window overview.
#include "input/CGEventInjector.h"

#include "core/Log.h"
#include "input/MenuSearch.h"
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

} // namespace

void CGEventInjector::pinch(float scale)
{
    // One step per message whatever the scale; exactly 1.0 zooms in. The menus of another
    // application answer in their own time: one search at a time, the steps after it wait.
    const Zoom direction = scale >= 1.0F ? Zoom::In : Zoom::Out;
    if (zooming_) {
        if (waitingZooms_.size() < kMaxWaitingZooms)
            waitingZooms_.push_back(direction);
        return;
    }
    zoom(direction);
}

void CGEventInjector::zoom(Zoom direction)
{
    zooming_ = true;
    pressMenuItem(direction, [weak = weak_from_this(), direction](bool pressed) {
        auto self = weak.lock();
        if (!self)
            return;
        // Through inject, so that the key waits behind text that is being typed meanwhile.
        if (!pressed) {
            self->inject(
                msg::KeyDown { hidmodifier::kLeftCommand,
                               direction == Zoom::In ? hidusage::kEquals : hidusage::kMinus });
        }
        self->zooming_ = false;
        if (!self->waitingZooms_.empty()) {
            const auto next = self->waitingZooms_.front();
            self->waitingZooms_.pop_front();
            self->zoom(next);
        }
    });
}

void CGEventInjector::pressMenuItem(Zoom direction, std::function<void(bool pressed)> done)
{
    accessibility_.frontmostMenuBar([direction, done = std::move(done)](
                                        const std::shared_ptr<AccessibilityElement>& menuBar) {
        if (!menuBar) {
            done(false);
            return;
        }
        MenuSearch::start(menuBar, direction == Zoom::In ? kZoomInTitles : kZoomOutTitles, done);
    });
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
