// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace kavora {

// One notification of this program on the desktop's notification server
// (org.freedesktop.Notifications): shown, replaced, withdrawn. It stays until withdrawn (resident,
// never expiring) and tells which of its actions the user took and when the user dismissed it.
// Calls never block the event loop; a server that is missing or refuses is reported by failed().
class DesktopNotification final : public QObject {
    Q_OBJECT

public:
    struct Content {
        QString title;
        QString body;
        // Pairs of an action's key and its label; the key "default" is a click on the
        // notification itself.
        QStringList actions;
        // Shown in the desktop's list only, without a banner or a sound.
        bool quiet = false;
    };

    explicit DesktopNotification(QObject* parent = nullptr);
    // Withdraws the notification, waiting a moment for the server: it would outlive the program.
    ~DesktopNotification() override;

    // Shows the notification, or replaces the one shown.
    void show(const Content& content);
    void withdraw();
    // Shown or on its way.
    bool wanted() const { return wanted_; }

Q_SIGNALS:
    void actionInvoked(const QString& key);
    // The user closed it while it was wanted.
    void dismissed();
    // The server could not show it.
    void failed();

private Q_SLOTS:
    void takeAction(uint id, const QString& key);
    void takeClosed(uint id, uint reason);

private:
    void close(uint id);

    uint id_ = 0;
    bool wanted_ = false;
    quint64 requests_ = 0;
};

} // namespace kavora
