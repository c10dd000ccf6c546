#include "HrService.h"

#include "ScreenshotReportBuilder.h"

#include <QDateTime>
#include <QTimeZone>
#include <QUuid>

#include <cmath>

namespace {

using Json = nlohmann::json;

const char *const trackingPrefix = "hr/zuvevivezid/employees/";
const char *const defaultTimeZone = "Europe/Berlin";

HrService::Answer jsonAnswer(int status, const Json &body)
{
    return {status, body.dump(), "application/json"};
}

HrService::Answer message(int status, const std::string &text)
{
    return jsonAnswer(status, {{"message", text}});
}

HrService::Answer invalid(const std::string &field, const std::string &problem)
{
    return jsonAnswer(422, {{"message", "The given data was invalid."},
                            {"errors", {{field, Json::array({problem})}}}});
}

HrService::Answer unauthenticated()
{
    return message(401, "Unauthenticated.");
}

Json parseObject(const std::string &body)
{
    Json parsed = Json::parse(body, nullptr, false);
    return parsed.is_object() ? parsed : Json();
}

bool hasString(const Json &object, const char *key)
{
    return object.contains(key) && object.at(key).is_string();
}

bool hasInteger(const Json &object, const char *key)
{
    return object.contains(key) && object.at(key).is_number_integer();
}

bool hasNumber(const Json &object, const char *key)
{
    return object.contains(key) && object.at(key).is_number();
}

bool hasStringOrNull(const Json &object, const char *key)
{
    return object.contains(key) && (object.at(key).is_string() || object.at(key).is_null());
}

// The first of the keys that is missing or not of its type, or an empty text.
std::string firstBadKey(const Json &object, std::initializer_list<const char *> strings,
                        std::initializer_list<const char *> integers = {},
                        std::initializer_list<const char *> numbers = {})
{
    if (!object.is_object())
        return "body";
    for (const char *key : strings) {
        if (!hasString(object, key))
            return key;
    }
    for (const char *key : integers) {
        if (!hasInteger(object, key))
            return key;
    }
    for (const char *key : numbers) {
        if (!hasNumber(object, key))
            return key;
    }
    return {};
}

bool isInternetTime(const std::string &text)
{
    const QDateTime parsed = QDateTime::fromString(QString::fromStdString(text), Qt::ISODate);
    // "Z" parses as UTC, "+07:00" as an offset; a time without either is ambiguous.
    return parsed.isValid() &&
           (parsed.timeSpec() == Qt::OffsetFromUTC || parsed.timeSpec() == Qt::UTC);
}

bool isDayText(const std::string &text)
{
    return text.size() == 10 &&
           QDate::fromString(QString::fromStdString(text), QStringLiteral("yyyy-MM-dd")).isValid();
}

std::string canonicalSession(const std::string &text)
{
    const QUuid id(QString::fromStdString(text));
    return id.isNull() ? std::string() : id.toString(QUuid::WithoutBraces).toUpper().toStdString();
}

std::string bearerToken(const std::string &authorization)
{
    static const std::string scheme = "Bearer ";
    return authorization.rfind(scheme, 0) == 0 ? authorization.substr(scheme.size())
                                               : std::string();
}

std::string heartbeatProblem(const Json &body)
{
    std::string bad =
        firstBadKey(body, {"device_uuid", "session_uuid", "task_id", "started_at", "status"},
                    {"total_seconds", "mouse_movements", "key_press_count"}, {"activity_rate"});
    if (!bad.empty())
        return bad;
    if (!isInternetTime(body.at("started_at").get<std::string>()))
        return "started_at";
    if (!hasStringOrNull(body, "stopped_at"))
        return "stopped_at";
    if (!body.contains("intervals") || !body.at("intervals").is_array())
        return "intervals";
    for (const Json &interval : body.at("intervals")) {
        if (!firstBadKey(interval, {"interval_uuid", "started_at"}).empty() ||
            !hasStringOrNull(interval, "stopped_at"))
            return "intervals";
    }
    return {};
}

std::string segmentProblem(const Json &segment)
{
    std::string bad = firstBadKey(segment, {"segment_date", "timezone"},
                                  {"segment_number", "mouse_movements", "key_press_count"},
                                  {"activity_rate", "non_idle_percent"});
    if (!bad.empty())
        return bad + " is missing or of the wrong type";
    if (!isDayText(segment.at("segment_date").get<std::string>()))
        return "segment_date is not a day";
    const auto number = segment.at("segment_number").get<long long>();
    if (number < 0 || number > 143)
        return "segment_number out of range";
    if (!QTimeZone(QByteArray::fromStdString(segment.at("timezone").get<std::string>())).isValid())
        return "unknown timezone";
    return {};
}

} // namespace

