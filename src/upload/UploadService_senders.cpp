// The senders of the upload service: one per task type, the live heartbeat, and the handling of
// a session taken over by another device.

#include "upload/UploadService.h"

#include "api/APIError.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/NotificationHub.h"
#include "foundation/UuidText.h"
#include "store/DeviceIdProvider.h"
#include "store/SQLiteStore.h"
#include "tracking/model/SegmentUtils.h"
#include "upload/HeartbeatPayload.h"
#include "upload/ScreenshotUploadName.h"
#include "upload/ServerTodayTotal.h"
#include "upload/StartSessionPayload.h"
#include "upload/TransportError.h"
#include "upload/UploadHttpClient.h"
#include "upload/UploadServiceError.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

constexpr const char *segmentsBatchPath = "hr/zuvevivezid/employees/segments/batch";

double segmentRate(qint64 seconds)
{
    return std::clamp(static_cast<double>(seconds) * 100.0 / 600.0, 0.0, 100.0);
}

struct OpenSegment
{
    QString date;
    int number = 0;
};

std::optional<OpenSegment> openSegmentFromPayload(const std::optional<QByteArray> &payload)
{
    if (!payload)
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(*payload).object();
    const QJsonValue date = object.value(QStringLiteral("open_segment_date"));
    const QJsonValue number = object.value(QStringLiteral("open_segment_number"));
    if (!date.isString() || !number.isDouble() || !std::isfinite(number.toDouble()))
        return std::nullopt;
    return OpenSegment{date.toString(), static_cast<int>(std::trunc(number.toDouble()))};
}

QList<int> acceptedPositions(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonValue data = document.object().value(QStringLiteral("data"));
    const QJsonValue accepted = data.toObject().value(QStringLiteral("accepted"));
    if (!document.isObject() || !data.isObject() || !accepted.isArray())
        return {};
    QList<int> positions;
    for (const QJsonValue &value : accepted.toArray()) {
        if (!value.isDouble() || std::trunc(value.toDouble()) != value.toDouble())
            return {};
        positions.append(static_cast<int>(value.toDouble()));
    }
    return positions;
}

QString describe(const std::exception &error)
{
    return QString::fromUtf8(error.what());
}

} // namespace

QCoro::Task<QByteArray> UploadService::postJson(const char *path, const QByteArray &body)
{
    UploadHttpClient::Request request =
        m_deps.http.makeRequest(QString::fromLatin1(path), QByteArrayLiteral("POST"),
                                QByteArrayLiteral("application/json"));
    request.body = body;
    co_return co_await m_deps.http.executeRequest(std::move(request), true);
}

QCoro::Task<> UploadService::uploadStartSession(const UploadTask &task)
{
    if (!task.jsonPayload)
        throw APIError::decodingFailed();
    const QByteArray response = co_await postJson(StartSessionPayload::path, *task.jsonPayload);
    postServerTodayTotalIfPresent(response, QStringLiteral("start-session"), m_passPartition);
}

QCoro::Task<> UploadService::uploadQueuedHeartbeat(const UploadTask &task)
{
    if (!task.jsonPayload)
        throw APIError::decodingFailed();
    const QByteArray response = co_await postJson(HeartbeatPayload::path, *task.jsonPayload);
    postServerTodayTotalIfPresent(response, QStringLiteral("heartbeat-queued"), m_passPartition);
}

QCoro::Task<> UploadService::uploadActivitySegments(const UploadTask &task)
{
    OpenSegment open;
    if (const auto fromPayload = openSegmentFromPayload(task.jsonPayload)) {
        open = *fromPayload;
    } else {
        const auto key = SegmentUtils::segmentDateAndNumber(m_deps.clock.now(), apiTimeZone());
        open = {key.dayKey, key.number};
    }

    const QList<SQLiteStore::ActivitySegmentRow> rows =
        m_deps.store.pendingActivitySegmentsForUpload(open.date, open.number);
    if (rows.isEmpty()) {
        // The task ends here without a request; the log tells it from a pass that found no task.
        zuvInfo(lcUpload).nospace() << "segments/batch: no closed segment before " << open.date
                                    << '#' << open.number << " waits; nothing sent";
        co_return;
    }
    zuvInfo(lcUpload).nospace() << "POST segments/batch: " << rows.size() << " closed segment(s)";

    const QString zoneName = storedTimezoneIdentifier();
    QJsonArray segments;
    for (const auto &row : rows) {
        segments.append(QJsonObject{
            {QStringLiteral("segment_date"), row.segmentDate},
            {QStringLiteral("segment_number"), row.segmentNumber},
            {QStringLiteral("timezone"), zoneName},
            {QStringLiteral("activity_rate"), segmentRate(row.activeSeconds)},
            {QStringLiteral("mouse_movements"), row.mouseMovements},
            {QStringLiteral("key_press_count"), row.keyboardMovements},
            {QStringLiteral("non_idle_percent"), segmentRate(row.nonIdleSeconds)},
        });
    }
    const QJsonObject body{{QStringLiteral("device_uuid"), m_deps.deviceIds.current()},
                           {QStringLiteral("segments"), segments}};

    QPointer<UploadService> self(this);
    const QByteArray response =
        co_await postJson(segmentsBatchPath, QJsonDocument(body).toJson(QJsonDocument::Compact));
    if (!self)
        co_return;
    postServerTodayTotalIfPresent(response, QStringLiteral("segments-batch"), m_passPartition);

    for (const int position : acceptedPositions(response)) {
        if (position < 0 || position >= rows.size())
            continue;
        // A segment that grew while the batch was in flight keeps waiting: its new counters
        // have not reached the server yet.
        m_deps.store.markActivitySegmentUploadedIfUnchanged(rows.at(position), m_passPartition);
    }
}

