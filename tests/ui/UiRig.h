#pragma once

#include "controller/MacController.h"
#include "controller/SettingsStore.h"
#include "input/CGEventInjector.h"
#include "link/MCReceiverMac.h"
#include "platform/HostNames.h"
#include "platform/LegacyPreferences.h"
#include "support/CapturingLog.h"
#include "support/FakeAccessibility.h"
#include "support/FakeHttpClient.h"
#include "support/FakePeerFramework.h"
#include "support/FakeWorkspace.h"
#include "support/InMemoryUserDefaults.h"
#include "support/RecordingAudioControl.h"
#include "support/RecordingEventServices.h"
#include "support/RecordingLaunchServices.h"
#include "support/RecordingPasteboard.h"
#include "support/VirtualScheduler.h"
#include "ui/ControllerAdapter.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

namespace kavora::test {

inline QApplication*& widgetApplicationObject()
{
    static QApplication* app = nullptr;
    return app;
}

// Ends the widget application after the last test, while the program still runs, so that what
// it holds (fonts among them) is released.
class WidgetApplicationTeardown final : public ::testing::Environment {
public:
    void TearDown() override
    {
        delete widgetApplicationObject();
        widgetApplicationObject() = nullptr;
    }
};
inline ::testing::Environment* const kWidgetApplicationTeardown
    = ::testing::AddGlobalTestEnvironment(new WidgetApplicationTeardown);

// The process's widget application, on the offscreen platform unless the caller chose another.
inline QApplication& widgetApplication()
{
    auto*& app = widgetApplicationObject();
    if (!app) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "kavora-ui-tests";
        static char* argv[] = { name, nullptr };
        app = new QApplication(argc, argv);
        QApplication::setApplicationVersion(KAVORA_VERSION);
    }
    return *app;
}

class RigHost final : public HostNames {
public:
    std::string prettyHostName() const override { return "Desk"; }
    std::string hostName() const override { return "desk"; }
};

class RigLegacy final : public LegacyPreferences {
public:
    std::string homeDirectory() const override { return "/home/nobody"; }
    std::optional<PropertyListDictionary> read(const std::string&) override { return std::nullopt; }
};

// The real link, injector and controller over the test doubles, in virtual time, and the
// adapter the views are built on.
class UiRig {
public:
    explicit UiRig(bool trusted = true)
    {
        widgetApplication();
        accessibility.trusted = trusted;
        receiver = MCReceiverMac::create(scheduler, framework, defaults, host);
        injector = CGEventInjector::create(
            { scheduler, defaults, events, pasteboard, accessibility, audio, launcher, log });
        controller = MacController::create(
            { scheduler, accessibility, launcher, settings, defaults, workspace, http, log },
            receiver, injector);
        scheduler.runPending();
        adapter = std::make_unique<ControllerAdapter>(controller, defaults);
    }

    // A controller device named `name` joins the session (advertising must be on).
    void connect(const std::string& name)
    {
        framework.session->join({ 7, name });
        scheduler.runPending();
    }
    void receive(std::string_view json, const std::string& from)
    {
        framework.session->receive(json, { 7, from });
        scheduler.runPending();
    }

    VirtualScheduler scheduler;
    InMemoryUserDefaults defaults;
    FakePeerFramework framework;
    RigHost host;
    RecordingEventServices events;
    RecordingPasteboard pasteboard;
    FakeAccessibility accessibility;
    RecordingAudioControl audio;
    RecordingLaunchServices launcher;
    FakeWorkspace workspace;
    FakeHttpClient http;
    CapturingLog log;
    RigLegacy legacy;
    SettingsStore settings { defaults, legacy, log };
    std::shared_ptr<MCReceiverMac> receiver;
    std::shared_ptr<CGEventInjector> injector;
    std::shared_ptr<MacController> controller;
    std::unique_ptr<ControllerAdapter> adapter;
};

} // namespace kavora::test
