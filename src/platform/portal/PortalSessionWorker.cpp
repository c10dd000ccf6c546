#include "platform/portal/PortalSessionWorker.h"

#include "foundation/Log.h"
#include "platform/portal/PipeWireStreams.h"
#include "platform/portal/PortalNames.h"
#include "platform/portal/PortalRequest.h"
#include "platform/portal/PortalScreenshotFile.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>

#include <fcntl.h>

namespace {

using Phase = PortalScreenCast::Phase;

std::optional<uint> portalProperty(const QDBusConnection &connection, const QString &interface,
                                   const QString &name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        PortalNames::service, PortalNames::path, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get.setArguments({interface, name});
    const QDBusMessage reply = connection.call(get, QDBus::Block, PortalNames::callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    bool ok = false;
    const uint value = reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt(&ok);
    return ok ? std::optional<uint>(value) : std::nullopt;
}

QPoint pointOf(const QVariant &value, bool *present)
{
    int x = 0;
    int y = 0;
    *present = value.canConvert<QDBusArgument>();
    if (*present) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        argument.beginStructure();
        argument >> x >> y;
        argument.endStructure();
    }
    return {x, y};
}

// a(ua{sv}): node id and properties per stream. Streams without a position are laid side by
// side, so each keeps a rectangle of its own.
QList<PortalScreenCast::Stream> parseStreams(const QVariant &value)
{
    QList<PortalScreenCast::Stream> streams;
    if (!value.canConvert<QDBusArgument>())
        return streams;
    const QDBusArgument argument = value.value<QDBusArgument>();
    argument.beginArray();
    int nextX = 0;
    while (!argument.atEnd()) {
        uint node = 0;
        QVariantMap properties;
        argument.beginStructure();
        argument >> node >> properties;
        argument.endStructure();
        bool hasPosition = false;
        bool hasSize = false;
        const QPoint position = pointOf(properties.value(QStringLiteral("position")), &hasPosition);
        const QPoint size = pointOf(properties.value(QStringLiteral("size")), &hasSize);
        PortalScreenCast::Stream stream;
        stream.nodeId = node;
        stream.display.name = properties.value(QStringLiteral("id")).toString();
        if (stream.display.name.isEmpty())
            stream.display.name = QStringLiteral("stream %1").arg(node);
        const QSize extent = hasSize ? QSize(size.x(), size.y()) : QSize(1, 1);
        stream.display.geometry = QRect(hasPosition ? position : QPoint(nextX, 0), extent);
        nextX = std::max(nextX, stream.display.geometry.right() + 1);
        streams.append(stream);
    }
    argument.endArray();
    return streams;
}

QString textOf(const QVariant &value)
{
    if (value.canConvert<QDBusObjectPath>() && value.userType() == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

PortalSessionWorker::PortalSessionWorker(PortalScreenCast &owner)
    : m_owner(owner)
    , m_connection(owner.options().connection)
{}

PortalScreenCast::Offer PortalSessionWorker::queryOffer(const QDBusConnection &connection,
                                                        bool useScreenCast)
{
    PortalScreenCast::Offer offer;
    if (!connection.isConnected()) {
        zuvError(lcCapture) << "No D-Bus session bus: the desktop portal cannot be asked";
        return offer;
    }
    const std::optional<uint> version =
        portalProperty(connection, PortalNames::screenCastInterface, QStringLiteral("version"));
    const std::optional<uint> sources = portalProperty(connection, PortalNames::screenCastInterface,
                                                       QStringLiteral("AvailableSourceTypes"));
    offer.offersScreenshot =
        portalProperty(connection, PortalNames::screenshotInterface, QStringLiteral("version"))
            .has_value();
    if (useScreenCast && version && sources && (*sources & PortalNames::monitorSource)) {
        offer.method = PortalScreenCast::Method::ScreenCast;
        offer.screenCastVersion = *version;
        const std::optional<uint> cursors = portalProperty(
            connection, PortalNames::screenCastInterface, QStringLiteral("AvailableCursorModes"));
        offer.canHideCursor = cursors && (*cursors & PortalNames::hiddenCursor);
    } else if (offer.offersScreenshot) {
        offer.method = PortalScreenCast::Method::Screenshot;
    }
    zuvInfo(lcCapture) << "Desktop portal capture:"
                       << (offer.method == PortalScreenCast::Method::ScreenCast ? "ScreenCast"
                           : offer.method == PortalScreenCast::Method::Screenshot
                               ? "Screenshot only"
                               : "none offered");
    return offer;
}

void PortalSessionWorker::setPhase(Phase phase)
{
    {
        std::lock_guard lock(m_owner.m_mutex);
        m_owner.m_state.phase = phase;
        m_owner.m_changed.notify_all();
    }
    if (phase == Phase::Active || phase == Phase::Denied)
        m_owner.announceGrantChange();
}

void PortalSessionWorker::detect()
{
    m_owner.detectOffer();
    m_owner.announceGrantChange();
}

void PortalSessionWorker::check()
{
    const PortalScreenCast::Method method = m_owner.detectOffer().method;
    if (method == PortalScreenCast::Method::ScreenCast) {
        start();
        return;
    }
    {
        std::lock_guard lock(m_owner.m_mutex);
        m_owner.m_state.phase = Phase::Idle;
        m_owner.m_screenshotPending = method == PortalScreenCast::Method::Screenshot;
        m_owner.m_changed.notify_all();
    }
    if (method == PortalScreenCast::Method::Screenshot)
        screenshot(0);
    else
        m_owner.announceGrantChange();
}

void PortalSessionWorker::start()
{
    closeSession();
    setPhase(Phase::Starting);
    if (m_owner.detectOffer().method != PortalScreenCast::Method::ScreenCast) {
        fail(QStringLiteral("ScreenCast"), PortalRequest::Failed);
        return;
    }
    auto *request = new PortalRequest(m_connection, m_owner.options().replyTimeout, this);
    connect(request, &PortalRequest::answered, this,
            [this](uint response, const QVariantMap &results) {
                if (response != PortalRequest::Success) {
                    fail(QStringLiteral("CreateSession"), response);
                    return;
                }
                m_session = textOf(results.value(QStringLiteral("session_handle")));
                if (m_session.isEmpty()) {
                    fail(QStringLiteral("CreateSession"), PortalRequest::Failed);
                    return;
                }
                m_connection.connect(PortalNames::service, m_session, PortalNames::sessionInterface,
                                     QStringLiteral("Closed"), this, SLOT(handleSessionClosed()));
                selectSources();
            });
    request->call(
        PortalNames::screenCastInterface, QStringLiteral("CreateSession"), {},
        {{QStringLiteral("session_handle_token"), PortalRequest::makeToken("zuvsession")}});
}

void PortalSessionWorker::selectSources()
{
    const PortalScreenCast::Offer offer = m_owner.detectOffer();
    QVariantMap options{
        {QStringLiteral("types"), QVariant::fromValue(PortalNames::monitorSource)},
        {QStringLiteral("multiple"), true},
    };
    if (offer.canHideCursor)
        options.insert(QStringLiteral("cursor_mode"),
                       QVariant::fromValue(PortalNames::hiddenCursor));
    m_usedToken = false;
    if (offer.screenCastVersion >= 4) {
        options.insert(QStringLiteral("persist_mode"),
                       QVariant::fromValue(PortalNames::persistUntilRevoked));
        const QString token = m_owner.restoreToken();
        if (!token.isEmpty()) {
            options.insert(QStringLiteral("restore_token"), token);
            m_usedToken = true;
        }
    }
    auto *request = new PortalRequest(m_connection, m_owner.options().replyTimeout, this);
    connect(request, &PortalRequest::answered, this, [this](uint response, const QVariantMap &) {
        if (response != PortalRequest::Success) {
            fail(QStringLiteral("SelectSources"), response);
            return;
        }
        startSession();
    });
    request->call(PortalNames::screenCastInterface, QStringLiteral("SelectSources"),
                  {QVariant::fromValue(QDBusObjectPath(m_session))}, options);
}

void PortalSessionWorker::startSession()
{
    // The chooser shows here unless the token restores the earlier choice.
    auto *request = new PortalRequest(m_connection, m_owner.options().chooserTimeout, this);
    connect(request, &PortalRequest::answered, this,
            [this](uint response, const QVariantMap &results) {
                if (response == PortalRequest::Failed) {
                    castFailed(QStringLiteral("Start"));
                    return;
                }
                if (response != PortalRequest::Success) {
                    fail(QStringLiteral("Start"), response);
                    return;
                }
                // A token is good for one start: the answer brings the next one, or none.
                if (m_usedToken || results.contains(QStringLiteral("restore_token")))
                    m_owner.storeRestoreToken(
                        results.value(QStringLiteral("restore_token")).toString());
                m_usedToken = false;
                const QList<PortalScreenCast::Stream> streams =
                    parseStreams(results.value(QStringLiteral("streams")));
                if (streams.isEmpty()) {
                    fail(QStringLiteral("Start (no monitor chosen)"), PortalRequest::Failed);
                    return;
                }
                openStreams(streams);
            });
    request->call(PortalNames::screenCastInterface, QStringLiteral("Start"),
                  {QVariant::fromValue(QDBusObjectPath(m_session)), QString()}, {});
}

void PortalSessionWorker::openStreams(const QList<PortalScreenCast::Stream> &streams)
{
    QDBusMessage open = QDBusMessage::createMethodCall(PortalNames::service, PortalNames::path,
                                                       PortalNames::screenCastInterface,
                                                       QStringLiteral("OpenPipeWireRemote"));
    open.setArguments({QVariant::fromValue(QDBusObjectPath(m_session)), QVariantMap()});
    const QDBusMessage reply = m_connection.call(open, QDBus::Block, PortalNames::callTimeoutMs);
    const QDBusUnixFileDescriptor remote =
        reply.arguments().isEmpty()
            ? QDBusUnixFileDescriptor()
            : reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
    const int fd = remote.isValid() ? ::fcntl(remote.fileDescriptor(), F_DUPFD_CLOEXEC, 3) : -1;
    if (fd < 0) {
        zuvError(lcCapture) << "The desktop portal gave no PipeWire remote:"
                            << reply.errorMessage();
        castFailed(QStringLiteral("OpenPipeWireRemote"));
        return;
    }
    QList<quint32> nodes;
    for (const PortalScreenCast::Stream &stream : streams)
        nodes.append(stream.nodeId);
    QString error;
    std::shared_ptr<PipeWireStreams> pipeWire = PipeWireStreams::open(fd, nodes, &error);
    if (!pipeWire) {
        zuvError(lcCapture).noquote() << QStringLiteral("Screen cast cannot start: %1").arg(error);
        castFailed(QStringLiteral("PipeWire"));
        return;
    }
    zuvInfo(lcCapture) << "Screen cast session started with" << streams.size() << "monitor(s)";
    {
        std::lock_guard lock(m_owner.m_mutex);
        m_owner.m_state.streams = streams;
        m_owner.m_state.pipeWire = std::move(pipeWire);
        m_owner.m_state.phase = Phase::Active;
        m_owner.m_changed.notify_all();
    }
    m_owner.announceGrantChange();
}

void PortalSessionWorker::castFailed(const QString &step)
{
    // A portal backend may accept the cast and then find nothing to stream it with (wlroots
    // without a GPU: no buffer format); its Screenshot interface usually still works.
    if (!m_owner.detectOffer().offersScreenshot) {
        fail(step, PortalRequest::Failed);
        return;
    }
    zuvError(lcCapture).noquote()
        << QStringLiteral("Screen cast failed at %1; capturing through the Screenshot portal "
                          "instead")
               .arg(step);
    if (m_usedToken)
        m_owner.storeRestoreToken(QString());
    m_usedToken = false;
    closeSession();
    m_owner.fallBackToScreenshot();
    // The person asked for the grant: the screenshot that stands in for it answers.
    screenshot(0);
}

void PortalSessionWorker::fail(const QString &step, uint response)
{
    zuvError(lcCapture).noquote() << QStringLiteral("Screen cast not granted at %1: %2")
                                         .arg(step, response == PortalRequest::Cancelled
                                                        ? QStringLiteral("cancelled")
                                                        : QStringLiteral("failed"));
    // A token the portal was handed is spent, whatever the outcome.
    if (m_usedToken)
        m_owner.storeRestoreToken(QString());
    m_usedToken = false;
    closeSession();
    setPhase(Phase::Denied);
}

void PortalSessionWorker::closeSession()
{
    {
        std::lock_guard lock(m_owner.m_mutex);
        m_owner.m_state.streams.clear();
        m_owner.m_state.pipeWire.reset();
        if (m_owner.m_state.phase == Phase::Active)
            m_owner.m_state.phase = Phase::Idle;
        m_owner.m_changed.notify_all();
    }
    if (m_session.isEmpty())
        return;
    m_connection.disconnect(PortalNames::service, m_session, PortalNames::sessionInterface,
                            QStringLiteral("Closed"), this, SLOT(handleSessionClosed()));
    m_connection.call(QDBusMessage::createMethodCall(PortalNames::service, m_session,
                                                     PortalNames::sessionInterface,
                                                     QStringLiteral("Close")),
                      QDBus::Block, PortalNames::callTimeoutMs);
    m_session.clear();
}

void PortalSessionWorker::handleSessionClosed()
{
    zuvInfo(lcCapture) << "The desktop closed the screen cast session";
    m_connection.disconnect(PortalNames::service, m_session, PortalNames::sessionInterface,
                            QStringLiteral("Closed"), this, SLOT(handleSessionClosed()));
    m_session.clear();
    closeSession();
}

void PortalSessionWorker::screenshot(quint64 ticket)
{
    auto *request = new PortalRequest(m_connection, m_owner.options().chooserTimeout, this);
    connect(request, &PortalRequest::answered, this,
            [this, ticket](uint response, const QVariantMap &results) {
                QImage image;
                if (response == PortalRequest::Success) {
                    QString error;
                    image = PortalScreenshotFile::take(
                        results.value(QStringLiteral("uri")).toString(), &error);
                    if (image.isNull())
                        zuvError(lcCapture).noquote()
                            << QStringLiteral("Portal screenshot unusable: %1").arg(error);
                } else {
                    zuvError(lcCapture)
                        << "Portal screenshot"
                        << (response == PortalRequest::Cancelled ? "cancelled" : "failed");
                }
                m_owner.answerScreenshot(ticket, image);
            });
    request->call(PortalNames::screenshotInterface, QStringLiteral("Screenshot"), {QString()},
                  {{QStringLiteral("interactive"), false}, {QStringLiteral("modal"), false}});
}
