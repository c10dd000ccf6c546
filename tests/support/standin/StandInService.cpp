#include "StandInService.h"

#include "StandInControlChannel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QUrlQuery>
#include <QtDebug>

namespace {

QString programPath()
{
    const QByteArray overridden = qgetenv("ZUV_STANDIN_PROGRAM");
    return overridden.isEmpty() ? QStringLiteral(ZUV_STANDIN_PROGRAM)
                                : QString::fromLocal8Bit(overridden);
}

StandInReceivedRequest requestFromJson(const QJsonObject &object)
{
    StandInReceivedRequest request;
    request.sequence = object.value(QStringLiteral("sequence")).toInteger();
    request.method = object.value(QStringLiteral("method")).toString();
    request.path = object.value(QStringLiteral("path")).toString();
    request.query = object.value(QStringLiteral("query")).toString();
    request.pathPrefix = object.value(QStringLiteral("pathPrefix")).toString();
    request.host = object.value(QStringLiteral("host")).toString();
    request.account = object.value(QStringLiteral("account")).toString();
    const QJsonObject headers = object.value(QStringLiteral("headers")).toObject();
    for (auto it = headers.begin(); it != headers.end(); ++it)
        request.headers.insert(it.key().toLower(), it.value().toString());
    request.body =
        QByteArray::fromBase64(object.value(QStringLiteral("bodyBase64")).toString().toLatin1());
    for (const QJsonValue &value : object.value(QStringLiteral("parts")).toArray()) {
        const QJsonObject part = value.toObject();
        request.parts.append({part.value(QStringLiteral("name")).toString(),
                              part.value(QStringLiteral("fileName")).toString(),
                              part.value(QStringLiteral("contentType")).toString(),
                              part.value(QStringLiteral("size")).toInteger()});
    }
    request.status = object.value(QStringLiteral("status")).toInt();
    request.dropped = object.value(QStringLiteral("dropped")).toBool();
    request.receivedAt = object.value(QStringLiteral("receivedAt")).toDouble();
    return request;
}

} // namespace

QJsonValue StandInReceivedRequest::json() const
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return QJsonValue();
    return document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
}

QString StandInService::demoEmail()
{
    return QStringLiteral("demo@zuvevivezid.test");
}

QString StandInService::colleagueEmail()
{
    return QStringLiteral("colleague@zuvevivezid.test");
}

QString StandInService::otpEmail()
{
    return QStringLiteral("otp@zuvevivezid.test");
}

QString StandInService::multiCompanyEmail()
{
    return QStringLiteral("multi@zuvevivezid.test");
}

QString StandInService::teamEmail()
{
    return QStringLiteral("team@zuvevivezid.test");
}

QString StandInService::demoPassword()
{
    return QStringLiteral("demo-password");
}

QString StandInService::defaultOtpCode()
{
    return QStringLiteral("123456");
}

StandInService::StandInService(QObject *parent)
    : QObject(parent)
{}

StandInService::~StandInService()
{
    stop();
}

bool StandInService::start(int timeoutMs)
{
    stop();
    m_error.clear();
    m_folder = std::make_unique<QTemporaryDir>();
    if (!m_folder->isValid()) {
        m_error = QStringLiteral("no temporary folder: ") + m_folder->errorString();
        return false;
    }

    m_process = new QProcess(this);
    m_process->setProgram(programPath());
    QStringList arguments{QStringLiteral("--cert-dir"), m_folder->path(),
                          QStringLiteral("--exit-with-parent")};
    // Set ZUV_STANDIN_VERBOSE=1 to see every request the service receives on stderr.
    if (qEnvironmentVariableIntValue("ZUV_STANDIN_VERBOSE") == 1)
        arguments.append(QStringLiteral("--verbose"));
    m_process->setArguments(arguments);
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->start();
    if (!m_process->waitForStarted(timeoutMs)) {
        m_error =
            QStringLiteral("cannot start %1: %2").arg(programPath(), m_process->errorString());
        stop();
        return false;
    }

    static const QRegularExpression listening(
        QStringLiteral(R"(^listening on https://127\.0\.0\.1:(\d+)/api/v1/\s*$)"));
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (!m_process->canReadLine() &&
            !m_process->waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            if (m_process->state() != QProcess::Running)
                break;
            continue;
        }
        while (m_process->canReadLine()) {
            const QString line = QString::fromUtf8(m_process->readLine());
            const QRegularExpressionMatch match = listening.match(line);
            if (match.hasMatch()) {
                m_port = match.captured(1).toUShort();
                m_channel = std::make_unique<StandInControlChannel>(sslConfiguration());
                return true;
            }
        }
    }
    m_error = m_process->state() == QProcess::Running
                  ? QStringLiteral("the stand-in did not report listening in time")
                  : QStringLiteral("the stand-in ended before listening (exit code %1)")
                        .arg(m_process->exitCode());
    stop();
    return false;
}

