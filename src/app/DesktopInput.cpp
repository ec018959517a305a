// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/DesktopInput.h"

#include "core/Log.h"
#include "platform/linux/portal/PortalEventServices.h"
#include "platform/linux/portal/PortalSession.h"
#include "platform/linux/x11/X11EventServices.h"
#include "presentation/Translation.h"

#include <cstdlib>
#include <string_view>
#include <utility>

namespace kavora {
namespace {

// Where input reaches nothing: every post fails, as it would on a display that went away.
class NoEventServices final : public EventServices {
public:
    bool hasPointerPosition() const override { return false; }
    std::optional<Point> cursorLocation() override { return std::nullopt; }
    const std::vector<Rect>& activeDisplayBounds() override
    {
        static const std::vector<Rect> none;
        return none;
    }
    Rect mainDisplayBounds() override { return {}; }
    bool postMouse(const MouseEvent&) override { return false; }
    bool postButtonAtCursor(MouseEventType, MouseButton) override { return false; }
    bool postScroll(std::int32_t) override { return false; }
    bool postKey(const KeyEvent&) override { return false; }
    bool postMediaKey(const MediaKeyEvent&) override { return false; }
};

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

DesktopInput::DesktopInput(Scheduler& scheduler, UserDefaults& defaults,
                           const InputSettings& settings, Log& log)
{
    choice_ = chooseInputBackend(
        { variable("XDG_SESSION_TYPE"), !variable("WAYLAND_DISPLAY").empty(),
          !variable("DISPLAY").empty(), [] { return isXTestUsableOnDisplay(); },
          [] { return PortalSession::portalVersion().has_value(); } });
    switch (choice_.backend) {
    case InputBackend::XTest:
        x11_ = std::make_unique<X11EventServices>(settings);
        x11_->onConnectionLost = [this] {
            if (onDisplayLost)
                onDisplayLost();
        };
        events_ = x11_.get();
        break;
    case InputBackend::Portal:
        session_ = std::make_unique<PortalSession>(scheduler, defaults, log);
        portal_ = std::make_unique<PortalEventServices>(*session_, settings);
        session_->beforeClose = [this] { portal_->releaseAll(); };
        session_->onStateChanged = [this] {
            if (session_->state() == PortalSession::State::Granted)
                portal_->reloadLayout();
            if (onTrustChanged)
                onTrustChanged();
        };
        events_ = portal_.get();
        break;
    case InputBackend::None:
        log.line(choice_.logLine);
        none_ = std::make_unique<NoEventServices>();
        events_ = none_.get();
        break;
    }
}

DesktopInput::~DesktopInput()
{
    // The session's close releases keys through the event services: close it while they exist.
    if (session_)
        session_->close();
}

bool DesktopInput::isTrusted()
{
    switch (choice_.backend) {
    case InputBackend::XTest:
        return x11_->isConnected();
    case InputBackend::Portal:
        return session_->state() == PortalSession::State::Granted;
    case InputBackend::None:
        return false;
    }
    return false;
}

bool DesktopInput::requestTrust()
{
    if (session_)
        session_->open();
    return isTrusted();
}

std::string DesktopInput::trustHint()
{
    if (choice_.backend == InputBackend::None)
        return i18n(choice_.hint.c_str());
    if (!session_)
        return {};
    using State = PortalSession::State;
    switch (session_->state()) {
    case State::AwaitingApproval:
        // Before version 2 the desktop cannot remember the answer.
        return session_->version() < 2
            ? i18n("Allow it in the desktop's dialog (it asks at every connection)")
            : i18n("Allow it in the desktop's dialog");
    case State::Refused:
        return i18n("The desktop did not allow it");
    case State::Locked:
        return i18n("Unlock the screen to see the desktop's dialog");
    case State::Unavailable:
        return i18n("This desktop does not take remote input");
    case State::Closed:
    case State::Opening:
    case State::Granted:
        return {};
    }
    return {};
}

void DesktopInput::frontmostMenuBar(
    AccessibilityElement::Answer<std::shared_ptr<AccessibilityElement>> answer)
{
    menus_.frontmostMenuBar(std::move(answer));
}

bool DesktopInput::reconnectDisplay()
{
    return !x11_ || x11_->reconnect();
}

void DesktopInput::setSessionWanted(bool wanted)
{
    if (!session_)
        return;
    if (wanted)
        session_->open();
    else
        session_->close();
}

} // namespace kavora
