#include "platform/portal/PortalScreenCast.h"

#include "foundation/Log.h"
#include "foundation/SettingsStore.h"
#include "platform/portal/PipeWireStreams.h"
#include "platform/portal/PortalSessionWorker.h"

#include <QMetaObject>
#include <QThread>

PortalScreenCast::PortalScreenCast(Options options)
    : m_options(std::move(options))
    , m_thread(std::make_unique<QThread>())
{
    m_thread->setObjectName(QStringLiteral("com.wendoka.zuvevivezid.portal"));
    m_worker = new PortalSessionWorker(*this);
    m_worker->moveToThread(m_thread.get());
    QObject::connect(m_thread.get(), &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
}

PortalScreenCast::~PortalScreenCast()
{
    // The session is closed and the streams stopped on the worker's thread, before it ends.
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->closeSession(); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

void PortalScreenCast::setRestoreTokenStore(SettingsStore *settings)
{
    std::lock_guard lock(m_mutex);
    m_settings = settings;
    if (!m_settings)
        return;
    if (!m_token.isEmpty())
        m_settings->setString(QString::fromLatin1(restoreTokenKey), m_token);
    else
        m_token = m_settings->string(QString::fromLatin1(restoreTokenKey)).value_or(QString());
    m_state.holdsRestoreToken = !m_token.isEmpty();
    const std::optional<QString> failedOn =
        m_settings->string(QString::fromLatin1(screenCastFailedKey));
    m_screenCastFailedHere = failedOn && *failedOn == m_options.desktopName;
}

void PortalScreenCast::storeRestoreToken(const QString &token)
{
    std::lock_guard lock(m_mutex);
    m_token = token;
    m_state.holdsRestoreToken = !token.isEmpty();
    if (!m_settings)
        return;
    if (token.isEmpty())
        m_settings->remove(QString::fromLatin1(restoreTokenKey));
    else
        m_settings->setString(QString::fromLatin1(restoreTokenKey), token);
}

QString PortalScreenCast::restoreToken() const
{
    std::lock_guard lock(m_mutex);
    return m_token;
}

PortalScreenCast::Snapshot PortalScreenCast::snapshot() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

PortalScreenCast::Offer PortalScreenCast::detectOffer()
{
    std::lock_guard offerLock(m_offerMutex);
    if (!m_offer) {
        m_offer = PortalSessionWorker::queryOffer(m_options.connection, m_options.useScreenCast);
        std::lock_guard lock(m_mutex);
        if (m_offer->method == Method::ScreenCast && m_offer->offersScreenshot &&
            m_screenCastFailedHere) {
            zuvInfo(lcCapture) << "The screen cast failed on this desktop before; capturing "
                                  "through the Screenshot portal";
            m_offer->method = Method::Screenshot;
        }
        m_state.method = m_offer->method;
    }
    return *m_offer;
}

bool PortalScreenCast::canCaptureScreen()
{
    std::lock_guard lock(m_mutex);
    switch (m_state.method) {
    case Method::None:
        return false;
    case Method::Screenshot:
        return !m_state.screenshotRefused;
    case Method::Unknown:
        if (!m_detecting) {
            m_detecting = true;
            QMetaObject::invokeMethod(
                m_worker, [worker = m_worker] { worker->detect(); }, Qt::QueuedConnection);
        }
        break;
    case Method::ScreenCast:
        break;
    }
    // An earlier grant that the token restores counts: the capture restores it when it needs it.
    return m_state.phase == Phase::Active || m_state.holdsRestoreToken;
}

bool PortalScreenCast::requestGrant()
{
    std::lock_guard lock(m_mutex);
    switch (m_state.method) {
    case Method::None:
        return false;
    case Method::Screenshot:
        if (!m_state.screenshotGranted && !m_screenshotPending) {
            m_screenshotPending = true;
            QMetaObject::invokeMethod(
                m_worker, [worker = m_worker] { worker->screenshot(0); }, Qt::QueuedConnection);
        }
        return true;
    case Method::Unknown:
    case Method::ScreenCast:
        break;
    }
    if (m_state.phase != Phase::Active && m_state.phase != Phase::Starting) {
        m_state.phase = Phase::Starting;
        QMetaObject::invokeMethod(
            m_worker, [worker = m_worker] { worker->check(); }, Qt::QueuedConnection);
    }
    return true;
}

bool PortalScreenCast::ensureActive()
{
    if (detectOffer().method != Method::ScreenCast)
        return false;
    std::unique_lock lock(m_mutex);
    if (m_state.phase == Phase::Active && m_state.pipeWire && !m_state.pipeWire->isBroken())
        return true;
    if (m_state.phase == Phase::Active) {
        lock.unlock();
        dropSession();
        lock.lock();
    }
    if (m_state.phase != Phase::Starting && m_state.holdsRestoreToken) {
        m_state.phase = Phase::Starting;
        QMetaObject::invokeMethod(
            m_worker, [worker = m_worker] { worker->start(); }, Qt::QueuedConnection);
    }
    m_changed.wait_for(lock, m_options.settleWait,
                       [this] { return m_state.phase != Phase::Starting; });
    return m_state.phase == Phase::Active;
}

void PortalScreenCast::dropSession()
{
    zuvError(lcCapture) << "Screen cast streams lost; the session is dropped";
    {
        std::lock_guard lock(m_mutex);
        m_state.streams.clear();
        m_state.pipeWire.reset();
        if (m_state.phase == Phase::Active)
            m_state.phase = Phase::Idle;
    }
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->closeSession(); }, Qt::QueuedConnection);
}

QImage PortalScreenCast::takeScreenshot()
{
    if (detectOffer().method != Method::Screenshot)
        return {};
    std::unique_lock lock(m_mutex);
    const quint64 ticket = ++m_nextTicket;
    m_screenshotPending = true;
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, ticket] { worker->screenshot(ticket); },
        Qt::QueuedConnection);
    const bool answered = m_changed.wait_for(lock, m_options.settleWait,
                                             [this, ticket] { return m_answeredTicket >= ticket; });
    if (!answered || m_answeredTicket != ticket) {
        zuvError(lcCapture) << "The Screenshot portal did not answer in time";
        return {};
    }
    return std::exchange(m_screenshot, QImage());
}

void PortalScreenCast::answerScreenshot(quint64 ticket, const QImage &image)
{
    {
        std::lock_guard lock(m_mutex);
        m_state.screenshotGranted = !image.isNull();
        m_state.screenshotRefused = image.isNull();
        m_screenshotPending = false;
        if (ticket > m_answeredTicket) {
            m_answeredTicket = ticket;
            m_screenshot = image;
        }
        m_changed.notify_all();
    }
    announceGrantChange();
}

void PortalScreenCast::fallBackToScreenshot()
{
    {
        std::lock_guard offerLock(m_offerMutex);
        if (m_offer)
            m_offer->method = Method::Screenshot;
    }
    std::lock_guard lock(m_mutex);
    if (m_settings)
        m_settings->setString(QString::fromLatin1(screenCastFailedKey), m_options.desktopName);
    m_state.method = Method::Screenshot;
    m_state.phase = Phase::Idle;
    m_screenshotPending = true;
    m_changed.notify_all();
}

void PortalScreenCast::announceGrantChange() const
{
    if (m_options.grantChanged)
        m_options.grantChanged();
}
