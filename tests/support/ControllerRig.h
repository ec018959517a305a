// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "controller/MacController.h"
#include "controller/SettingsStore.h"
#include "input/CGEventInjector.h"
#include "link/MCReceiverMac.h"
#include "platform/InputSettings.h"
#include "support/CapturingLog.h"
#include "support/FakeAccessibility.h"
#include "support/FakeHttpClient.h"
#include "support/FakeLegacyPreferences.h"
#include "support/FakePeerFramework.h"
#include "support/FakeWorkspace.h"
#include "support/FixedHostNames.h"
#include "support/InMemoryUserDefaults.h"
#include "support/RecordingAudioControl.h"
#include "support/RecordingEventServices.h"
#include "support/RecordingLaunchServices.h"
#include "support/RecordingPasteboard.h"
#include "support/VirtualScheduler.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavora::test {

// The whole logic stack on doubles: the real link, injector and controller over recording and
// in-memory services, in virtual time. A controller device with a name joins and sends.
class ControllerRig {
public:
    void start(bool trusted = true)
    {
        accessibility.trusted = trusted;
        receiver = MCReceiverMac::create(scheduler, framework, defaults, host);
        injector = CGEventInjector::create(
            { scheduler, inputSettings, events, pasteboard, accessibility, audio, launcher, log });
        controller = MacController::create(
            { scheduler, accessibility, launcher, settings, defaults, workspace, http, log },
            receiver, injector);
        scheduler.runPending();
    }
    // A controller device named `name` joins the session (advertising need not be on).
    void connect(const std::string& name = "Phone")
    {
        framework.session->join({ 7, name, {}, {} });
        scheduler.runPending();
    }
    void receive(std::string_view json, const std::string& from = "Phone")
    {
        framework.session->receive(json, { 7, from, {}, {} });
        scheduler.runPending();
    }
    // The messages sent to the device `to` since the last call, as JSON text.
    std::vector<std::string> sent(const std::string& to = "Phone")
    {
        std::vector<std::string> messages;
        for (const auto& line : std::exchange(framework.session->lines, {})) {
            const auto suffix = " to " + to;
            if (line.starts_with("send ") && line.ends_with(suffix))
                messages.push_back(line.substr(5, line.size() - 5 - suffix.size()));
        }
        return messages;
    }

    VirtualScheduler scheduler;
    InMemoryUserDefaults defaults;
    InputSettings inputSettings { defaults };
    FakePeerFramework framework;
    FixedHostNames host { "Desk", "desk" };
    RecordingEventServices events;
    RecordingPasteboard pasteboard;
    FakeAccessibility accessibility;
    RecordingAudioControl audio;
    RecordingLaunchServices launcher;
    FakeWorkspace workspace;
    FakeHttpClient http;
    CapturingLog log;
    FakeLegacyPreferences legacy;
    SettingsStore settings { defaults, legacy, log };
    std::shared_ptr<MCReceiverMac> receiver;
    std::shared_ptr<CGEventInjector> injector;
    std::shared_ptr<MacController> controller;
};

} // namespace kavora::test