void StandInService::stop()
{
    m_channel.reset();
    if (m_process != nullptr) {
        if (m_process->state() != QProcess::NotRunning) {
            m_process->terminate();
            if (!m_process->waitForFinished(5000)) {
                m_process->kill();
                m_process->waitForFinished(2000);
            }
        }
        delete m_process;
        m_process = nullptr;
    }
    m_port = 0;
}

bool StandInService::isRunning() const
{
    return m_process != nullptr && m_process->state() == QProcess::Running && m_port != 0;
}

QString StandInService::errorString() const
{
    return m_error;
}

QUrl StandInService::baseUrl() const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1/api/v1/").arg(m_port));
}

quint16 StandInService::port() const
{
    return m_port;
}

QStringList StandInService::companyEndpoints() const
{
    return {QStringLiteral("127.0.0.1:%1").arg(m_port), QStringLiteral("localhost:%1").arg(m_port),
            QStringLiteral("https://localhost:%1/north").arg(m_port)};
}

QString StandInService::caCertificatePath() const
{
    return m_folder ? m_folder->filePath(QStringLiteral("ca.pem")) : QString();
}

QList<QSslCertificate> StandInService::caCertificates() const
{
    return QSslCertificate::fromPath(caCertificatePath(), QSsl::Pem);
}

QSslConfiguration StandInService::sslConfiguration() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(caCertificates());
    return configuration;
}

std::optional<QJsonValue> StandInService::control(const QByteArray &method, const QString &path,
                                                  const QJsonObject &body) const
{
    if (!m_channel) {
        qWarning() << "stand-in control call while the service is not running:" << path;
        return std::nullopt;
    }
    const QUrl url(QStringLiteral("https://127.0.0.1:%1/__control/%2").arg(m_port).arg(path));
    const QByteArray payload =
        method == "GET" ? QByteArray() : QJsonDocument(body).toJson(QJsonDocument::Compact);
    const StandInControlChannel::Answer answer = m_channel->call(method, url, payload);
    if (answer.status != 200) {
        qWarning() << "stand-in control call" << method << path << "failed:" << answer.status
                   << answer.error << answer.body;
        return std::nullopt;
    }
    return QJsonDocument::fromJson(answer.body).object();
}

bool StandInService::addRule(QJsonObject rule)
{
    return control("POST", QStringLiteral("rules"), rule).has_value();
}

bool StandInService::setResponse(const QString &method, const QString &path, int status,
                                 const QJsonValue &body, int times)
{
    QJsonObject rule{{QStringLiteral("method"), method},
                     {QStringLiteral("path"), path},
                     {QStringLiteral("action"), QStringLiteral("respond")},
                     {QStringLiteral("status"), status},
                     {QStringLiteral("times"), times}};
    if (body.isNull() || body.isUndefined())
        rule.insert(QStringLiteral("bodyText"), QString());
    else
        rule.insert(QStringLiteral("body"), body);
    return addRule(rule);
}

bool StandInService::setRawResponse(const QString &method, const QString &path, int status,
                                    const QByteArray &body, const QByteArray &contentType,
                                    int times)
{
    return addRule({{QStringLiteral("method"), method},
                    {QStringLiteral("path"), path},
                    {QStringLiteral("action"), QStringLiteral("respond")},
                    {QStringLiteral("status"), status},
                    {QStringLiteral("bodyText"), QString::fromUtf8(body)},
                    {QStringLiteral("contentType"), QString::fromUtf8(contentType)},
                    {QStringLiteral("times"), times}});
}

bool StandInService::setRedirect(const QString &method, const QString &path, int status,
                                 const QUrl &location, int times)
{
    return addRule({{QStringLiteral("method"), method},
                    {QStringLiteral("path"), path},
                    {QStringLiteral("action"), QStringLiteral("respond")},
                    {QStringLiteral("status"), status},
                    {QStringLiteral("location"), location.toString(QUrl::FullyEncoded)},
                    {QStringLiteral("times"), times}});
}

bool StandInService::setMalformedResponse(const QString &method, const QString &path, int times)
{
    return addRule({{QStringLiteral("method"), method},
                    {QStringLiteral("path"), path},
                    {QStringLiteral("action"), QStringLiteral("malformed")},
                    {QStringLiteral("times"), times}});
}

bool StandInService::setHugeResponse(const QString &method, const QString &path, qint64 bodyBytes,
                                     int times)
{
    return addRule({{QStringLiteral("method"), method},
                    {QStringLiteral("path"), path},
                    {QStringLiteral("action"), QStringLiteral("huge")},
                    {QStringLiteral("bodyBytes"), bodyBytes},
                    {QStringLiteral("times"), times}});
}

