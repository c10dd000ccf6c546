#include "AuthTestSupport.h"

#include "api/APIClient.h"
#include "api/APIEndpoints.h"
#include "api/DomainStorage.h"
#include "api/report/ScreenshotReportService.h"
#include "foundation/SettingsStore.h"

#include <QLocale>
#include <QtTest>

// How the report request names its day: the device's local day, Gregorian, ASCII digits, whatever
// the user's locale.
class TestScreenshotReportService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void namesTheLocalDay_data();
    void namesTheLocalDay();
};

void TestScreenshotReportService::namesTheLocalDay_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expectedPath");

    const QString prefix = QStringLiteral("hr/zuvevivezid/reporting/screenshots/employees?date=");
    QTest::newRow("utc") << "UTC"
                         << "en_US" << prefix + "2026-03-05";
    QTest::newRow("east, next day") << "Pacific/Kiritimati"
                                    << "en_US" << prefix + "2026-03-06";
    QTest::newRow("west, previous day") << "Pacific/Pago_Pago"
                                        << "en_US" << prefix + "2026-03-04";
    QTest::newRow("arabic digits locale") << "UTC"
                                          << "ar_EG" << prefix + "2026-03-05";
    QTest::newRow("persian locale") << "Asia/Tehran"
                                    << "fa_IR" << prefix + "2026-03-05";
    QTest::newRow("thai locale") << "Asia/Bangkok"
                                 << "th_TH" << prefix + "2026-03-05";
}

void TestScreenshotReportService::namesTheLocalDay()
{
    QFETCH(QString, zone);
    QFETCH(QString, locale);
    QFETCH(QString, expectedPath);

    QLocale::setDefault(QLocale(locale));
    SettingsStore defaults{QString()};
    DomainStorage domains(defaults);
    APIEndpoints endpoints(domains);
    MemoryTokenStore tokens;
    APIClient api(endpoints, tokens);
    const QTimeZone timeZone(zone.toLatin1());
    QVERIFY(timeZone.isValid());
    const ScreenshotReportService service(api, timeZone);

    // 5 March 2026, 10:00 UTC: a different calendar day at either end of the world.
    const Timestamp moment =
        Timestamp::fromDateTime(QDateTime(QDate(2026, 3, 5), QTime(10, 0), QTimeZone::utc()));
    QCOMPARE(service.requestPath(moment), expectedPath);
}

QTEST_GUILESS_MAIN(TestScreenshotReportService)
#include "TestScreenshotReportService.moc"
