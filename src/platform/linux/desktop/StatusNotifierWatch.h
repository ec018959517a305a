// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDBusServiceWatcher>
#include <QObject>

namespace kavora {

// Whether a tray host shows status-notifier items on the session bus now: the watcher
// (org.kde.StatusNotifierWatcher) says a host registered with it. Followed while the program
// runs, so that a panel started after the program, or one that quits, is noticed: the watcher
// coming and going, and hosts registering and leaving it. Asked without blocking; until the first
// answer known() is false and hostPresent() false.
class StatusNotifierWatch final : public QObject {
    Q_OBJECT

public:
    explicit StatusNotifierWatch(QObject* parent = nullptr);

    bool known() const { return known_; }
    bool hostPresent() const { return hostPresent_; }

Q_SIGNALS:
    // On the first answer, and whenever hostPresent() changes after it.
    void changed();

private Q_SLOTS:
    void ask();

private:
    void take(bool hostPresent, quint64 question);

    QDBusServiceWatcher watcher_;
    quint64 questions_ = 0;
    bool known_ = false;
    bool hostPresent_ = false;
};

} // namespace kavora
