// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Scheduler.h"
#include "platform/SettingKeys.h"
#include "platform/linux/portal/CallHold.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

namespace kavora {

class Log;
class UserDefaults;

// A remote-desktop session of the desktop portal (org.freedesktop.portal.RemoteDesktop): asked
// for with keyboard and pointer, granted or refused by the user in the desktop's own dialog, and
// the way input reaches a Wayland compositor.
//
// open() asks for a session unless one is open or being asked for, and never while the screen
// is locked (logind's LockedHint, else the session's screen saver, where either answers): then
// it tries again every two seconds until close(). Nothing waits for a bus service on the way:
// the lock state and the portal's version are asked asynchronously, each with a timeout. A portal
// of version 2 or later is asked to remember the user's answer, with the token it hands back kept
// in the settings; version 1 asks every time. The first events of a new session are lost by the
// compositor, so after the grant a warm-up (a one-pixel step there and back and a Shift tap) goes
// first and input is held, queued, for 250 ms. Input sent while no session is granted is dropped.
// Each input call waits for the answer to the one before it: the portal handles calls concurrently,
// and a release could otherwise overtake its press. GUI thread only.
class PortalSession final : public QObject {
    Q_OBJECT
public:
    enum class State : std::uint8_t {
        Closed, // none asked for
        Opening, // the session is being created
        AwaitingApproval, // the desktop's dialog is open
        Granted, // keyboard and pointer granted
        Refused, // the user said no, or granted less than keyboard and pointer
        Locked, // waiting for the screen to be unlocked
        Unavailable, // the portal has no remote desktop, or it failed
    };

    static constexpr std::string_view kRestoreTokenKey = settingkey::kPortalRestoreToken.name;

    // The scheduler, settings and log must outlive the session.
    PortalSession(Scheduler& scheduler, UserDefaults& defaults, Log& log);
    ~PortalSession() override;
    PortalSession(const PortalSession&) = delete;
    PortalSession& operator=(const PortalSession&) = delete;

    // The portal's version of the remote-desktop interface; nothing when the session bus or the
    // portal does not answer within the timeout, or has no such interface.
    static std::optional<std::uint32_t> portalVersion();

    void open();
    // Ends the session (or the asking); beforeClose runs first while input still reaches the
    // desktop, so that nothing stays pressed.
    void close();
    State state() const { return state_; }
    std::uint32_t version() const { return version_; }
    // Called on every change of state.
    std::function<void()> onStateChanged;
    std::function<void()> beforeClose;

    // Input, in logical pixels and evdev codes; false when no session is granted.
    bool pointerMotion(double dx, double dy);
    bool pointerButton(std::int32_t evdevButton, bool pressed);
    bool pointerAxis(double dx, double dy);
    bool keyboardKeycode(std::int32_t evdevCode, bool pressed);
    bool keyboardKeysym(std::uint32_t keysym, bool pressed);

private Q_SLOTS:
    void takeResponse(const QDBusMessage& message);
    void takeClosed(const QDBusMessage& message);

private:
    enum class Step : std::uint8_t { CreateSession, SelectDevices, Start };

    void request(Step step, const QString& method, QVariantList arguments, QVariantMap options);
    void setState(State state);
    void fail(const QString& why);
    void forgetSession();
    bool notify(const char* method, QVariantList arguments, const QVariantMap& options = {});
    void sendNext();
    // Before a session is asked for: whether the screen is locked (each who may know asked in
    // turn, from `question` on), then the portal's version. `attempt` tells the answers of an
    // open() from those of one that was closed since.
    void askWhetherLocked(std::size_t question, std::uint64_t attempt);
    void lockKnown(bool locked, std::uint64_t attempt);
    void ask(const QDBusConnection& bus, const QDBusMessage& call, int timeoutMs,
             std::function<void(std::optional<QVariant>)> answered);

    Scheduler& scheduler_;
    UserDefaults& defaults_;
    Log& log_;
    CallHold hold_;
    State state_ = State::Closed;
    bool wanted_ = false;
    std::uint32_t version_ = 0;
    Step step_ = Step::CreateSession;
    QString requestPath_;
    QString sessionHandle_;
    std::uint64_t tokens_ = 0;
    std::optional<TimerHandle> lockRetry_;
    bool checking_ = false; // the questions before the session are under way
    std::uint64_t attempt_ = 0;
    // Input calls not sent yet, and whether one is on its way.
    std::deque<QDBusMessage> outgoing_;
    bool sending_ = false;
};

} // namespace kavora
