#include "StatusNotifierHost.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QtEndian>

namespace kavora::test {

namespace {

constexpr const char* kWatcherService = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kItemPath = "/StatusNotifierItem";

constexpr const char* kIntrospection = R"(<interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
</interface>
)";

QVariant watcherProperty(const QString& name, const QStringList& items)
{
    if (name == QLatin1String("IsStatusNotifierHostRegistered"))
        return true;
    if (name == QLatin1String("ProtocolVersion"))
        return 0;
    if (name == QLatin1String("RegisteredStatusNotifierItems"))
        return items;
    return {};
}

} // namespace

StatusNotifierHost::StatusNotifierHost()
{
    auto bus = QDBusConnection::sessionBus();
    registered_
        = bus.registerVirtualObject(kWatcherPath, this) && bus.registerService(kWatcherService);
}

StatusNotifierHost::~StatusNotifierHost()
{
    auto bus = QDBusConnection::sessionBus();
    bus.unregisterService(kWatcherService);
    bus.unregisterObject(kWatcherPath);
}

QString StatusNotifierHost::introspect(const QString&) const
{
    return QString::fromLatin1(kIntrospection);
}

bool StatusNotifierHost::handleMessage(const QDBusMessage& message,
                                       const QDBusConnection& connection)
{
    const QString member = message.member();
    if (member == QLatin1String("RegisterStatusNotifierItem")) {
        // The item names its bus name, or only its path (then the sender is the bus name).
        QString item = message.arguments().value(0).toString();
        if (item.startsWith(QLatin1Char('/')))
            item = message.service();
        items_.append(item);
        connection.send(message.createReply());
        return true;
    }
    if (member == QLatin1String("RegisterStatusNotifierHost")) {
        connection.send(message.createReply());
        return true;
    }
    if (member == QLatin1String("Get")) {
        const QVariant value = watcherProperty(message.arguments().value(1).toString(), items_);
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
        return true;
    }
    if (member == QLatin1String("GetAll")) {
        QVariantMap all;
        for (const char* name : { "IsStatusNotifierHostRegistered", "ProtocolVersion",
                                  "RegisteredStatusNotifierItems" })
            all.insert(QString::fromLatin1(name),
                       watcherProperty(QString::fromLatin1(name), items_));
        connection.send(message.createReply(all));
        return true;
    }
    return false;
}

bool StatusNotifierHost::activate(const QString& item, int x, int y)
{
    auto call = QDBusMessage::createMethodCall(item, kItemPath, kItemInterface, "Activate");
    call << x << y;
    return QDBusConnection::sessionBus().call(call).type() == QDBusMessage::ReplyMessage;
}

std::optional<QImage> StatusNotifierHost::icon(const QString& item)
{
    auto call
        = QDBusMessage::createMethodCall(item, kItemPath, "org.freedesktop.DBus.Properties", "Get");
    call << QString::fromLatin1(kItemInterface) << QStringLiteral("IconPixmap");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    // a(iiay): width, height and ARGB32 bytes in network byte order, one entry per size.
    const auto argument
        = qvariant_cast<QDBusArgument>(qvariant_cast<QDBusVariant>(reply.arguments()[0]).variant());
    std::optional<QImage> largest;
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
        if (width <= 0 || height <= 0 || bytes.size() < qsizetype(width) * height * 4)
            continue;
        QImage image(width, height, QImage::Format_ARGB32);
        const auto* pixels = reinterpret_cast<const quint32*>(bytes.constData());
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, qFromBigEndian(pixels[y * width + x]));
        }
        if (!largest || largest->width() < width)
            largest = image;
    }
    argument.endArray();
    return largest;
}

} // namespace kavora::test