HrService::HrService(int port)
    : m_directory(port)
{}

std::optional<std::string> HrService::accountOf(const std::string &authorization) const
{
    return m_tokens.accountForAccessToken(bearerToken(authorization));
}

HrService::Answer HrService::handle(const Request &request)
{
    const std::string &path = request.path;
    const bool post = request.method == "POST";
    const bool get = request.method == "GET";

    if (path == "authentication/singleLogin")
        return post ? singleLogin(request) : message(405, "Method not allowed.");
    if (path == "authentication/generateOtp")
        return post ? generateOneTimeCode(request) : message(405, "Method not allowed.");
    if (path == "authentication/password/recovery")
        return post ? passwordRecovery(request) : message(405, "Method not allowed.");
    if (path == "authentication/refresh")
        return post ? refresh(request) : message(405, "Method not allowed.");

    const bool knownPath = path == "authentication/logout" ||
                           path == "hr/zuvevivezid/employees/config" ||
                           path == "hr/zuvevivezid/reporting/screenshots/employees" ||
                           path.rfind(trackingPrefix, 0) == 0;
    if (!knownPath)
        return message(404, "Not found.");

    const auto account = accountOf(request.authorization);
    if (!account)
        return unauthenticated();

    if (path == "authentication/logout")
        return post ? logout(request, *account) : message(405, "Method not allowed.");
    if (path == "hr/zuvevivezid/employees/config")
        return get ? configuration(request, *account) : message(405, "Method not allowed.");
    if (path == "hr/zuvevivezid/reporting/screenshots/employees")
        return get ? screenshotReport(request, *account) : message(405, "Method not allowed.");

    const std::string tracking = path.substr(std::string(trackingPrefix).size());
    if (!post)
        return message(405, "Method not allowed.");
    if (tracking == "sessions/start")
        return startSession(request, *account);
    if (tracking == "sessions/heartbeat")
        return heartbeat(request, *account);
    if (tracking == "segments/batch")
        return segmentBatch(request, *account);
    static const std::string sessions = "sessions/";
    static const std::string screenshotsSuffix = "/screenshots";
    if (tracking.rfind(sessions, 0) == 0 &&
        tracking.size() > sessions.size() + screenshotsSuffix.size() &&
        tracking.compare(tracking.size() - screenshotsSuffix.size(), screenshotsSuffix.size(),
                         screenshotsSuffix) == 0) {
        return screenshots(request,
                           tracking.substr(sessions.size(), tracking.size() - sessions.size() -
                                                                screenshotsSuffix.size()));
    }
    return message(404, "Not found.");
}

HrService::Answer HrService::singleLogin(const Request &request)
{
    const Json body = parseObject(request.body);
    const std::string bad = firstBadKey(body, {"email", "password"}, {"remember_me", "use_jwt"});
    if (!bad.empty())
        return invalid(bad, "The " + bad + " field is required.");
    if (body.contains("is_otp") && !hasInteger(body, "is_otp"))
        return invalid("is_otp", "The is_otp field must be an integer.");

    const DemoDirectory::Account *account =
        m_directory.account(body.at("email").get<std::string>());
    const std::string password = body.at("password").get<std::string>();
    const bool verifyingCode = body.value("is_otp", 0) == 1;
    if (account == nullptr)
        return message(401, "These credentials do not match our records.");

    if (verifyingCode) {
        const std::lock_guard lock(m_mutex);
        if (!account->oneTimeCodeRequired || password != m_oneTimeCode)
            return message(401, "The one-time code is invalid.");
    } else {
        if (password != account->password)
            return message(401, "These credentials do not match our records.");
        if (account->oneTimeCodeRequired) {
            return jsonAnswer(
                200, {{"data", {{"otp_required", 1}, {"user", m_directory.loginUser(*account)}}}});
        }
    }

    const TokenRegistry::Issued issued = m_tokens.issue(account->email);
    Json data = {{"otp_required", 0},
                 {"user", m_directory.loginUser(*account)},
                 {"data", tokenObject(issued)},
                 {"companies", m_directory.companyList(*account)}};
    if (!account->choosesCompany)
        data["init"] = {{"endpoint", m_directory.companies()[account->companies.front()].endpoint}};
    return jsonAnswer(200, {{"data", data}});
}

