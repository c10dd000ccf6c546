#include "foundation/AppPaths.h"
#include "foundation/Iso8601.h"
#include "foundation/Log.h"
#include "foundation/Timestamp.h"
#include "foundation/UuidText.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestFoundationBasics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void timestampConvertsBetweenEpochs();
    void timestampToDateTimeNeverRoundsIntoTheNextSecond();
    void uuidTextIsUpperCaseAndParsedStrictly_data();
    void uuidTextIsUpperCaseAndParsedStrictly();
    void dataFolderOverride();
    void dataFolderIsMadeTheUsersAlone();
    void faultIsLoggedAndDoesNotAbort();
    void iso8601Text_data();
    void iso8601Text();
};

void TestFoundationBasics::timestampConvertsBetweenEpochs()
{
    const auto moment = Timestamp::fromSecondsSinceReferenceDate(0.5);
    QCOMPARE(moment.secondsSince1970(), 978307200.5);
    QCOMPARE(moment.toDateTime(),
             QDateTime(QDate(2001, 1, 1), QTime(0, 0, 0, 500), QTimeZone::utc()));
    const auto back = Timestamp::fromDateTime(moment.toDateTime());
    QCOMPARE(back, moment);
    QCOMPARE(moment.addingSeconds(90.25) - moment, 90.25);
}

void TestFoundationBasics::timestampToDateTimeNeverRoundsIntoTheNextSecond()
{
    const auto justBeforeMidnight = Timestamp::fromSecondsSince1970(86399.9999);
    QCOMPARE(justBeforeMidnight.toDateTime().time(), QTime(23, 59, 59, 999));
}

void TestFoundationBasics::uuidTextIsUpperCaseAndParsedStrictly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("upper") << "3F2504E0-4F89-11D3-9A0C-0305E82C3301" << true;
    QTest::newRow("lower") << "3f2504e0-4f89-11d3-9a0c-0305e82c3301" << true;
    QTest::newRow("nil") << "00000000-0000-0000-0000-000000000000" << true;
    QTest::newRow("braces") << "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}" << false;
    QTest::newRow("short") << "3F2504E0-4F89-11D3-9A0C-0305E82C330" << false;
    QTest::newRow("not hex") << "3F2504E0-4F89-11D3-9A0C-0305E82C330G" << false;
    QTest::newRow("dash moved") << "3F2504E04-F89-11D3-9A0C-0305E82C3301" << false;
    QTest::newRow("empty") << "" << false;
}

void TestFoundationBasics::uuidTextIsUpperCaseAndParsedStrictly()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    const auto parsed = UuidText::parse(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(UuidText::format(*parsed), text.toUpper());
}

void TestFoundationBasics::dataFolderOverride()
{
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("nested/data"));
    AppPaths::setDataFolderOverride(folder);
    QCOMPARE(AppPaths::dataFolder(), folder);
    QVERIFY(QDir(folder).exists());
    QCOMPARE(AppPaths::filePath(QStringLiteral("x.json")), folder + QStringLiteral("/x.json"));
    AppPaths::clearDataFolderOverride();
    QVERIFY(AppPaths::dataFolder().endsWith(QStringLiteral("Zudevav EvozUvarevu")) ||
            !qEnvironmentVariable(AppPaths::dataFolderEnvironmentVariable).isEmpty());
}

void TestFoundationBasics::dataFolderIsMadeTheUsersAlone()
{
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("data"));
    const QString outside = root.filePath(QStringLiteral("outside.txt"));
    const auto modeOf = [](const QString &path) {
        struct stat status = {};
        return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777
                                                                          : 0U;
    };
    const auto write = [](const QString &path, mode_t mode) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.close();
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
    };
    // As an earlier version left them: readable by every account.
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/captures/abc")));
    for (const QString &sub :
         {QString(), QStringLiteral("/captures"), QStringLiteral("/captures/abc")})
        QCOMPARE(::chmod(QFile::encodeName(folder + sub).constData(), 0755), 0);
    write(folder + QStringLiteral("/preferences.json"), 0644);
    write(folder + QStringLiteral("/.hidden"), 0666);
    write(folder + QStringLiteral("/captures/abc/1.jpg"), 0644);
    write(outside, 0644);
    QVERIFY(QFile::link(outside, folder + QStringLiteral("/link-out")));

    QCOMPARE(AppPaths::preparePrivateFolder(folder), QString());

    for (const QString &sub :
         {QString(), QStringLiteral("/captures"), QStringLiteral("/captures/abc")})
        QCOMPARE(modeOf(folder + sub), 0700U);
    for (const QString &file : {QStringLiteral("/preferences.json"), QStringLiteral("/.hidden"),
                                QStringLiteral("/captures/abc/1.jpg")})
        QCOMPARE(modeOf(folder + file), 0600U);
    // A link is not followed out of the folder.
    QCOMPARE(modeOf(outside), 0644U);

    // A missing folder is created private, parents included.
    const QString fresh = root.filePath(QStringLiteral("new/data"));
    QCOMPARE(AppPaths::preparePrivateFolder(fresh), QString());
    QCOMPARE(modeOf(fresh), 0700U);
}

void TestFoundationBasics::faultIsLoggedAndDoesNotAbort()
{
    qputenv("QT_FATAL_CRITICALS", "1");
    Log::install();
    LogCapture capture;
    zuvFault(lcSession) << "something went badly wrong";
    zuvError(lcUpload) << "an error";
    QVERIFY(capture.contains(
        QStringLiteral("fault com.wendoka.zuvevivezid.session: something went badly wrong")));
    QVERIFY(capture.contains(QStringLiteral("error com.wendoka.zuvevivezid.upload: an error")));
}

void TestFoundationBasics::iso8601Text_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("text");
    // 2024-05-01T02:30:00Z
    const double moment = 1714530600.0;
    QTest::newRow("seven hours east")
        << moment << QByteArray("Asia/Bangkok") << "2024-05-01T09:30:00+07:00";
    QTest::newRow("zero offset is Z") << moment << QByteArray("UTC") << "2024-05-01T02:30:00Z";
    QTest::newRow("London in summer")
        << moment << QByteArray("Europe/London") << "2024-05-01T03:30:00+01:00";
    QTest::newRow("London in winter is Z")
        << 1704067200.0 << QByteArray("Europe/London") << "2024-01-01T00:00:00Z";
    QTest::newRow("negative with minutes")
        << moment << QByteArray("America/St_Johns") << "2024-05-01T00:00:00-02:30";
    QTest::newRow("Chatham +12:45")
        << moment << QByteArray("Pacific/Chatham") << "2024-05-01T15:15:00+12:45";
    QTest::newRow("fraction dropped, not rounded")
        << moment + 59.999 << QByteArray("UTC") << "2024-05-01T02:30:59Z";
}

void TestFoundationBasics::iso8601Text()
{
    QFETCH(double, seconds);
    QFETCH(QByteArray, zone);
    QFETCH(QString, text);
    QCOMPARE(Iso8601::format(Timestamp::fromSecondsSince1970(seconds), QTimeZone(zone)), text);
}

QTEST_GUILESS_MAIN(TestFoundationBasics)
#include "TestFoundationBasics.moc"
