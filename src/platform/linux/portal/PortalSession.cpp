// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/portal/PortalSession.h"

#include "core/Log.h"
#include "platform/UserDefaults.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QTimer>

#include <utility>
#include <vector>

#include <linux/input-event-codes.h>

namespace kavora {
namespace {

constexpr QLatin1String kPortal("org.freedesktop.portal.Desktop");
constexpr QLatin1String kPortalPath("/org/freedesktop/portal/desktop");
constexpr QLatin1String kRemoteDesktop("org.freedesktop.portal.RemoteDesktop");
constexpr QLatin1String kRequest("org.freedesktop.portal.Request");
constexpr QLatin1String kSession("org.freedesktop.portal.Session");
constexpr QLatin1String kProperties("org.freedesktop.DBus.Properties");

constexpr std::uint32_t kKeyboard = 1;
constexpr std::uint32_t kPointer = 2;
// Remember the grant until the user revokes it.
constexpr std::uint32_t kPersistUntilRevoked = 2;
constexpr std::uint32_t kFirstPersistingVersion = 2;
// The compositor drops the first events of a session; after the warm-up it takes them all.
constexpr Seconds kWarmUpHold { 0.25 };
constexpr Seconds kLockRetry { 2 };
// Local questions: the portal answers at once once it runs, and may take seconds to start.
constexpr int kVersionTimeoutMs = 5000;
constexpr int kLockTimeoutMs = 500;

// The reply's first argument as a value, or nothing for an error or no reply in time.
std::optional<QVariant> valueOf(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    QVariant value = reply.arguments().constFirst();
    if (value.canConvert<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

QDBusMessage propertyCall(const QString& service, const QString& path, const QString& interface,
                          const QString& name)
{
    auto call = QDBusMessage::createMethodCall(service, path, kProperties, QStringLiteral("Get"));
    call << interface << name;
    return call;
}

QDBusMessage versionCall()
{
    return propertyCall(kPortal, kPortalPath, kRemoteDesktop, QStringLiteral("version"));
}

std::optional<std::uint32_t> versionIn(const std::optional<QVariant>& value)
{
    if (!value || !value->canConvert<std::uint32_t>())
        return std::nullopt;
    return value->value<std::uint32_t>();
}

// Who knows whether the screen is locked, asked in this order until one answers: logind's
// LockedHint, else the session's screen saver.
std::vector<std::pair<QDBusConnection, QDBusMessage>> lockQuestions()
{
    std::vector<std::pair<QDBusConnection, QDBusMessage>> questions;
    questions.emplace_back(QDBusConnection::systemBus(),
                           propertyCall(QStringLiteral("org.freedesktop.login1"),
                                        QStringLiteral("/org/freedesktop/login1/session/auto"),
                                        QStringLiteral("org.freedesktop.login1.Session"),
                                        QStringLiteral("LockedHint")));
    for (const auto& [service, path] :
         { std::pair { QStringLiteral("org.gnome.ScreenSaver"),
                       QStringLiteral("/org/gnome/ScreenSaver") },
           std::pair { QStringLiteral("org.freedesktop.ScreenSaver"),
                       QStringLiteral("/org/freedesktop/ScreenSaver") } }) {
        auto call
            = QDBusMessage::createMethodCall(service, path, service, QStringLiteral("GetActive"));
        call.setAutoStartService(false);
        questions.emplace_back(QDBusConnection::sessionBus(), call);
    }
    return questions;
}

QVariantMap resultsOf(const QDBusMessage& message)
{
    if (message.arguments().size() < 2)
        return {};
    return qdbus_cast<QVariantMap>(message.arguments().at(1));
}

} // namespace

PortalSession::PortalSession(Scheduler& scheduler, UserDefaults& defaults, Log& log)
    : scheduler_(scheduler)
    , defaults_(defaults)
    , log_(log)
    , hold_(scheduler)
{
}

PortalSession::~PortalSession()
{
    close();
    // No event loop will send the rest: the releases and the close go out now.
    constexpr int kLastCallTimeoutMs = 200;
    for (const auto& call : std::exchange(outgoing_, {}))
        QDBusConnection::sessionBus().call(call, QDBus::Block, kLastCallTimeoutMs);
}

std::optional<std::uint32_t> PortalSession::portalVersion()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    return versionIn(valueOf(bus.call(versionCall(), QDBus::Block, kVersionTimeoutMs)));
}

void PortalSession::open()
{
    wanted_ = true;
    if (checking_ || state_ == State::Opening || state_ == State::AwaitingApproval
        || state_ == State::Granted)
        return;
    // The questions before the session are asked without waiting for their answers: a service
    // that hangs must not hold up the messages of the controller.
    checking_ = true;
    setState(State::Opening);
    askWhetherLocked(0, ++attempt_);
}

void PortalSession::askWhetherLocked(std::size_t question, std::uint64_t attempt)
{
    auto questions = lockQuestions();
    if (question == questions.size()) {
        lockKnown(false, attempt); // nobody knows: taken as unlocked
        return;
    }
    auto& [bus, call] = questions[question];
    ask(bus, call, kLockTimeoutMs, [this, question, attempt](std::optional<QVariant> locked) {
        if (locked)
            lockKnown(locked->toBool(), attempt);
        else
            askWhetherLocked(question + 1, attempt);
    });
}

void PortalSession::lockKnown(bool locked, std::uint64_t attempt)
{
    if (attempt != attempt_)
        return; // closed meanwhile
    if (locked) {
        // Asking now would put the dialog behind the lock screen; ask once it is gone.
        checking_ = false;
        setState(State::Locked);
        lockRetry_ = scheduler_.after(kLockRetry, [this] {
            lockRetry_.reset();
            if (wanted_ && state_ == State::Locked)
                open();
        });
        return;
    }
    ask(QDBusConnection::sessionBus(), versionCall(), kVersionTimeoutMs,
        [this, attempt](const std::optional<QVariant>& value) {
            if (attempt != attempt_)
                return;
            checking_ = false;
            const auto version = versionIn(value);
            if (!version) {
                fail(QStringLiteral("the desktop portal has no remote desktop"));
                return;
            }
            version_ = *version;
            setState(State::Opening);
            const QString token = QStringLiteral("kavora%1").arg(++tokens_);
            request(Step::CreateSession, QStringLiteral("CreateSession"), {},
                    { { QStringLiteral("session_handle_token"), token } });
        });
}

void PortalSession::ask(const QDBusConnection& bus, const QDBusMessage& call, int timeoutMs,
                        std::function<void(std::optional<QVariant>)> answered)
{
    // Without a bus there is no call to watch; the answer still comes from the event loop.
    if (!bus.isConnected()) {
        QTimer::singleShot(0, this, [answered = std::move(answered)] { answered(std::nullopt); });
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [watcher, answered = std::move(answered)] {
                watcher->deleteLater();
                answered(valueOf(watcher->reply()));
            });
}

void PortalSession::close()
{
    wanted_ = false;
    checking_ = false;
    ++attempt_; // answers to the questions asked before are for nobody now
    if (lockRetry_)
        lockRetry_->cancel();
    lockRetry_.reset();
    if (state_ == State::Granted && beforeClose) {
        // Held calls go first, so that the releases come after the presses they end.
        hold_.drop();
        beforeClose();
    }
    if (!sessionHandle_.isEmpty()) {
        // After the input still on its way, the releases included.
        outgoing_.push_back(QDBusMessage::createMethodCall(kPortal, sessionHandle_, kSession,
                                                           QStringLiteral("Close")));
        sendNext();
    }
    forgetSession();
    setState(State::Closed);
}

void PortalSession::request(Step step, const QString& method, QVariantList arguments,
                            QVariantMap options)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString token = QStringLiteral("kavora%1").arg(++tokens_);
    options.insert(QStringLiteral("handle_token"), token);
    // The answer comes as a signal on a path made from our bus name and the token; listening
    // before the call leaves no gap for a quick answer to fall into.
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    if (!requestPath_.isEmpty()) {
        bus.disconnect(kPortal, requestPath_, kRequest, QStringLiteral("Response"), this,
                       SLOT(takeResponse(QDBusMessage)));
    }
    requestPath_ = kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    step_ = step;
    bus.connect(kPortal, requestPath_, kRequest, QStringLiteral("Response"), this,
                SLOT(takeResponse(QDBusMessage)));