HrService::Answer HrService::generateOneTimeCode(const Request &request)
{
    const std::string bad = firstBadKey(parseObject(request.body), {"email", "via"});
    if (!bad.empty())
        return invalid(bad, "The " + bad + " field is required.");
    return jsonAnswer(200, {{"success", true}, {"message", "A new code is on its way."}});
}

HrService::Answer HrService::passwordRecovery(const Request &request)
{
    const std::string bad = firstBadKey(parseObject(request.body), {"email"}, {"mobile"});
    if (!bad.empty())
        return invalid(bad, "The " + bad + " field is required.");
    return jsonAnswer(200, {{"success", true},
                            {"message", "If the address is known, a recovery e-mail is sent."}});
}

HrService::Answer HrService::refresh(const Request &request)
{
    const Json body = parseObject(request.body);
    const std::string bad = firstBadKey(body, {"refresh_token"});
    if (!bad.empty())
        return invalid(bad, "The refresh_token field is required.");
    {
        const std::lock_guard lock(m_mutex);
        if (m_refreshRefused)
            return message(401, "The refresh token is invalid.");
    }
    const auto issued = m_tokens.refresh(body.at("refresh_token").get<std::string>());
    if (!issued)
        return message(401, "The refresh token is invalid.");
    return jsonAnswer(200, {{"data", tokenObject(*issued)}});
}

HrService::Answer HrService::logout(const Request &request, const std::string &)
{
    const Json body = parseObject(request.body);
    if (!hasString(body, "refresh_token"))
        return invalid("refresh_token", "The refresh_token field is required.");
    m_tokens.revoke(body.at("refresh_token").get<std::string>());
    return jsonAnswer(200, {{"success", true}});
}

HrService::Answer HrService::configuration(const Request &request, const std::string &account)
{
    const DemoDirectory::Account *known = m_directory.account(account);
    if (known == nullptr)
        return unauthenticated();
    Json config = m_directory.configuration(
        *known, m_directory.companyFor(*known, request.host, request.pathPrefix));

    const std::lock_guard lock(m_mutex);
    const Json total = todayTotalLocked(account);
    config["today_total_seconds"] = total.at("today_total_seconds");
    config["today_date"] = total.at("today_date");
    for (const auto &[key, value] : m_configurationOverrides.items()) {
        if (key == "today_total_seconds")
            continue; // already the base of the total above
        if (value.is_null())
            config.erase(key);
        else
            config[key] = value;
    }
    return jsonAnswer(200, {{"data", config}});
}

HrService::Answer HrService::screenshotReport(const Request &request, const std::string &account)
{
    const auto date = request.query.find("date");
    if (date == request.query.end() || !isDayText(date->second))
        return invalid("date", "The date must be a day written yyyy-MM-dd.");
    const QDate day =
        QDate::fromString(QString::fromStdString(date->second), QStringLiteral("yyyy-MM-dd"));
    const std::lock_guard lock(m_mutex);
    const QTimeZone zone(QByteArray::fromStdString(apiTimeZoneLocked()));
    const QTimeZone apiZone = zone.isValid() ? zone : QTimeZone::utc();
    if (auto tracked = trackedDayReportLocked(account, day, apiZone, request.host))
        return jsonAnswer(200, {{"data", std::move(*tracked)}});
    // A day without uploads shows the demo's synthetic one.
    const QDate today = QDateTime::currentDateTimeUtc().toTimeZone(apiZone).date();
    return jsonAnswer(200, {{"data", DemoDirectory::screenshotReport(day, today, request.host)}});
}

std::optional<Json> HrService::trackedDayReportLocked(const std::string &account, const QDate &day,
                                                      const QTimeZone &zone,
                                                      const std::string &host) const
{
    static constexpr double secondsPerPercent = 6.0; // of a ten-minute segment
    const std::string dayText = day.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    ScreenshotReportBuilder report;
    bool anything = false;
    for (const auto &[key, segment] : m_segments) {
        if (std::get<0>(key) != account || std::get<1>(key) != dayText)
            continue;
        ReportTotals figures;
        figures.seconds =
            std::llround(segment.at("non_idle_percent").get<double>() * secondsPerPercent);
        figures.mouse = segment.at("mouse_movements").get<long long>();
        figures.keys = segment.at("key_press_count").get<long long>();
        figures.rateSum = segment.at("activity_rate").get<double>();
        figures.count = 1;
        report.addSegment(static_cast<int>(std::get<2>(key)), figures, Json::array());
        anything = true;
    }
    const std::string media = "https://" + host + "/media/uploads/";
    for (const UploadedScreenshots::Shot *shot : m_screenshots.takenOn(account, day, zone)) {
        const QTime time = shot->capturedAt.toTimeZone(zone).time();
        const int minute = time.hour() * 60 + time.minute();
        const std::string stem = media + std::to_string(shot->id);
        report.addSegment(
            minute / 10, {},
            Json::array({{{"url", stem + ".jpg"},
                          {"url_available", true},
                          {"thumbnail_url", stem + "-thumb.jpg"},
                          {"thumbnail_url_available", true},
                          {"captured_at", ScreenshotReportBuilder::clockText(minute)}}}));
        anything = true;
    }
    if (!anything)
        return std::nullopt;
    return report.result();
}

