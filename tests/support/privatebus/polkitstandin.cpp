// A stand-in for polkit on a private test bus, where no polkitd runs: it answers
// org.freedesktop.PolicyKit1.Authority.CheckAuthorization for every subject with the answer given
// on its command line (--allow, the default, or --deny). For tests and the demo only.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QStringList>

class PolkitStandIn final : public QDBusVirtualObject
{
public:
    explicit PolkitStandIn(bool allow)
        : m_allow(allow)
    { }

    QString introspect(const QString&) const override { return QString(); }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() != QLatin1String("CheckAuthorization"))
            return false;
        const QString action = message.arguments().value(1).toString();
        qInfo("%s %s for %s", m_allow ? "allow" : "deny", qPrintable(action), qPrintable(message.service()));
        QDBusArgument result;
        result.beginStructure();
        result << m_allow << false;
        result.beginMap(QMetaType::fromType<QString>(), QMetaType::fromType<QString>());
        result.endMap();
        result.endStructure();
        connection.send(message.createReply(QVariant::fromValue(result)));
        return true;
    }

private:
    bool m_allow;
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    PolkitStandIn authority(!QCoreApplication::arguments().contains(QStringLiteral("--deny")));
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/PolicyKit1/Authority"), &authority)
        || !bus.registerService(QStringLiteral("org.freedesktop.PolicyKit1"))) {
        qCritical("cannot offer org.freedesktop.PolicyKit1 on %s",
                  qgetenv("DBUS_SYSTEM_BUS_ADDRESS").constData());
        return 1;
    }
    return QCoreApplication::exec();
}
