#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>

/**
 * Asks polkit, over the bus the helper serves on, whether a caller may perform an action. The
 * caller is named by its unique bus name, so polkit itself finds its process, user and session:
 * nothing the caller says about itself is trusted. The question is asynchronous; the answer
 * arrives through the callback, allowed or not, with polkit's error when there was no answer.
 */
class PolkitAuthority final : public QObject
{
    Q_OBJECT

public:
    using Answer = std::function<void(bool allowed, const QString& error)>;

    explicit PolkitAuthority(QDBusConnection bus, QObject* parent = nullptr);

    void Check(const QString& callerBusName, const QString& actionId, Answer answer);

private:
    QDBusConnection m_bus;
};
