#include "upload/UploadTestRig.h"

#include "foundation/UuidText.h"

#include <QCoroNetworkReply>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>

std::optional<AuthTokens> signInToStandIn(const StandInService &standIn, const QString &email)
{
    QNetworkAccessManager network;
    QNetworkRequest request(
        standIn.baseUrl().resolved(QUrl(QStringLiteral("authentication/singleLogin"))));
    request.setSslConfiguration(standIn.sslConfiguration());
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    const QJsonObject body{{QStringLiteral("email"), email},
                           {QStringLiteral("password"), StandInService::demoPassword()},
                           {QStringLiteral("remember_me"), 1},
                           {QStringLiteral("use_jwt"), 1}};
    std::unique_ptr<QNetworkReply> reply(
        network.post(request, QJsonDocument(body).toJson(QJsonDocument::Compact)));
    if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 10000))
        return std::nullopt;
    const QByteArray answer = reply->readAll();
    if (reply->error() != QNetworkReply::NoError)
        qWarning() << "sign-in to the stand-in failed:" << reply->errorString() << answer;
    const QJsonObject data = QJsonDocument::fromJson(answer)
                                 .object()
                                 .value(QStringLiteral("data"))
                                 .toObject()
                                 .value(QStringLiteral("data"))
                                 .toObject();
    AuthTokens tokens;
    tokens.accessToken = data.value(QStringLiteral("access_token")).toString();
    tokens.refreshToken = data.value(QStringLiteral("refresh_token")).toString();
    if (tokens.accessToken.isEmpty())
        return std::nullopt;
    return tokens;
}

QCoro::Task<std::optional<AuthTokens>> CountingRefresher::handleUnauthorized()
{
    ++m_calls;
    auto tokens = signInToStandIn(m_standIn);
    if (tokens)
        m_tokens.saveAuthTokens(*tokens);
    co_return tokens;
}

UploadTestRig::UploadTestRig(const StandInService &standIn)
{
    refresher = std::make_unique<CountingRefresher>(standIn, tokens);
    store = std::make_unique<SQLiteStore>(
        folder.filePath(QStringLiteral("zuvevivezid.sqlite")),
        [this] { return domainStorage.partitionKey(); }, clock);
    http = std::make_unique<UploadHttpClient>(
        endpoints, tokens, refresher.get(),
        TlsConfiguration::withExtraCertificates(standIn.caCertificatePath()));
    service = std::make_unique<UploadService>(
        UploadService::Dependencies{*store, *http, retry, settings, deviceIds, clock, random,
                                    [this] { return domainStorage.partitionKey(); },
                                    folder.filePath(QStringLiteral("captures")), nullptr});
}

QString UploadTestRig::capturesFolder() const
{
    return folder.filePath(QStringLiteral("captures/") + domainStorage.partitionKey());
}

QString UploadTestRig::writeCapture(const QUuid &sessionId, const QString &token, int display) const
{
    QDir().mkpath(capturesFolder());
    const QString path = capturesFolder() + QLatin1Char('/') + UuidText::format(sessionId) +
                         QLatin1Char('_') + token + QLatin1Char('_') + QString::number(display) +
                         QStringLiteral(".jpg");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("\xff\xd8\xff\xe0 not really a picture");
    return path;
}

void UploadTestRig::runPass()
{
    QCoro::waitFor(service->processQueue());
}

QList<UploadTask> UploadTestRig::queuedTasks()
{
    // Far in the future: every task is due. Tasks come out in queue order, and are put back.
    QList<UploadTask> tasks;
    const Timestamp farFuture = clock.now().addingSeconds(365.0 * 86400);
    while (const auto task = store->nextUploadTask(farFuture)) {
        tasks.append(*task);
        store->markUploadTaskInProgress(task->id);
    }
    store->resetStaleInProgressTasks();
    return tasks;
}
