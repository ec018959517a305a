// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/accessibility/AtSpiElement.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusError>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QTimer>

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include <atspi/atspi-constants.h>

namespace kavora {

namespace {

constexpr QLatin1String kAccessible(ATSPI_DBUS_INTERFACE_ACCESSIBLE);
constexpr QLatin1String kAction(ATSPI_DBUS_INTERFACE_ACTION);
constexpr QLatin1String kNullPath(ATSPI_DBUS_PATH_NULL);

// A menu with more entries than this is not a menu a person reads; the cap keeps a broken or
// hostile application from handing out millions of children.
constexpr std::size_t kMaxChildren = 512;
// Toolkits offer one or two actions per menu item.
constexpr int kMaxActionsRead = 8;

// The errors of an application that does not answer: the call ran into the timeout, or the
// application is gone from the bus.
bool notAnswering(const QDBusMessage& reply)
{
    const auto type = QDBusError(reply).type();
    return type == QDBusError::NoReply || type == QDBusError::Timeout
        || type == QDBusError::TimedOut || type == QDBusError::ServiceUnknown
        || type == QDBusError::Disconnected;
}

std::string withoutShortcut(std::string_view name)
{
    name = name.substr(0, name.find('\t'));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\n' || name.back() == '\r'))
        name.remove_suffix(1);
    return std::string(name);
}

bool isPressAction(const QString& name)
{
    constexpr std::array<const char*, 3> kPressActions { "click", "press", "activate" };
    return std::ranges::any_of(kPressActions, [&name](const char* press) {
        return name.compare(QLatin1String(press), Qt::CaseInsensitive) == 0;
    });
}

// The action to press among those GetActions lists (a(sss): name, description, key binding).
std::optional<int> pressActionIn(const QDBusMessage& reply)
{
    if (reply.arguments().isEmpty())
        return std::nullopt;
    const auto actions = qvariant_cast<QDBusArgument>(reply.arguments().constFirst());
    std::optional<int> first;
    std::optional<int> press;
    actions.beginArray();
    for (int i = 0; !actions.atEnd() && i < kMaxActionsRead && !press; ++i) {
        QString name;
        QString description;
        QString keyBinding;
        actions.beginStructure();
        actions >> name >> description >> keyBinding;
        actions.endStructure();
        if (isPressAction(name))
            press = i;
        first = first.value_or(i);
    }
    actions.endArray(); // also where the array goes on: frees what reading it took
    return press ? press : first;
}

} // namespace

AtSpiApplication::AtSpiApplication(QDBusConnection bus, QString service)
    : bus_(std::move(bus))
    , service_(std::move(service))
{
}

void AtSpiApplication::call(const QString& path, const QString& interface, const QString& method,
                            const QVariantList& arguments,
                            std::function<void(std::optional<QDBusMessage>)> answered)
{
    // Every answer comes from the event loop, that of a call not made too.
    if (!answering_ || !bus_.isConnected()) {
        QTimer::singleShot(0, QCoreApplication::instance(),
                           [answered = std::move(answered)] { answered(std::nullopt); });
        return;
    }
    auto message = QDBusMessage::createMethodCall(service_, path, interface, method);
    message.setArguments(arguments);
    // A child of the Qt application, so that calls still on their way at exit are freed.
    auto* watcher = new QDBusPendingCallWatcher(
        bus_.asyncCall(message, static_cast<int>(kAtSpiCallTimeout.count())),
        QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [self = shared_from_this(), watcher, answered = std::move(answered)] {
                         watcher->deleteLater();
                         const QDBusMessage reply = watcher->reply();
                         if (reply.type() == QDBusMessage::ReplyMessage) {
                             answered(reply);
                             return;
                         }
                         if (notAnswering(reply))
                             self->answering_ = false;
                         answered(std::nullopt);
                     });
}

std::vector<AtSpiReference> referencesIn(const QDBusMessage& reply, std::size_t limit)
{
    std::vector<AtSpiReference> references;
    if (reply.arguments().isEmpty())
        return references;
    const auto list = qvariant_cast<QDBusArgument>(reply.arguments().constFirst());
    list.beginArray();
    while (!list.atEnd() && references.size() < limit) {
        QString service;
        QDBusObjectPath path;
        list.beginStructure();
        list >> service >> path;
        list.endStructure();
        if (!service.isEmpty() && path.path() != kNullPath)
            references.push_back({ service, path.path() });
    }
    list.endArray();
    return references;
}

AtSpiElement::AtSpiElement(std::shared_ptr<AtSpiApplication> application, QString path)
    : application_(std::move(application))
    , path_(std::move(path))
{
}

void AtSpiElement::title(Answer<std::optional<std::string>> answer)
{
    application_->call(
        path_, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
        { kAccessible, QStringLiteral("Name") },
        [answer = std::move(answer)](std::optional<QDBusMessage> reply) {
            const auto name = reply && !reply->arguments().isEmpty()
                ? qvariant_cast<QDBusVariant>(reply->arguments().constFirst()).variant()
                : QVariant();
            if (name.typeId() != QMetaType::QString) {
                answer(std::nullopt);
                return;
            }
            answer(withoutShortcut(name.toString().toStdString()));
        });
}

void AtSpiElement::children(Answer<std::optional<Elements>> answer)
{
    application_->call(path_, kAccessible, QStringLiteral("GetChildren"), {},
                       [application = application_,
                        answer = std::move(answer)](std::optional<QDBusMessage> reply) {
                           if (!reply) {
                               answer(std::nullopt);
                               return;
                           }
                           Elements children;
                           for (auto& child : referencesIn(*reply, kMaxChildren)) {
                               // A child in another application is not part of this menu.
                               if (child.service == application->service())
                                   children.push_back(
                                       std::make_shared<AtSpiElement>(application, child.path));
                           }
                           answer(std::move(children));
                       });
}

void AtSpiElement::press(Answer<bool> answer)
{
    application_->call(path_, kAction, QStringLiteral("GetActions"), {},
                       [application = application_, path = path_,
                        answer = std::move(answer)](std::optional<QDBusMessage> actions) mutable {
                           const auto chosen = actions ? pressActionIn(*actions) : std::nullopt;
                           if (!chosen) {
                               answer(false);
                               return;
                           }
                           application->call(
                               path, kAction, QStringLiteral("DoAction"), { *chosen },
                               [answer = std::move(answer)](std::optional<QDBusMessage> done) {
                                   answer(done && !done->arguments().isEmpty()
                                          && done->arguments().constFirst().toBool());
                               });
                       });
}

} // namespace kavora