QCoro::Task<> UploadService::uploadScreenshot(const UploadTask &task)
{
    if (!task.filePath)
        throw APIError::invalidURL();
    const QString filePath = *task.filePath;
    if (!QFileInfo::exists(filePath))
        throw UploadServiceError(UploadServiceError::Kind::FileNotFound);
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            ("cannot read " + filePath + ": " + file.errorString()).toStdString());
    const QByteArray fileData = file.readAll();
    file.close();

    const QString boundary = QStringLiteral("Boundary-") + UuidText::format(QUuid::createUuid());
    const QString path = QStringLiteral("hr/zuvevivezid/employees/sessions/") +
                         UuidText::format(task.sessionId) + QStringLiteral("/screenshots");
    UploadHttpClient::Request request = m_deps.http.makeRequest(
        path, QByteArrayLiteral("POST"), "multipart/form-data; boundary=" + boundary.toUtf8());
    const QString uploadName =
        ScreenshotUploadName::normalized(filePath, task.sessionId, apiTimeZone());
    request.body =
        ScreenshotUploadName::multipartBody(QStringLiteral("screenshots[]"), uploadName,
                                            QStringLiteral("image/jpeg"), fileData, boundary);
    zuvInfo(lcUpload).noquote() << "Uploading screenshot:" << uploadName;

    try {
        co_await m_deps.http.executeRequest(std::move(request), true);
    } catch (...) {
        zuvError(lcUpload).noquote() << "Screenshot upload failed for file:" << uploadName;
        throw;
    }
    if (!QFile::remove(filePath) && QFileInfo::exists(filePath)) {
        zuvError(lcUpload).noquote()
            << "Failed to delete screenshot after upload:" << QFileInfo(filePath).fileName();
    }
}

QCoro::Task<bool> UploadService::uploadHeartbeatNow(Session session)
{
    // Until the session's start has reached the server, the server does not know the session
    // and would answer 404, which reads as a takeover; the live heartbeat waits for the start.
    if (!m_deps.store.pendingUploadTaskIds(session.id, {UploadTaskType::StartSession}).isEmpty()) {
        zuvInfo(lcUpload).noquote() << "uploadHeartbeatNow: session start not sent yet; skipping";
        co_return false;
    }
    const QByteArray body =
        HeartbeatPayload::build(session, QString::fromLatin1(HeartbeatPayload::activeStatus),
                                m_deps.clock.now(), bodyTimeZone(session));

    QPointer<UploadService> self(this);
    const QString partition = m_deps.domainKey();
    try {
        const QByteArray response = co_await postJson(HeartbeatPayload::path, body);
        if (self)
            postServerTodayTotalIfPresent(response, QStringLiteral("heartbeat-direct"), partition);
        co_return true;
    } catch (const APIError &error) {
        if (!self)
            co_return false;
        const bool takenOver = error.kind() == APIError::Kind::ServerError &&
                               (error.statusCode() == 404 || error.statusCode() == 409);
        if (takenOver)
            handleHeartbeatTakenOver(session.id, error.statusCode());
        else
            zuvError(lcUpload).noquote() << "uploadHeartbeatNow failed:" << describe(error);
    } catch (const std::exception &error) {
        zuvError(lcUpload).noquote() << "uploadHeartbeatNow failed:" << describe(error);
    }
    co_return false;
}

bool UploadService::handleHeartbeatTakenOver(const QUuid &sessionId, int statusCode)
{
    const bool firstReport = !m_takenOverSessions.contains(sessionId);
    m_takenOverSessions.insert(sessionId);
    if (firstReport) {
        zuvError(lcUpload).noquote()
            << "Session" << UuidText::format(sessionId)
            << QStringLiteral("taken over by another device (status %1); stopping local tracking.")
                   .arg(statusCode);
        Q_EMIT NotificationHub::instance().sessionTakenOverByOtherDevice(sessionId, statusCode);
    }
    const QList<QUuid> open = m_deps.store.pendingUploadTaskIds(
        sessionId, {UploadTaskType::Heartbeat, UploadTaskType::StartSession});
    for (const QUuid &id : open)
        m_deps.store.markUploadTaskCompleted(id);
    removeUnqueuedCaptures(sessionId);
    return true;
}

void UploadService::removeUnqueuedCaptures(const QUuid &sessionId)
{
    // A capture taken after the last queued upload has no task; left behind, the next launch's
    // sweep would send it for a session another device now owns.
    for (const QString &path : screenshotFiles(sessionId)) {
        if (!m_deps.store.hasScreenshotTask(sessionId, path))
            QFile::remove(path);
    }
}

void UploadService::postServerTodayTotalIfPresent(const QByteArray &responseBody,
                                                  const QString &source, const QString &partition)
{
    if (!responseBody.isEmpty() && !QJsonDocument::fromJson(responseBody).isObject()) {
        // The task counts as delivered (the status said so), but an answer nobody can read
        // points at a proxy or a server fault worth finding in the log.
        zuvError(lcUpload).noquote()
            << "The answer to" << source << "could not be read (not a JSON object); "
            << "the upload counts as accepted by its status.";
        return;
    }
    const auto total = TrackingEndpointResponse::serverTodayTotal(responseBody);
    if (!total)
        return;
    if (partition != m_deps.domainKey()) {
        zuvInfo(lcUpload).noquote()
            << "server today_total via" << source << "belongs to an earlier sign-in; not shown";
        return;
    }
    zuvInfo(lcUpload).noquote() << "server today_total via" << source + QLatin1Char(':')
                                << QString::number(total->totalSeconds) + QLatin1Char('s') << "@"
                                << total->date;
    Q_EMIT NotificationHub::instance().serverTodayTotalDidUpdate(total->totalSeconds, total->date);
}