HrService::Answer HrService::startSession(const Request &request, const std::string &account)
{
    const Json body = parseObject(request.body);
    const std::string bad =
        firstBadKey(body, {"device_uuid", "session_uuid", "started_at", "task_id"});
    if (!bad.empty())
        return invalid(bad, "The " + bad + " field is required.");
    const std::string id = canonicalSession(body.at("session_uuid").get<std::string>());
    if (id.empty())
        return invalid("session_uuid", "The session_uuid must be a UUID.");
    if (!isInternetTime(body.at("started_at").get<std::string>()))
        return invalid("started_at", "The started_at must be an ISO 8601 time with an offset.");

    const std::lock_guard lock(m_mutex);
    // A start sent again (after a lost answer or a crash) is the same session: accept it.
    if (m_sessions.find(id) == m_sessions.end()) {
        Session session;
        session.account = account;
        session.deviceId = body.at("device_uuid").get<std::string>();
        session.taskId = body.at("task_id").get<std::string>();
        session.startedAt = body.at("started_at").get<std::string>();
        m_sessions.emplace(id, std::move(session));
    }
    return jsonAnswer(200, {{"success", true}, {"data", todayTotalLocked(account)}});
}

HrService::Answer HrService::heartbeat(const Request &request, const std::string &account)
{
    const Json body = parseObject(request.body);
    const std::string bad = heartbeatProblem(body);
    if (!bad.empty())
        return invalid(bad, "The " + bad + " field is missing or invalid.");
    const std::string id = canonicalSession(body.at("session_uuid").get<std::string>());

    const std::lock_guard lock(m_mutex);
    const auto found = m_sessions.find(id);
    if (found == m_sessions.end())
        return message(404, "Session not found.");
    Session &session = found->second;
    if (m_takenOver.count(id) > 0 || session.deviceId != body.at("device_uuid").get<std::string>())
        return message(409, "The session continues on another device.");
    session.totalSeconds = body.at("total_seconds").get<long long>();
    session.status = body.at("status").get<std::string>();
    session.lastHeartbeat = body;
    ++session.heartbeats;
    Json data = todayTotalLocked(account);
    data["ok"] = true;
    return jsonAnswer(200, {{"success", true}, {"data", data}});
}

HrService::Answer HrService::segmentBatch(const Request &request, const std::string &account)
{
    const Json body = parseObject(request.body);
    const std::string bad = firstBadKey(body, {"device_uuid"});
    if (!bad.empty())
        return invalid(bad, "The device_uuid field is required.");
    if (!body.contains("segments") || !body.at("segments").is_array())
        return invalid("segments", "The segments field must be an array.");

    Json accepted = Json::array();
    Json rejected = Json::array();
    const std::lock_guard lock(m_mutex);
    const Json &segments = body.at("segments");
    for (size_t index = 0; index < segments.size(); ++index) {
        const Json &segment = segments.at(index);
        const std::string problem = segmentProblem(segment);
        if (!problem.empty()) {
            rejected.push_back({{"index", index}, {"reason", problem}});
            continue;
        }
        Json stored = segment;
        stored["device_uuid"] = body.at("device_uuid");
        stored["account"] = account;
        m_segments[{account, segment.at("segment_date").get<std::string>(),
                    segment.at("segment_number").get<long long>()}] = stored;
        accepted.push_back(index);
    }
    Json data = todayTotalLocked(account);
    data["accepted"] = accepted;
    data["rejected"] = rejected;
    return jsonAnswer(200, {{"success", true}, {"data", data}});
}

