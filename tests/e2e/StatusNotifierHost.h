#pragma once

#include <QDBusVirtualObject>
#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

namespace kavora::test {

// A tray host of the test's own on the session bus: it owns org.kde.StatusNotifierWatcher,
// says a host is registered, and records the status items that register with it. It then talks
// to an item as a panel would: activates it and reads its icon. Lives in the test process, so
// the test's Qt event loop (which the waits run) answers the items' calls.
class StatusNotifierHost final : public QDBusVirtualObject {
public:
    StatusNotifierHost();
    ~StatusNotifierHost() override;

    bool registered() const { return registered_; }
    const QStringList& items() const { return items_; }

    // A left click on the item (StatusNotifierItem.Activate at x, y); true when it answered.
    static bool activate(const QString& item, int x, int y);
    // The item's largest icon pixmap.
    static std::optional<QImage> icon(const QString& item);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    bool registered_ = false;
    QStringList items_;
};

} // namespace kavora::test
