#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QUuid>

#include <memory>
#include <optional>

class QProcess;
class StandInControlChannel;

// One part of a multipart request as the stand-in received it.
struct StandInReceivedPart
{
    QString name;
    QString fileName;
    QString contentType;
    qint64 size = 0;
};

// One request the stand-in received on the API (control calls are not recorded).
struct StandInReceivedRequest
{
    qint64 sequence = 0;
    QString method;
    // Relative to the API base, without a leading "/" and without the query, e.g.
    // "hr/zuvevivezid/employees/sessions/heartbeat".
    QString path;
    QString query;                   // the raw query without "?", e.g. "date=2026-03-05"
    QString pathPrefix;              // whatever stood before "/api/v1/", e.g. "/north"
    QString host;                    // the Host header
    QString account;                 // whose valid access token it carried; empty: none
    QHash<QString, QString> headers; // names in lower case
    QByteArray body;                 // empty for multipart requests, see parts
    QList<StandInReceivedPart> parts;
    int status = 0; // the status answered; 0 while pending or when dropped
    bool dropped = false;
    double receivedAt = 0; // seconds since 1970

    QString header(const QString &name) const { return headers.value(name.toLower()); }
    // The body parsed as JSON; a null value when it is not JSON.
    QJsonValue json() const;
};

// Starts the stand-in HR service (the zuv-standin-hr program) for one test and scripts it.
//
// The program runs as a child process on a free port of 127.0.0.1 with a certificate authority
// made for this run; nothing trusts that authority unless told to (sslConfiguration() or
// caCertificatePath()). Every scripting call below is synchronous: it returns once the service
// has applied it, and it never runs the caller's event loop (it talks to the service from a
// thread of its own), so it cannot re-enter the code under test.
//
// Paths given to the scripting calls are relative to the API base, without a leading "/" and
// without the query, e.g. "authentication/refresh". A "*" stands for exactly one path segment
// ("hr/zuvevivezid/employees/sessions/*/screenshots"). An empty method matches every method.
class StandInService : public QObject
{
    Q_OBJECT

public:
    // For a scripted behaviour: how many matching requests it applies to.
    static constexpr int UntilCleared = 0;

    // Demo accounts of the service (see tools/standin/README.md).
    static QString demoEmail();         // signs in directly, one company
    static QString colleagueEmail();    // as demoEmail(), another employee of its company
    static QString otpEmail();          // must enter the one-time code
    static QString multiCompanyEmail(); // belongs to three companies, must pick one
    static QString teamEmail();         // the one-time code, then a pick of two companies
    static QString demoPassword();      // the password of every demo account
    static QString defaultOtpCode();    // the one-time code until setOtpCode()

    explicit StandInService(QObject *parent = nullptr);
    ~StandInService() override; // stops the program

    // Starts the program and waits for it to listen (at most timeoutMs). False on failure, with
    // the reason in errorString().
    bool start(int timeoutMs = 15000);
    void stop();
    bool isRunning() const;
    QString errorString() const;

    // "https://127.0.0.1:PORT/api/v1/"
    QUrl baseUrl() const;
    quint16 port() const;
    // Company endpoints exactly as the sign-in answer names them, in the answer's order.
    QStringList companyEndpoints() const;
    QString caCertificatePath() const;
    QList<QSslCertificate> caCertificates() const;
    // The default configuration with this run's authority added to the trusted ones.
    QSslConfiguration sslConfiguration() const;

    // --- Scripting. Each returns false (and warns) when the service did not accept it. ---

    // Answers matching requests with this status and JSON body instead of the normal answer; a
    // null body answers with an empty body.
    bool setResponse(const QString &method, const QString &path, int status,
                     const QJsonValue &body = QJsonValue(), int times = 1);
    // The same with a raw body (e.g. text that is not JSON).
    bool setRawResponse(const QString &method, const QString &path, int status,
                        const QByteArray &body,
                        const QByteArray &contentType = QByteArrayLiteral("application/json"),
                        int times = 1);
    // Answers matching requests with a redirect (a 3xx status) to location.
    bool setRedirect(const QString &method, const QString &path, int status, const QUrl &location,
                     int times = 1);
    // Answers 200 with a body that is cut off in the middle of a JSON object.
    bool setMalformedResponse(const QString &method, const QString &path, int times = 1);
    // Answers 200 with a JSON text of bodyBytes bytes, chunked, announcing no length.
    bool setHugeResponse(const QString &method, const QString &path, qint64 bodyBytes,
                         int times = 1);
    // Answers normally, but sends the body one byte every intervalMs.
    bool setTrickledResponse(const QString &method, const QString &path, int intervalMs,
                             int times = 1);
    // Holds matching requests for delayMs before handling them normally.
    bool setDelay(const QString &method, const QString &path, int delayMs, int times = 1);
    // Closes the connection of matching requests without any answer. Qt's HTTP stack quietly
    // sends a request again (three more times, as seen with Qt 6.4) when its connection closes
    // before any answer byte, so a Qt client sees the failure only when every attempt is
    // dropped: use UntilCleared for that, and clearResponses() to end it. Each attempt is
    // recorded with dropped set.
    bool dropNextConnection(const QString &method, const QString &path, int times = 1);
    // Removes every scripted answer, delay and drop.
    bool clearResponses();

    bool setOtpCode(const QString &code);
    // While set, "authentication/refresh" answers 401 and issues nothing.
    bool refuseRefresh(bool refuse = true);
    // Every access token issued so far stops working: authorised requests answer 401 until the
    // client refreshes.
    bool rejectAccessTokensUntilRefresh();
    // Lifetime of access tokens issued from now on (the default is one hour).
    bool setAccessTokenLifetime(int seconds);
    // Heartbeats of this session answer 409 from now on.
    bool markSessionTakenOver(const QUuid &sessionId);
    // Merges these keys into the configuration answer (a null value removes a key).
    bool mergeConfiguration(const QJsonObject &fields);
    // Back to the state after start: scripts, tokens, sessions, segments, the record.
    bool reset();

    // --- The record, in arrival order. An empty method or path matches every one. ---
    QList<StandInReceivedRequest> receivedRequests() const;
    QList<StandInReceivedRequest> receivedRequests(const QString &method,
                                                   const QString &path) const;
    bool clearReceivedRequests();
    // Waits until at least count requests match; false on time-out. Unlike the calls above it
    // runs the caller's event loop while it polls the record, so the client under test can send.
    bool waitForRequests(const QString &method, const QString &path, int count,
                         int timeoutMs = 10000) const;

    // What the service holds: sessions (with their last heartbeat) and uploaded segments, as the
    // control interface reports them.
    QJsonArray sessions() const;
    QJsonArray segments() const;

private:
    bool addRule(QJsonObject rule);
    static QString recordQuery(const QString &method, const QString &path, bool countOnly);
    // Returns the parsed answer, or nothing (and warns) on any failure.
    std::optional<QJsonValue> control(const QByteArray &method, const QString &path,
                                      const QJsonObject &body = QJsonObject()) const;

    std::unique_ptr<QTemporaryDir> m_folder;
    QProcess *m_process = nullptr;
    std::unique_ptr<StandInControlChannel> m_channel;
    quint16 m_port = 0;
    QString m_error;
};
