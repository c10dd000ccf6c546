#include "foundation/UuidText.h"
#include "upload/ScreenshotUploadName.h"

#include <QtTest>

namespace {

const QUuid session = QUuid::fromString(QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C3301"));
const QString sessionText = QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C3301");

} // namespace

class TestScreenshotUploadName : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void restoredIso8601_data();
    void restoredIso8601();
    void compactTokenIsParsed();
    void normalized_data();
    void normalized();
    void multipartBodyIsExact();
    void fileNameCannotInjectHeaders();
};

void TestScreenshotUploadName::restoredIso8601_data()
{
    QTest::addColumn<QString>("token");
    QTest::addColumn<QString>("restored");
    QTest::newRow("Z") << "2024-05-01T02-30-00Z"
                       << "2024-05-01T02:30:00Z";
    QTest::newRow("east") << "2024-05-01T09-30-00+07-00"
                          << "2024-05-01T09:30:00+07:00";
    QTest::newRow("west") << "2024-04-30T21-30-00-05-00"
                          << "2024-04-30T21:30:00-05:00";
    QTest::newRow("compact unchanged") << "20240501T093000+0700"
                                       << "20240501T093000+0700";
    QTest::newRow("no T") << "2024-05-01"
                          << "";
}

void TestScreenshotUploadName::restoredIso8601()
{
    QFETCH(QString, token);
    QFETCH(QString, restored);
    QCOMPARE(ScreenshotUploadName::restoredIso8601(token).value_or(QString()), restored);
}

void TestScreenshotUploadName::compactTokenIsParsed()
{
    const auto moment =
        ScreenshotUploadName::parseTimestamp(QStringLiteral("20240501T093000+0700"));
    QVERIFY(moment.has_value());
    QCOMPARE(moment->secondsSince1970(), 1714530600.0);
    QVERIFY(!ScreenshotUploadName::parseTimestamp(QStringLiteral("garbage")).has_value());
}

void TestScreenshotUploadName::normalized_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("uploaded");

    QTest::newRow("zone moved east")
        << sessionText + "_2024-05-01T02-30-00Z_1.jpg" << QByteArray("Asia/Bangkok")
        << sessionText + "_2024-05-01T09-30-00+07-00_1.jpg";
    QTest::newRow("zone unchanged")
        << sessionText + "_2024-05-01T09-30-00+07-00_0.jpg" << QByteArray("Asia/Bangkok")
        << sessionText + "_2024-05-01T09-30-00+07-00_0.jpg";
    QTest::newRow("other session")
        << "AAAAAAAA-4F89-11D3-9A0C-0305E82C3301_2024-05-01T02-30-00Z_1.jpg"
        << QByteArray("Asia/Bangkok")
        << "AAAAAAAA-4F89-11D3-9A0C-0305E82C3301_2024-05-01T02-30-00Z_1.jpg";
    QTest::newRow("lower-case session")
        << sessionText.toLower() + "_2024-05-01T02-30-00Z_1.jpg" << QByteArray("Asia/Bangkok")
        << sessionText.toLower() + "_2024-05-01T02-30-00Z_1.jpg";
    QTest::newRow("unparsable token") << sessionText + "_yesterday_1.jpg" << QByteArray("UTC")
                                      << sessionText + "_yesterday_1.jpg";
}

void TestScreenshotUploadName::normalized()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, zone);
    QFETCH(QString, uploaded);
    QCOMPARE(ScreenshotUploadName::normalized(QStringLiteral("/captures/example.com/") + fileName,
                                              session, QTimeZone(zone)),
             uploaded);
}

void TestScreenshotUploadName::multipartBodyIsExact()
{
    const QString boundary = QStringLiteral("Boundary-") + UuidText::format(session);
    const QByteArray body = ScreenshotUploadName::multipartBody(
        QStringLiteral("screenshots[]"), QStringLiteral("a.jpg"), QStringLiteral("image/jpeg"),
        QByteArray("\xff\xd8\x00", 3), boundary);
    const QByteArray expected =
        "--" + boundary.toUtf8() +
        "\r\n"
        "Content-Disposition: form-data; name=\"screenshots[]\"; filename=\"a.jpg\"\r\n"
        "Content-Type: image/jpeg\r\n\r\n" +
        QByteArray("\xff\xd8\x00", 3) + "\r\n--" + boundary.toUtf8() + "--\r\n";
    QCOMPARE(body, expected);
}

void TestScreenshotUploadName::fileNameCannotInjectHeaders()
{
    const QByteArray body = ScreenshotUploadName::multipartBody(
        QStringLiteral("screenshots[]"), QStringLiteral("x\"\r\nX-Injected: 1\r\n.jpg"),
        QStringLiteral("image/jpeg"), QByteArray("j"), QStringLiteral("B"));
    QVERIFY(!body.contains("\r\nX-Injected"));
    QVERIFY(body.contains("filename=\"x___X-Injected: 1__.jpg\"\r\n"));
}

QTEST_GUILESS_MAIN(TestScreenshotUploadName)
#include "TestScreenshotUploadName.moc"
