// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Accessibility.h"
#include "platform/EventServices.h"
#include "platform/InputBackendChoice.h"
#include "platform/linux/accessibility/AtSpiAccessibility.h"

#include <functional>
#include <memory>
#include <string>

namespace kavora {

class InputSettings;
class Log;
class PortalEventServices;
class PortalSession;
class Scheduler;
class UserDefaults;
class X11EventServices;

// The way input reaches this desktop, chosen once at start (chooseInputBackend): XTest on X11,
// the portal's remote desktop on Wayland, or none, which the log and the permission block
// explain. It is also the accessibility services: trust is whether that way is open now, menus
// come from AT-SPI on either. On X11 that is whether input's own connection to the display is
// alive; on Wayland the user's grant belongs to a portal session, which is asked for while a
// controller is connected (setSessionWanted) or when the user asks for it.
class DesktopInput final : public Accessibility {
public:
    // Everything given must outlive this object.
    DesktopInput(Scheduler& scheduler, UserDefaults& defaults, const InputSettings& settings,
                 Log& log);
    ~DesktopInput() override;
    DesktopInput(const DesktopInput&) = delete;
    DesktopInput& operator=(const DesktopInput&) = delete;

    EventServices& events() { return *events_; }
    InputBackend backend() const { return choice_.backend; }

    bool isTrusted() override;
    // On Wayland: asks for a session (the desktop's dialog opens).
    bool requestTrust() override;
    std::string trustHint() override;
    void frontmostMenuBar(
        AccessibilityElement::Answer<std::shared_ptr<AccessibilityElement>> answer) override;

    // Opens the portal session while wanted and closes it, after releasing whatever it holds
    // down, once not; nothing elsewhere.
    void setSessionWanted(bool wanted);
    // Called when the session's state changes (granted, refused, closed ...).
    std::function<void()> onTrustChanged;

    // X11: called from the event loop when input's connection to the display has ended.
    std::function<void()> onDisplayLost;
    // X11: connects input to the display again once its connection has ended; true when input
    // reaches the display. Always true for the other ways, which have no such connection.
    bool reconnectDisplay();

private:
    InputBackendChoice choice_;
    AtSpiAccessibility menus_;
    std::unique_ptr<X11EventServices> x11_;
    std::unique_ptr<PortalSession> session_;
    std::unique_ptr<PortalEventServices> portal_;
    std::unique_ptr<EventServices> none_;
    EventServices* events_ = nullptr;
};

} // namespace kavora
