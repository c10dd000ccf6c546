#include "platform/logind/LogindSleepSource.h"

#include "foundation/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <atomic>

namespace {

// Many sources may be built in one run (tests, a reconnect); the missing bus is news only once.
std::atomic<bool> reportedMissingBus{false};

} // namespace

LogindSleepSource::LogindSleepSource(QDBusConnection connection, QObject *parent)
    : SleepSource(parent)
    , m_connection(std::move(connection))
{
    if (!m_connection.isConnected()) {
        if (!reportedMissingBus.exchange(true)) {
            zuvInfo(lcSession).noquote()
                << QStringLiteral("No system bus (%1); sleep and wake are not observed")
                       .arg(m_connection.lastError().message());
        }
        return;
    }

    m_available = m_connection.connect(
        QString::fromLatin1(serviceName), QString::fromLatin1(objectPath),
        QString::fromLatin1(managerInterface), QStringLiteral("PrepareForSleep"), this,
        SLOT(handlePrepareForSleep(bool)));
    if (!m_available) {
        zuvError(lcSession).noquote() << QStringLiteral("Cannot subscribe to PrepareForSleep: %1")
                                             .arg(m_connection.lastError().message());
        return;
    }
    takeSleepInhibitor();
}

LogindSleepSource::~LogindSleepSource()
{
    if (m_available) {
        m_connection.disconnect(QString::fromLatin1(serviceName), QString::fromLatin1(objectPath),
                                QString::fromLatin1(managerInterface),
                                QStringLiteral("PrepareForSleep"), this,
                                SLOT(handlePrepareForSleep(bool)));
    }
}

void LogindSleepSource::releaseSleepInhibitor()
{
    // Closing our descriptor is what lets logind go on with the suspend.
    m_inhibitor = QDBusUnixFileDescriptor();
}

void LogindSleepSource::handlePrepareForSleep(bool goingToSleep)
{
    if (goingToSleep) {
        Q_EMIT aboutToSleep();
        return;
    }
    takeSleepInhibitor();
    Q_EMIT didWake();
}

void LogindSleepSource::takeSleepInhibitor()
{
    if (m_inhibitor.isValid() || m_inhibitRequestPending)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(serviceName), QString::fromLatin1(objectPath),
        QString::fromLatin1(managerInterface), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Zudevav EvozUvarevu")
         << QStringLiteral("Saving the running work session") << QStringLiteral("delay");
    m_inhibitRequestPending = true;
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            &LogindSleepSource::handleInhibitReply);
}

void LogindSleepSource::handleInhibitReply(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    m_inhibitRequestPending = false;
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
    if (reply.isError()) {
        // Sleep is still observed; only the delay is missing, so the save may race the suspend.
        if (!m_reportedInhibitFailure) {
            m_reportedInhibitFailure = true;
            zuvError(lcSession).noquote()
                << QStringLiteral("Cannot take the sleep delay from logind: %1")
                       .arg(reply.error().message());
        }
        return;
    }
    m_inhibitor = reply.value();
}
