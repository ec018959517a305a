// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "input/CGEventInjector.h"
#include "platform/InputSettings.h"
#include "support/CapturingLog.h"
#include "support/FakeAccessibility.h"
#include "support/InMemoryUserDefaults.h"
#include "support/RecordingAudioControl.h"
#include "support/RecordingEventServices.h"
#include "support/RecordingLaunchServices.h"
#include "support/RecordingPasteboard.h"
#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavora::test {

using Lines = std::vector<std::string>;

constexpr auto kFrame = Seconds(1.0 / 120);

// The lines of one key stroke with Command held around it.
inline Lines commandStroke(int code)
{
    const auto key = "key " + std::to_string(code);
    return { "key 55 down", key + " down flags 0x100000", key + " up flags 0x100000", "key 55 up" };
}

// An injector wired to recording doubles, on a virtual clock that starts at 0. Table tests make
// one per row; single scenarios use it as their fixture.
struct InjectorHarness {
    void inject(const ControlMessage& message) { injector->inject(message); }
    void advance(double seconds) { scheduler.advance(Seconds(seconds)); }
    // Runs n frame timer intervals, each exactly one frame long.
    void frames(int n)
    {
        for (int i = 0; i < n; ++i)
            scheduler.advance(kFrame);
    }
    // Each frame moves the pointer all the way to its target.
    void landAtOnce() { defaults.setDouble("macCursorSmoothing", 1); }

    VirtualScheduler scheduler;
    InMemoryUserDefaults defaults;
    InputSettings settings { defaults };
    RecordingEventServices events;
    RecordingPasteboard pasteboard;
    FakeAccessibility accessibility;
    RecordingAudioControl audio;
    RecordingLaunchServices launcher;
    CapturingLog log;
    std::shared_ptr<CGEventInjector> injector = CGEventInjector::create(
        { scheduler, settings, events, pasteboard, accessibility, audio, launcher, log });
};

class InjectorTest : public ::testing::Test, protected InjectorHarness { };

} // namespace kavora::test
