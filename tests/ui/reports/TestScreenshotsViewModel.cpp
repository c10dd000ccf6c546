#include "ScreenshotReportFixture.h"
#include "api/report/ScreenshotReportCache.h"
#include "app/shell/ShellTestRig.h"
#include "ui/reports/ScreenshotHourModel.h"
#include "ui/reports/ScreenshotImageLoader.h"
#include "ui/reports/ScreenshotSegmentModel.h"
#include "ui/reports/ScreenshotTexts.h"
#include "ui/reports/ScreenshotViewerModel.h"
#include "ui/reports/ScreenshotsViewModel.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using Content = ScreenshotsViewModel::Content;
using Indicator = ScreenshotSegmentModel::Indicator;

namespace {

const QString media = QStringLiteral("https://media.example/day");

Timestamp startOf(QDate day)
{
    return Timestamp::fromDateTime(day.startOfDay());
}

// The screenshots tab's view model over a fake report call, a real cache and a clock at noon.
struct Screen
{
    Screen()
    {
        clock.set(Timestamp::fromDateTime(QDateTime(today, QTime(12, 0))));
        viewModel.setServices(&services);
    }

    QDate today{2026, 3, 18};
    ShellTestRig rig;
    FakeClock clock;
    FakeReportFetcher fetcher;
    ScreenshotReportCache cache;
    std::optional<QString> domain = QStringLiteral("acme.example");
    ScreenshotsServices services{{*rig.appState, rig.sessionManager(), cache, fetcher.function(),
                                  [this] { return domain; }, clock, TlsConfiguration()}};
    ScreenshotsViewModel viewModel;
};

ScreenshotReport::Segment segmentWith(QList<ScreenshotReport::Screenshot> screenshots)
{
    ScreenshotReport::Segment segment;
    segment.from = QStringLiteral("09:00");
    segment.to = QStringLiteral("09:10");
    segment.screenshots = std::move(screenshots);
    return segment;
}

ScreenshotReport::Screenshot shot(const QString &url, bool urlAvailable, const QString &thumbnail,
                                  bool thumbnailAvailable)
{
    return {url, urlAvailable, thumbnail, thumbnailAvailable, QString()};
}

} // namespace

