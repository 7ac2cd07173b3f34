#include "polkitauthority.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <utility>

namespace {

// AllowUserInteraction: an inactive or remote session may be asked for the admin password.
constexpr uint AllowUserInteraction = 1;
// The question waits for the user's answer to an authentication dialog.
constexpr int CheckTimeoutMs = 120 * 1000;

} // namespace

PolkitAuthority::PolkitAuthority(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{ }

void PolkitAuthority::Check(const QString& callerBusName, const QString& actionId, Answer answer)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.PolicyKit1"), QStringLiteral("/org/freedesktop/PolicyKit1/Authority"),
        QStringLiteral("org.freedesktop.PolicyKit1.Authority"), QStringLiteral("CheckAuthorization"));
    QDBusArgument subject;
    subject.beginStructure();
    subject << QStringLiteral("system-bus-name") << QVariantMap {{QStringLiteral("name"), callerBusName}};
    subject.endStructure();
    QDBusArgument details;
    details.beginMap(QMetaType::fromType<QString>(), QMetaType::fromType<QString>());
    details.endMap();
    call << QVariant::fromValue(subject) << actionId << QVariant::fromValue(details) << AllowUserInteraction
         << QString();

    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, CheckTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, answer = std::move(answer)] {
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            answer(false, watcher->error().message());
            return;
        }
        // (bba{ss}): is authorised, is challenge, details.
        const auto result = reply.arguments().constFirst().value<QDBusArgument>();
        bool authorised = false;
        bool challenge = false;
        result.beginStructure();
        result >> authorised >> challenge;
        answer(authorised, QString());
    });
}
