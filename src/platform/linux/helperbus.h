#pragma once

#include <QDBusMessage>
#include <QString>

// Where norvane-helper answers on the system bus.
namespace HelperBus {

inline QString Service()
{
    return QStringLiteral("org.norvane.Helper");
}

inline QString Path()
{
    return QStringLiteral("/org/norvane/Helper");
}

inline QString Interface()
{
    return QStringLiteral("org.norvane.Helper1");
}

inline QDBusMessage Call(const QString& method)
{
    return QDBusMessage::createMethodCall(Service(), Path(), Interface(), method);
}

} // namespace HelperBus