// The screenshots screen's decisions: the report from the cache first, overlapping fetches,
// day navigation, the figures, the cards and the viewer's paging.
class TestScreenshotsViewModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void cacheFirstThenFetch_data()
    {
        QTest::addColumn<bool>("cached");
        QTest::addColumn<bool>("fetchSucceeds");
        QTest::addColumn<Content>("whileFetching");
        QTest::addColumn<Content>("afterwards");
        QTest::addColumn<int>("hoursAfterwards");

        QTest::newRow("hit, refresh fails: cached report stays, no error")
            << true << false << Content::Report << Content::Report << 1;
        QTest::newRow("hit, refresh succeeds: fresh report")
            << true << true << Content::Report << Content::Report << 3;
        QTest::newRow("miss, fetch succeeds")
            << false << true << Content::Loading << Content::Report << 3;
        QTest::newRow("miss, fetch fails")
            << false << false << Content::Loading << Content::Error << 0;
    }

    void cacheFirstThenFetch()
    {
        QFETCH(bool, cached);
        QFETCH(bool, fetchSucceeds);
        QFETCH(Content, whileFetching);
        QFETCH(Content, afterwards);
        QFETCH(int, hoursAfterwards);

        Screen screen;
        if (cached)
            screen.cache.store(ScreenshotReportFixture::day(1, media), startOf(screen.today),
                               screen.domain);
        screen.viewModel.load();
        QCOMPARE(screen.viewModel.content(), whileFetching);
        QCOMPARE(screen.viewModel.hours()->rowCount(), cached ? 1 : 0);
        QCOMPARE(screen.fetcher.pending.size(), 1);
        QCOMPARE(screen.fetcher.pending.first()->date, startOf(screen.today));

        if (fetchSucceeds)
            screen.fetcher.pending.first()->succeed(ScreenshotReportFixture::day(3, media));
        else
            screen.fetcher.pending.first()->fail(APIError::serverError(503));
        QCOMPARE(screen.viewModel.content(), afterwards);
        QVERIFY(!screen.viewModel.isLoading());
        QCOMPARE(screen.viewModel.hours()->rowCount(), hoursAfterwards);
        QCOMPARE(screen.viewModel.errorMessage(),
                 afterwards == Content::Error ? QStringLiteral("Server error (503).") : QString());
        QCOMPARE(screen.cache.report(startOf(screen.today), screen.domain).has_value(),
                 cached || fetchSucceeds);
    }

    void failureTexts_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("text");
        QTest::newRow("503") << 0 << "Server error (503).";
        QTest::newRow("not an HTTP answer") << 1 << "Server error (-1).";
        QTest::newRow("network") << 2 << "No internet connection.";
        QTest::newRow("invalid URL") << 3 << "Invalid request.";
        QTest::newRow("unauthorized") << 4 << "Session expired. Please sign in again.";
        QTest::newRow("undecodable") << 5 << "Failed to read data.";
        QTest::newRow("anything else") << 6 << "Something went wrong.";
    }

    void failureTexts()
    {
        QFETCH(int, failure);
        QFETCH(QString, text);
        Screen screen;
        screen.viewModel.load();
        PendingReportFetch &fetch = *screen.fetcher.pending.first();
        switch (failure) {
        case 0:
            fetch.fail(APIError::serverError(503));
            break;
        case 1:
            fetch.fail(APIError::serverError(-1));
            break;
        case 2:
            fetch.fail(APIError::network(QNetworkReply::HostNotFoundError, {}));
            break;
        case 3:
            fetch.fail(APIError::invalidURL());
            break;
        case 4:
            fetch.fail(APIError::unauthorized());
            break;
        case 5:
            fetch.fail(APIError::decodingFailed());
            break;
        default:
            fetch.failOtherwise();
            break;
        }
        QCOMPARE(screen.viewModel.content(), Content::Error);
        QCOMPARE(screen.viewModel.errorMessage(), text);

        // "Try Again" clears the error and shows the spinner while it fetches.
        screen.viewModel.load();
        QCOMPARE(screen.viewModel.content(), Content::Loading);
        screen.fetcher.pending.last()->succeed(ScreenshotReportFixture::day(0, media));
        QCOMPARE(screen.viewModel.content(), Content::Report);
        QVERIFY(!screen.viewModel.hasHours());
    }

    void answersForAnotherDayAreCachedNotShown_data()
    {
        QTest::addColumn<bool>("olderAnswersFirst");
        QTest::newRow("in order") << true;
        QTest::newRow("reverse order") << false;
    }

    void answersForAnotherDayAreCachedNotShown()
    {
        QFETCH(bool, olderAnswersFirst);
        Screen screen;
        screen.viewModel.load();
        screen.viewModel.navigate(-1);
        QCOMPARE(screen.viewModel.selectedDay(), screen.today.addDays(-1));
        QCOMPARE(screen.viewModel.content(), Content::Loading);
        QCOMPARE(screen.fetcher.pending.size(), 2);

        const auto answerToday = [&] {
            screen.fetcher.pending.at(0)->succeed(ScreenshotReportFixture::day(5, media));
        };
        const auto answerYesterday = [&] {
            screen.fetcher.pending.at(1)->succeed(ScreenshotReportFixture::day(2, media));
        };
        if (olderAnswersFirst) {
            answerToday();
            QCOMPARE(screen.viewModel.content(), Content::Loading);
            answerYesterday();
        } else {
            answerYesterday();
            answerToday();
        }
        QCOMPARE(screen.viewModel.content(), Content::Report);
        QCOMPARE(screen.viewModel.hours()->rowCount(), 2);
        QCOMPARE(screen.cache.report(startOf(screen.today), screen.domain)->hours.size(), 5);

        // Back on today, its cached report shows at once while it is fetched again.
        screen.viewModel.showToday();
        QCOMPARE(screen.viewModel.content(), Content::Report);
        QCOMPARE(screen.viewModel.hours()->rowCount(), 5);
        QCOMPARE(screen.fetcher.pending.size(), 3);
    }

    void reportIsFiledUnderTheCompanyItWasAskedFor()
    {
        Screen screen;
        screen.viewModel.load();
        screen.domain = QStringLiteral("other.example");
        screen.fetcher.pending.first()->succeed(ScreenshotReportFixture::day(1, media));
        const Timestamp today = startOf(screen.today);
        QVERIFY(screen.cache.report(today, QStringLiteral("acme.example")));
        QVERIFY(!screen.cache.report(today, QStringLiteral("other.example")));
    }

    void dayNavigation()
    {
        Screen screen;
        ScreenshotsViewModel &vm = screen.viewModel;
        QCOMPARE(vm.selectedDay(), screen.today);
        QVERIFY(!vm.canGoForward());
        vm.navigate(1);
        QCOMPARE(vm.selectedDay(), screen.today);
        QVERIFY(screen.fetcher.pending.isEmpty());

        vm.navigate(-400);
        QCOMPARE(vm.selectedDay(), screen.today.addDays(-400));
        QVERIFY(vm.canGoForward());
        vm.navigate(1);
        QCOMPARE(vm.selectedDay(), screen.today.addDays(-399));
        vm.showToday();
        QCOMPARE(vm.selectedDay(), screen.today);
        QCOMPARE(screen.fetcher.pending.size(), 3);

        // "Today" on today changes nothing, so it fetches nothing.
        vm.showToday();
        QCOMPARE(screen.fetcher.pending.size(), 3);

        // Midnight passing makes yesterday's screen able to move forward.
        screen.clock.advance(86400);
        QVERIFY(vm.canGoForward());
    }

    void forwardOpensWhenMidnightPassesOnScreen()
    {
        Screen screen;
        ScreenshotsViewModel &vm = screen.viewModel;
        vm.setServices(nullptr);
        screen.clock.set(Timestamp::fromDateTime(QDateTime(screen.today, QTime(23, 59, 59, 900))));
        vm.setServices(&screen.services);
        QVERIFY(!vm.canGoForward());
        QSignalSpy announced(&vm, &ScreenshotsViewModel::canGoForwardChanged);
        screen.clock.advance(1.0);
        QVERIFY(announced.wait(2000));
        QVERIFY(vm.canGoForward());
        QCOMPARE(vm.selectedDay(), screen.today);
    }

    void figures_data()
    {
        QTest::addColumn<qint64>("totalSeconds");
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<QString>("activity");
        QTest::addColumn<QString>("hourActivity");

        QTest::newRow("half a day")
            << qint64(14400) << 45.678 << "en_US" << 0.5 << "50% out of 8 hours"
            << "45.68%"
            << "46%";
        QTest::newRow("more than a day")
            << qint64(36000) << 0.0 << "de_DE" << 1.0 << "100% out of 8 hours"
            << "0.00%"
            << "0%";
        QTest::newRow("printf rounding, half to even")
            << qint64(0) << 86.5 << "ar_EG" << 0.0 << "0% out of 8 hours"
            << "86.50%"
            << "86%";
    }

    void figures()
    {
        QFETCH(qint64, totalSeconds);
        QFETCH(double, rate);
        QFETCH(QString, locale);
        QFETCH(double, fraction);
        QFETCH(QString, tooltip);
        QFETCH(QString, activity);
        QFETCH(QString, hourActivity);

        QLocale::setDefault(QLocale(locale));
        Screen screen;
        ScreenshotReport report = ScreenshotReportFixture::day(1, media);
        report.summary.stats.totalSeconds = totalSeconds;
        report.summary.stats.activityRate = rate;
        report.hours[0].stats.activityRate = rate;
        screen.cache.store(report, startOf(screen.today), screen.domain);
        screen.viewModel.load();

        QCOMPARE(screen.viewModel.workingTimeFraction(), fraction);
        QCOMPARE(screen.viewModel.workingTimeTooltip(), tooltip);
        QCOMPARE(screen.viewModel.activityText(), activity);
        const QModelIndex hour = screen.viewModel.hours()->index(0);
        QCOMPARE(hour.data(ScreenshotHourModel::ActivityTextRole).toString(), hourActivity);
        QCOMPARE(hour.data(ScreenshotHourModel::RangeTextRole).toString(),
                 QStringLiteral("09:00 - 10:00"));
        QCOMPARE(screen.viewModel.workingTimeText(), report.summary.stats.totalSecondsFormatted);
    }

    void countsGroupedByFullStopsInAnyLocale_data()
    {
        QTest::addColumn<QString>("locale");
        for (const char *name : {"en_US", "de_CH", "fr_FR", "ar_EG", "hi_IN", "C"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void countsGroupedByFullStopsInAnyLocale()
    {
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(ScreenshotTexts::groupedCount(1234567), QStringLiteral("1.234.567"));
        QCOMPARE(ScreenshotTexts::groupedCount(1000), QStringLiteral("1.000"));
        QCOMPARE(ScreenshotTexts::groupedCount(999), QStringLiteral("999"));
        QCOMPARE(ScreenshotTexts::groupedCount(0), QStringLiteral("0"));
    }

    void indicatorColours_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Indicator>("indicator");
        QTest::newRow("green") << "green" << Indicator::Success;
        QTest::newRow("orange") << "orange" << Indicator::Warning;
        QTest::newRow("capital G") << "Green" << Indicator::Brand;
        QTest::newRow("padded") << " green" << Indicator::Brand;
        QTest::newRow("red") << "red" << Indicator::Brand;
        QTest::newRow("empty") << "" << Indicator::Brand;
    }

    void indicatorColours()
    {
        QFETCH(QString, name);
        QFETCH(Indicator, indicator);
        QCOMPARE(ScreenshotSegmentModel::indicatorFor(name), indicator);
    }

    void thumbnails_data()
    {
        QTest::addColumn<QList<ScreenshotReport::Screenshot>>("screenshots");
        QTest::addColumn<QString>("source");

        const QString thumb = QStringLiteral("https://media.example/a-thumb.png");
        const QString full = QStringLiteral("https://media.example/a.png");
        QTest::newRow("https") << QList{shot(full, true, thumb, true)} << thumb;
        QTest::newRow("http") << QList{shot(full, true, "http://media.example/t.png", true)}
                              << "http://media.example/t.png";
        QTest::newRow("none") << QList<ScreenshotReport::Screenshot>() << "";
        QTest::newRow("first unavailable, second available")
            << QList{shot(full, true, thumb, false), shot(full, true, thumb, true)} << "";
        QTest::newRow("file address") << QList{shot(full, true, "file:///etc/passwd", true)} << "";
        QTest::newRow("qrc address") << QList{shot(full, true, "qrc:/secret.png", true)} << "";
        QTest::newRow("data address")
            << QList{shot(full, true, "data:image/png;base64,iVBOR", true)} << "";
        QTest::newRow("no host") << QList{shot(full, true, "https:///a.png", true)} << "";
        QTest::newRow("not an address") << QList{shot(full, true, "https://a b/%zz", true)} << "";
    }

    void thumbnails()
    {
        QFETCH(QList<ScreenshotReport::Screenshot>, screenshots);
        QFETCH(QString, source);
        QCOMPARE(ScreenshotSegmentModel::thumbnailSourceFor(segmentWith(screenshots)), source);
    }

    void loaderFetchesOnlyHttpAndHttps()
    {
        ScreenshotImageLoader loader{TlsConfiguration()};
        for (const char *refused : {"file:///etc/passwd", "qrc:/x.png", "ftp://media.example/x"})
            QCOMPARE(loader.get(QUrl(QString::fromLatin1(refused))), nullptr);
    }

    void openingSegments()
    {
        Screen screen;
        ScreenshotReport report = ScreenshotReportFixture::day(1, media, 3);
        report.hours[0].segments[1].screenshots[1].urlAvailable = false;
        for (ScreenshotReport::Screenshot &screenshot : report.hours[0].segments[2].screenshots)
            screenshot.urlAvailable = false;
        screen.cache.store(report, startOf(screen.today), screen.domain);
        screen.viewModel.load();
        ScreenshotsViewModel &vm = screen.viewModel;

        // The fifth segment has no screenshots: a click does nothing.
        vm.openSegment(0, 4);
        QCOMPARE(vm.viewerGeneration(), 0);

        vm.openSegment(0, 1);
        QCOMPARE(vm.viewerGeneration(), 1);
        QCOMPARE(vm.viewerTimeRange(), QStringLiteral("09:10 - 09:20"));
        QCOMPARE(vm.viewerUrls(),
                 (QStringList{media + "/segment-55-0.png", media + "/segment-55-2.png"}));
        vm.closeViewer();
        QCOMPARE(vm.viewerGeneration(), 0);

        // Nothing available still opens, with an empty list; each opening is a new one.
        vm.openSegment(0, 2);
        QCOMPARE(vm.viewerGeneration(), 2);
        QVERIFY(vm.viewerUrls().isEmpty());

        for (const auto &[hour, segment] : {std::pair{1, 0}, {0, 6}, {-1, 0}})
            vm.openSegment(hour, segment);
        QCOMPARE(vm.viewerGeneration(), 2);
    }

    void viewerPaging_data()
    {
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<bool>("arrows");
        QTest::addColumn<QString>("firstPosition");
        QTest::addColumn<QString>("lastPosition");
        QTest::addColumn<QString>("firstSource");

        const QString a = QStringLiteral("https://media.example/a.png");
        QTest::newRow("none") << QStringList() << false << "0 screenshot"
                              << "0 screenshot"
                              << "";
        QTest::newRow("one") << QStringList{a} << false << "1 screenshot"
                             << "1 screenshot" << a;
        QTest::newRow("three") << QStringList{a, "file:///etc/passwd", "not an address"} << true
                               << "1 / 3"
                               << "3 / 3" << a;
        QTest::newRow("local first") << QStringList{"qrc:/a.png", a} << true << "1 / 2"
                                     << "2 / 2"
                                     << "";
    }

    void viewerPaging()
    {
        QFETCH(QStringList, urls);
        QFETCH(bool, arrows);
        QFETCH(QString, firstPosition);
        QFETCH(QString, lastPosition);
        QFETCH(QString, firstSource);

        ScreenshotViewerModel viewer;
        viewer.setUrls(urls);
        QCOMPARE(viewer.showsArrows(), arrows);
        QCOMPARE(viewer.positionText(), firstPosition);
        QCOMPARE(viewer.currentSource(), firstSource);
        QVERIFY(!viewer.canGoBack());
        viewer.previous();
        QCOMPARE(viewer.index(), 0);

        for (int click = 0; click < urls.size() + 2; ++click)
            viewer.next();
        QCOMPARE(viewer.index(), std::max(0, static_cast<int>(urls.size()) - 1));
        QCOMPARE(viewer.positionText(), lastPosition);
        QVERIFY(!viewer.canGoForward());
        if (urls.size() == 3) {
            // Neither a local file nor an address that does not parse is loaded.
            QCOMPARE(viewer.currentSource(), QString());
            viewer.previous();
            QCOMPARE(viewer.currentSource(), QString());
            QCOMPARE(viewer.positionText(), QStringLiteral("2 / 3"));
            QVERIFY(viewer.canGoBack() && viewer.canGoForward());
        }

        // A new list starts at its first entry again.
        viewer.setUrls(urls);
        QCOMPARE(viewer.positionText(), firstPosition);
    }
};

QTEST_MAIN(TestScreenshotsViewModel)
#include "TestScreenshotsViewModel.moc"