    auto call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kRemoteDesktop, method);
    arguments.append(options);
    call.setArguments(arguments);
    // The call answers with the request at once; the outcome comes as the Response signal.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, method](QDBusPendingCallWatcher*) {
                watcher->deleteLater();
                if (watcher->isError() && wanted_)
                    fail(method + QStringLiteral(" failed: ") + watcher->error().message());
            });
}

void PortalSession::takeResponse(const QDBusMessage& message)
{
    if (message.path() != requestPath_ || !wanted_)
        return;
    const auto code = message.arguments().value(0).toUInt();
    const QVariantMap results = resultsOf(message);
    if (code != 0) {
        if (step_ == Step::Start) {
            log_.line("kavora: the desktop did not allow remote input");
            forgetSession();
            setState(State::Refused);
        } else {
            fail(QStringLiteral("the portal refused the session (%1)").arg(code));
        }
        return;
    }
    switch (step_) {
    case Step::CreateSession: {
        const QVariant handle = results.value(QStringLiteral("session_handle"));
        sessionHandle_ = handle.canConvert<QDBusObjectPath>()
            ? handle.value<QDBusObjectPath>().path()
            : handle.toString();
        QDBusConnection::sessionBus().connect(kPortal, sessionHandle_, kSession,
                                              QStringLiteral("Closed"), this,
                                              SLOT(takeClosed(QDBusMessage)));
        QVariantMap options { { QStringLiteral("types"), kKeyboard | kPointer } };
        if (version_ >= kFirstPersistingVersion) {
            options.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
            if (auto token = defaults_.string(kRestoreTokenKey))
                options.insert(QStringLiteral("restore_token"), QString::fromStdString(*token));
        }
        request(Step::SelectDevices, QStringLiteral("SelectDevices"),
                { QVariant::fromValue(QDBusObjectPath(sessionHandle_)) }, options);
        break;
    }
    case Step::SelectDevices:
        setState(State::AwaitingApproval);
        request(Step::Start, QStringLiteral("Start"),
                { QVariant::fromValue(QDBusObjectPath(sessionHandle_)), QString() }, {});
        break;
    case Step::Start: {
        if (auto token = results.value(QStringLiteral("restore_token")).toString();
            !token.isEmpty())
            defaults_.setString(kRestoreTokenKey, token.toStdString());
        const auto devices = results.value(QStringLiteral("devices")).toUInt();
        if ((devices & (kKeyboard | kPointer)) != (kKeyboard | kPointer)) {
            log_.line("kavora: the desktop allowed less than keyboard and pointer");
            close();
            wanted_ = true; // still wanted; the user may ask again
            setState(State::Refused);
            return;
        }
        setState(State::Granted);
        // A step there and back rather than a null motion, which the compositor may skip.
        notify("NotifyPointerMotion", { 1.0, 0.0 });
        notify("NotifyPointerMotion", { -1.0, 0.0 });
        notify("NotifyKeyboardKeycode", { qint32(KEY_LEFTSHIFT), 1U });
        notify("NotifyKeyboardKeycode", { qint32(KEY_LEFTSHIFT), 0U });
        hold_.holdFor(kWarmUpHold);
        break;
    }
    }
}