bool StandInService::setTrickledResponse(const QString &method, const QString &path, int intervalMs,
                                         int times)
{
    return addRule({{QStringLiteral("method"), method},
                    {QStringLiteral("path"), path},
                    {QStringLiteral("action"), QStringLiteral("trickle")},
                    {QStringLiteral("intervalMs"), intervalMs},
                    {QStringLiteral("times"), times}});
}

bool StandInService::setDelay(const QString &method, const QString &path, int delayMs, int times)
{
    return addRule({{QStringLiteral("method"), method},
                    {QStringLiteral("path"), path},
                    {QStringLiteral("action"), QStringLiteral("delay")},
                    {QStringLiteral("delayMs"), delayMs},
                    {QStringLiteral("times"), times}});
}

bool StandInService::dropNextConnection(const QString &method, const QString &path, int times)
{
    return addRule({{QStringLiteral("method"), method},
                    {QStringLiteral("path"), path},
                    {QStringLiteral("action"), QStringLiteral("drop")},
                    {QStringLiteral("times"), times}});
}

bool StandInService::clearResponses()
{
    return control("DELETE", QStringLiteral("rules")).has_value();
}

bool StandInService::setOtpCode(const QString &code)
{
    return control("POST", QStringLiteral("otp"), {{QStringLiteral("code"), code}}).has_value();
}

bool StandInService::refuseRefresh(bool refuse)
{
    return control("POST", QStringLiteral("refresh"), {{QStringLiteral("refuse"), refuse}})
        .has_value();
}

bool StandInService::rejectAccessTokensUntilRefresh()
{
    return control("POST", QStringLiteral("tokens"), {{QStringLiteral("revokeAccess"), true}})
        .has_value();
}

bool StandInService::setAccessTokenLifetime(int seconds)
{
    return control("POST", QStringLiteral("tokens"),
                   {{QStringLiteral("accessLifetimeSeconds"), seconds}})
        .has_value();
}

bool StandInService::markSessionTakenOver(const QUuid &sessionId)
{
    return control("POST", QStringLiteral("takeover"),
                   {{QStringLiteral("session_uuid"), sessionId.toString(QUuid::WithoutBraces)}})
        .has_value();
}

bool StandInService::mergeConfiguration(const QJsonObject &fields)
{
    return control("POST", QStringLiteral("config"), fields).has_value();
}

bool StandInService::reset()
{
    return control("POST", QStringLiteral("reset")).has_value();
}

QList<StandInReceivedRequest> StandInService::receivedRequests() const
{
    return receivedRequests(QString(), QString());
}

QList<StandInReceivedRequest> StandInService::receivedRequests(const QString &method,
                                                               const QString &path) const
{
    QList<StandInReceivedRequest> requests;
    const auto answer = control("GET", recordQuery(method, path, false));
    if (!answer)
        return requests;
    for (const QJsonValue &value : answer->toObject().value(QStringLiteral("requests")).toArray())
        requests.append(requestFromJson(value.toObject()));
    return requests;
}

QString StandInService::recordQuery(const QString &method, const QString &path, bool countOnly)
{
    QUrlQuery query;
    if (!method.isEmpty())
        query.addQueryItem(QStringLiteral("method"), method);
    if (!path.isEmpty())
        query.addQueryItem(QStringLiteral("path"),
                           QString::fromLatin1(QUrl::toPercentEncoding(path)));
    if (countOnly)
        query.addQueryItem(QStringLiteral("countOnly"), QStringLiteral("1"));
    return query.isEmpty() ? QStringLiteral("requests")
                           : QStringLiteral("requests?") + query.toString(QUrl::FullyEncoded);
}

bool StandInService::clearReceivedRequests()
{
    return control("DELETE", QStringLiteral("requests")).has_value();
}

bool StandInService::waitForRequests(const QString &method, const QString &path, int count,
                                     int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        const auto answer = control("GET", recordQuery(method, path, true));
        if (answer && answer->toObject().value(QStringLiteral("count")).toInt() >= count)
            return true;
        if (deadline.hasExpired())
            return false;
        // The client under test may need the caller's event loop to send what is awaited.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

QJsonArray StandInService::sessions() const
{
    const auto answer = control("GET", QStringLiteral("sessions"));
    return answer ? answer->toObject().value(QStringLiteral("sessions")).toArray() : QJsonArray();
}

QJsonArray StandInService::segments() const
{
    const auto answer = control("GET", QStringLiteral("segments"));
    return answer ? answer->toObject().value(QStringLiteral("segments")).toArray() : QJsonArray();
}
