#include "api/APIError.h"
#include "upload/TransportError.h"
#include "upload/UploadFailureAction.h"

#include <QtTest>

Q_DECLARE_METATYPE(UploadTaskType)

namespace {

using Action = UploadFailureAction;

std::exception_ptr serverError(int status)
{
    return std::make_exception_ptr(APIError::serverError(status));
}

} // namespace

class TestUploadFailureAction : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusTable_data();
    void statusTable();
    void errorsWithoutStatus_data();
    void errorsWithoutStatus();
};

void TestUploadFailureAction::statusTable_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<UploadTaskType>("type");
    QTest::addColumn<UploadFailureAction>("expected");

    using T = UploadTaskType;
    const struct
    {
        int status;
        T type;
        Action action;
    } table[] = {
        {400, T::Heartbeat, Action::drop(false)},
        {400, T::StartSession, Action::retry(400)},
        {400, T::ActivitySegment, Action::drop(false)},
        {400, T::Screenshot, Action::retry(400)},
        {400, T::Metadata, Action::retry(400)},
        {404, T::Heartbeat, Action::takenOver(404)},
        {404, T::StartSession, Action::drop(false)},
        {404, T::ActivitySegment, Action::retry(404)},
        {404, T::Screenshot, Action::retry(404)},
        {409, T::Heartbeat, Action::takenOver(409)},
        {409, T::StartSession, Action::drop(false)},
        {409, T::Screenshot, Action::retry(409)},
        {413, T::Heartbeat, Action::retry(413)},
        {413, T::Screenshot, Action::drop(true)},
        {413, T::StartSession, Action::retry(413)},
        {422, T::Heartbeat, Action::drop(false)},
        {422, T::StartSession, Action::drop(false)},
        {422, T::ActivitySegment, Action::drop(false)},
        {422, T::Screenshot, Action::drop(true)},
        {422, T::Metadata, Action::drop(false)},
        {500, T::Heartbeat, Action::retry(500)},
        {503, T::Screenshot, Action::retry(503)},
        {-1, T::StartSession, Action::retry(-1)},
        {302, T::Heartbeat, Action::retry(302)},
    };
    for (const auto &row : table) {
        QTest::addRow("%d %s", row.status, qPrintable(uploadTaskTypeRawValue(row.type)))
            << row.status << row.type << row.action;
    }
}

void TestUploadFailureAction::statusTable()
{
    QFETCH(int, status);
    QFETCH(UploadTaskType, type);
    QFETCH(UploadFailureAction, expected);
    QCOMPARE(Action::forError(serverError(status), type), expected);
}

void TestUploadFailureAction::errorsWithoutStatus_data()
{
    QTest::addColumn<std::exception_ptr>("error");
    QTest::addColumn<UploadFailureAction>("expected");

    const auto transport = [](QNetworkReply::NetworkError code) {
        return std::make_exception_ptr(TransportError(code, QStringLiteral("x")));
    };
    QTest::newRow("refused is offline")
        << transport(QNetworkReply::ConnectionRefusedError) << Action::offline();
    QTest::newRow("no host is offline")
        << transport(QNetworkReply::HostNotFoundError) << Action::offline();
    QTest::newRow("connection lost is offline")
        << transport(QNetworkReply::RemoteHostClosedError) << Action::offline();
    QTest::newRow("time-out is retried")
        << transport(QNetworkReply::TimeoutError) << Action::retry(std::nullopt);
    QTest::newRow("TLS failure is retried")
        << transport(QNetworkReply::SslHandshakeFailedError) << Action::retry(std::nullopt);
    QTest::newRow("unauthorized") << std::make_exception_ptr(APIError::unauthorized())
                                  << Action::retry(std::nullopt);
    QTest::newRow("decoding failed")
        << std::make_exception_ptr(APIError::decodingFailed()) << Action::retry(std::nullopt);
    QTest::newRow("invalid URL") << std::make_exception_ptr(APIError::invalidURL())
                                 << Action::retry(std::nullopt);
    QTest::newRow("any other error")
        << std::make_exception_ptr(std::runtime_error("disk")) << Action::retry(std::nullopt);
}

void TestUploadFailureAction::errorsWithoutStatus()
{
    QFETCH(std::exception_ptr, error);
    QFETCH(UploadFailureAction, expected);
    // The task type matters only for HTTP answers.
    QCOMPARE(Action::forError(error, UploadTaskType::Heartbeat), expected);
    QCOMPARE(Action::forError(error, UploadTaskType::Screenshot), expected);
}

QTEST_GUILESS_MAIN(TestUploadFailureAction)
#include "TestUploadFailureAction.moc"