void PortalSession::takeClosed(const QDBusMessage& message)
{
    if (message.path() != sessionHandle_)
        return;
    // The desktop ended it ("Stop sharing"); asking again is the user's move.
    log_.line("kavora: the desktop ended the remote input session");
    forgetSession();
    setState(State::Closed);
}

void PortalSession::fail(const QString& why)
{
    log_.line("kavora: no remote input through the desktop portal: " + why.toStdString());
    forgetSession();
    setState(State::Unavailable);
}

void PortalSession::forgetSession()
{
    hold_.drop();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!requestPath_.isEmpty()) {
        bus.disconnect(kPortal, requestPath_, kRequest, QStringLiteral("Response"), this,
                       SLOT(takeResponse(QDBusMessage)));
    }
    if (!sessionHandle_.isEmpty()) {
        bus.disconnect(kPortal, sessionHandle_, kSession, QStringLiteral("Closed"), this,
                       SLOT(takeClosed(QDBusMessage)));
    }
    requestPath_.clear();
    sessionHandle_.clear();
}

void PortalSession::setState(State state)
{
    if (state_ == state)
        return;
    state_ = state;
    if (onStateChanged)
        onStateChanged();
}

bool PortalSession::notify(const char* method, QVariantList arguments, const QVariantMap& options)
{
    if (state_ != State::Granted)
        return false;
    auto call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kRemoteDesktop,
                                               QString::fromLatin1(method));
    arguments.prepend(options);
    arguments.prepend(QVariant::fromValue(QDBusObjectPath(sessionHandle_)));
    call.setArguments(arguments);
    hold_.run([this, call] {
        outgoing_.push_back(call);
        sendNext();
    });
    return true;
}

void PortalSession::sendNext()
{
    if (sending_ || outgoing_.empty())
        return;
    sending_ = true;
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(outgoing_.front()), this);
    outgoing_.pop_front();
    // A failed call is as lost as an event the compositor drops; the next one goes on.
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        sending_ = false;
        sendNext();
    });
}

bool PortalSession::pointerMotion(double dx, double dy)
{
    return notify("NotifyPointerMotion", { dx, dy });
}

bool PortalSession::pointerButton(std::int32_t evdevButton, bool pressed)
{
    return notify("NotifyPointerButton", { evdevButton, std::uint32_t(pressed ? 1 : 0) });
}

bool PortalSession::pointerAxis(double dx, double dy)
{
    // Each scroll is a whole gesture: finish ends it, so no kinetic scrolling follows.
    return notify("NotifyPointerAxis", { dx, dy }, { { QStringLiteral("finish"), true } });
}

bool PortalSession::keyboardKeycode(std::int32_t evdevCode, bool pressed)
{
    return notify("NotifyKeyboardKeycode", { evdevCode, std::uint32_t(pressed ? 1 : 0) });
}

bool PortalSession::keyboardKeysym(std::uint32_t keysym, bool pressed)
{
    return notify("NotifyKeyboardKeysym", { std::int32_t(keysym), std::uint32_t(pressed ? 1 : 0) });
}

} // namespace kavora