HrService::Answer HrService::screenshots(const Request &request, const std::string &sessionId)
{
    const std::string id = canonicalSession(sessionId);
    std::vector<const FilePart *> files;
    for (const FilePart &part : request.files) {
        if (part.content.size() > maximumScreenshotBytes)
            return message(413, "The screenshot is too large.");
        if (part.name == "screenshots[]" && !part.fileName.empty())
            files.push_back(&part);
    }
    const std::lock_guard lock(m_mutex);
    const auto found = m_sessions.find(id);
    if (id.empty() || found == m_sessions.end())
        return message(404, "Session not found.");
    if (files.empty())
        return invalid("screenshots", "At least one file is required under screenshots[].");
    found->second.screenshots += static_cast<int>(files.size());
    for (const FilePart *file : files) {
        // A file whose name carries no capture moment is counted but has no place in a report.
        if (const auto moment = UploadedScreenshots::captureMoment(file->fileName))
            m_screenshots.add(found->second.account, *moment, file->content);
    }
    return jsonAnswer(200, {{"success", true}, {"data", {{"stored", files.size()}}}});
}

Json HrService::tokenObject(const TokenRegistry::Issued &issued) const
{
    return {{"access_token", issued.accessToken},
            {"refresh_token", issued.refreshToken},
            {"token_type", "Bearer"},
            {"expires_at", TokenRegistry::isoText(issued.accessExpiresAt)},
            {"refresh_expires_at", TokenRegistry::isoText(issued.refreshExpiresAt)}};
}

Json HrService::todayTotalLocked(const std::string &account) const
{
    long long total = 0;
    const auto base = m_configurationOverrides.find("today_total_seconds");
    if (base != m_configurationOverrides.end() && base->is_number_integer())
        total = base->get<long long>();
    for (const auto &[id, session] : m_sessions) {
        if (session.account == account)
            total += session.totalSeconds;
    }
    const QTimeZone zone(QByteArray::fromStdString(apiTimeZoneLocked()));
    const QDate today =
        QDateTime::currentDateTimeUtc().toTimeZone(zone.isValid() ? zone : QTimeZone::utc()).date();
    return {{"today_total_seconds", total},
            {"today_date", today.toString(QStringLiteral("yyyy-MM-dd")).toStdString()}};
}

std::string HrService::apiTimeZoneLocked() const
{
    const auto zone = m_configurationOverrides.find("app_timezone");
    return zone != m_configurationOverrides.end() && zone->is_string() ? zone->get<std::string>()
                                                                       : defaultTimeZone;
}

void HrService::setOneTimeCode(std::string code)
{
    const std::lock_guard lock(m_mutex);
    m_oneTimeCode = std::move(code);
}

void HrService::setRefreshRefused(bool refused)
{
    const std::lock_guard lock(m_mutex);
    m_refreshRefused = refused;
}

void HrService::markSessionTakenOver(const std::string &sessionId)
{
    const std::lock_guard lock(m_mutex);
    m_takenOver.insert(canonicalSession(sessionId));
}

void HrService::mergeConfiguration(const Json &fields)
{
    const std::lock_guard lock(m_mutex);
    for (const auto &[key, value] : fields.items())
        m_configurationOverrides[key] = value;
}

void HrService::reset()
{
    m_tokens.clear();
    const std::lock_guard lock(m_mutex);
    m_oneTimeCode = defaultOneTimeCode;
    m_refreshRefused = false;
    m_configurationOverrides = Json::object();
    m_sessions.clear();
    m_takenOver.clear();
    m_segments.clear();
    m_screenshots.clear();
}

std::optional<std::string> HrService::uploadedImage(size_t id) const
{
    const std::lock_guard lock(m_mutex);
    const UploadedScreenshots::Shot *shot = m_screenshots.find(id);
    if (!shot)
        return std::nullopt;
    return shot->image;
}

Json HrService::sessionsJson() const
{
    const std::lock_guard lock(m_mutex);
    Json list = Json::array();
    for (const auto &[id, session] : m_sessions) {
        list.push_back({{"session_uuid", id},
                        {"account", session.account},
                        {"device_uuid", session.deviceId},
                        {"task_id", session.taskId},
                        {"started_at", session.startedAt},
                        {"status", session.status},
                        {"total_seconds", session.totalSeconds},
                        {"heartbeats", session.heartbeats},
                        {"screenshots", session.screenshots},
                        {"taken_over", m_takenOver.count(id) > 0},
                        {"last_heartbeat", session.lastHeartbeat}});
    }
    return list;
}

Json HrService::segmentsJson() const
{
    const std::lock_guard lock(m_mutex);
    Json list = Json::array();
    for (const auto &[key, segment] : m_segments)
        list.push_back(segment);
    return list;
}
