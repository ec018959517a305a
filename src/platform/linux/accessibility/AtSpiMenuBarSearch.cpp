// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/accessibility/AtSpiMenuBarSearch.h"

#include <QDBusMetaType>
#include <QList>

#include <algorithm>
#include <utility>

#include <atspi/atspi-constants.h>

namespace kavora {

namespace {

constexpr QLatin1String kAccessible(ATSPI_DBUS_INTERFACE_ACCESSIBLE);

// Bounds of the search, which finds a menu bar one to three levels below the application in
// every toolkit seen; each node visited costs a round trip.
constexpr std::size_t kMaxApplications = 256;
constexpr std::size_t kMaxWindows = 32;
constexpr int kMenuBarMaxDepth = 6;
constexpr int kMenuBarMaxNodes = 256;

// Containers that never hold a menu bar but may hold thousands of nodes.
bool mayHoldMenuBar(std::uint32_t role)
{
    switch (role) {
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_POPUP_MENU:
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TREE_TABLE:
    case ATSPI_ROLE_TREE:
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
    case ATSPI_ROLE_DOCUMENT_FRAME:
    case ATSPI_ROLE_DOCUMENT_WEB:
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_TERMINAL:
        return false;
    default:
        return true;
    }
}

std::optional<std::uint32_t> numberIn(const std::optional<QDBusMessage>& reply)
{
    if (!reply || reply->arguments().isEmpty())
        return std::nullopt;
    bool ok = false;
    const auto number = reply->arguments().constFirst().toUInt(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

// GetState's answer: the state bits in 32-bit words, the first word first.
bool activeIn(const std::optional<QDBusMessage>& reply)
{
    if (!reply || reply->arguments().isEmpty())
        return false;
    const auto words = qdbus_cast<QList<uint>>(reply->arguments().constFirst());
    return !words.isEmpty() && (words.front() & (1U << ATSPI_STATE_ACTIVE)) != 0;
}

} // namespace

void AtSpiMenuBarSearch::start(const QDBusConnection& bus, std::optional<std::uint32_t> processId,
                               Answer answer)
{
    std::make_shared<AtSpiMenuBarSearch>(bus, processId, std::move(answer))->listApplications();
}

AtSpiMenuBarSearch::AtSpiMenuBarSearch(const QDBusConnection& bus,
                                       std::optional<std::uint32_t> processId, Answer answer)
    : bus_(bus)
    , processId_(processId)
    , answer_(std::move(answer))
    , busDaemon_(std::make_shared<AtSpiApplication>(bus, QStringLiteral("org.freedesktop.DBus")))
{
}

void AtSpiMenuBarSearch::listApplications()
{
    const auto registry
        = std::make_shared<AtSpiApplication>(bus_, QStringLiteral(ATSPI_DBUS_NAME_REGISTRY));
    registry->call(QStringLiteral(ATSPI_DBUS_PATH_ROOT), kAccessible, QStringLiteral("GetChildren"),
                   {}, [self = shared_from_this()](const std::optional<QDBusMessage>& reply) {
                       if (reply)
                           self->applications_ = referencesIn(*reply, kMaxApplications);
                       self->nextApplication();
                   });
}

void AtSpiMenuBarSearch::nextApplication()
{
    if (nextApplication_ == applications_.size()) {
        answer_(nullptr);
        return;
    }
    const auto& next = applications_[nextApplication_++];
    application_ = std::make_shared<AtSpiApplication>(bus_, next.service);
    applicationPath_ = next.path;
    if (!processId_) {
        listWindows(); // the windows' states tell
        return;
    }
    busDaemon_->call(QStringLiteral("/org/freedesktop/DBus"),
                     QStringLiteral("org.freedesktop.DBus"),
                     QStringLiteral("GetConnectionUnixProcessID"), { next.service },
                     [self = shared_from_this()](const std::optional<QDBusMessage>& reply) {
                         if (numberIn(reply) == self->processId_)
                             self->listWindows();
                         else
                             self->nextApplication();
                     });
}

void AtSpiMenuBarSearch::listWindows()
{
    application_->call(applicationPath_, kAccessible, QStringLiteral("GetChildren"), {},
                       [self = shared_from_this()](const std::optional<QDBusMessage>& reply) {
                           self->windows_ = reply ? referencesIn(*reply, kMaxWindows)
                                                  : std::vector<AtSpiReference> {};
                           self->activeWindows_.assign(self->windows_.size(), false);
                           self->readWindowStates(0);
                       });
}

void AtSpiMenuBarSearch::readWindowStates(std::size_t window)
{
    if (window < windows_.size()) {
        application_->call(
            windows_[window].path, kAccessible, QStringLiteral("GetState"), {},
            [self = shared_from_this(), window](const std::optional<QDBusMessage>& reply) {
                self->activeWindows_[window] = activeIn(reply);
                self->readWindowStates(window + 1);
            });
        return;
    }
    const bool anyActive = std::ranges::find(activeWindows_, true) != activeWindows_.end();
    if (!processId_ && !anyActive) {
        nextApplication();
        return;
    }
    toVisit_.clear();
    for (const bool active : { true, false }) {
        for (std::size_t i = 0; i < windows_.size(); ++i) {
            if (activeWindows_[i] == active)
                toVisit_.push_back({ windows_[i].path, 1 });
        }
    }
    visited_ = 0;
    visitNextNode();
}

void AtSpiMenuBarSearch::visitNextNode()
{
    if (toVisit_.empty() || visited_ >= kMenuBarMaxNodes || !application_->answering()) {
        nextApplication(); // none here; another process's application may be the frontmost
        return;
    }
    ++visited_;
    auto node = std::move(toVisit_.front());
    toVisit_.pop_front();
    application_->call(node.path, kAccessible, QStringLiteral("GetRole"), {},
                       [self = shared_from_this(), node](const std::optional<QDBusMessage>& reply) {
                           self->visit(node, numberIn(reply));
                       });
}

void AtSpiMenuBarSearch::visit(const Node& node, std::optional<std::uint32_t> role)
{
    if (role == ATSPI_ROLE_MENU_BAR) {
        answer_(std::make_shared<AtSpiElement>(application_, node.path));
        return;
    }
    if (node.depth >= kMenuBarMaxDepth || !mayHoldMenuBar(role.value_or(ATSPI_ROLE_INVALID))) {
        visitNextNode();
        return;
    }
    application_->call(node.path, kAccessible, QStringLiteral("GetChildren"), {},
                       [self = shared_from_this(), node](const std::optional<QDBusMessage>& reply) {
                           if (reply) {
                               for (auto& child : referencesIn(*reply, kMaxWindows)) {
                                   // Another application's objects are not this one's menus.
                                   if (child.service == self->application_->service())
                                       self->toVisit_.push_back({ child.path, node.depth + 1 });
                               }
                           }
                           self->visitNextNode();
                       });
}

} // namespace kavora
