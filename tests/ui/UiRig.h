// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "support/ControllerRig.h"
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

// The controller rig with the adapter the views are built on, in the widget application.
class UiRig : public ControllerRig {
public:
    explicit UiRig(bool trusted = true)
    {
        widgetApplication();
        start(trusted);
        adapter = std::make_unique<ControllerAdapter>(controller, inputSettings);
    }

    std::unique_ptr<ControllerAdapter> adapter;
};

} // namespace kavora::test
