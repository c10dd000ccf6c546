// Time to the first frame and resident memory of the screenshots tab showing a full day.
//
//   scripts/with-test-session.sh build/dev/bench/screenshots/zuv_bench_screenshots [rounds]
//
// Each round opens the tab in the root view of the main window on the software scene graph with the
// day already in the report cache (24 hours, 144 segments, two screenshots each but the fifth of
// every hour), as on returning to a day seen before. It reports the time from creating the screen
// to its first frame, the time until every thumbnail has been fetched over HTTPS from the stand-in
// service and drawn, and the process's resident memory before, at the first frame and with all
// thumbnails.

#include "api/report/ScreenshotReportCache.h"
#include "app/shell/ShellTestRig.h"
#include "support/standin/StandInService.h"
#include "ui/reports/ScreenshotImage.h"
#include "ui/reports/ScreenshotReportFixture.h"
#include "ui/root/RootViewModel.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <algorithm>
#include <cstdio>
#include <vector>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

namespace {

double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

void collectImages(QQuickItem *item, std::vector<QPointer<ScreenshotImage>> &images)
{
    if (auto *image = qobject_cast<ScreenshotImage *>(item))
        images.push_back(image);
    for (QQuickItem *child : item->childItems())
        collectImages(child, images);
}

struct Round
{
    double firstFrameMs = 0;
    double thumbnailsMs = 0;
    double mibBefore = 0;
    double mibFirstFrame = 0;
    double mibThumbnails = 0;
    int thumbnailsReady = 0;
};

// Opens the tab in the root view already on screen and waits for its pictures.
Round runRound(RootViewModel &model, QQuickView &view)
{
    Round round;
    round.mibBefore = residentMiB();
    bool framed = false;
    QElapsedTimer clock;
    const QMetaObject::Connection frames =
        QObject::connect(&view, &QQuickWindow::frameSwapped, &view, [&] {
            if (!framed)
                round.firstFrameMs = clock.nsecsElapsed() / 1e6;
            framed = true;
        });
    clock.start();
    model.selectTab(static_cast<int>(MainTab::Screenshots));
    if (!QTest::qWaitFor([&] { return framed; }, 20000))
        std::fprintf(stderr, "no frame within 20 s\n");
    QObject::disconnect(frames);
    round.mibFirstFrame = residentMiB();

    // The later hours are made in the frames after the first.
    std::vector<QPointer<ScreenshotImage>> images;
    const bool allCards = QTest::qWaitFor(
        [&] {
            images.clear();
            collectImages(view.rootObject(), images);
            return images.size() >= 144;
        },
        20000);
    if (!allCards)
        std::fprintf(stderr, "only %zu cards after 20 s\n", images.size());
    const bool settled = QTest::qWaitFor(
        [&] {
            return std::none_of(
                images.begin(), images.end(), [](const QPointer<ScreenshotImage> &image) {
                    return image && image->status() == ScreenshotImage::Status::Loading;
                });
        },
        60000);
    if (!settled)
        std::fprintf(stderr, "thumbnails still loading after 60 s\n");
    round.thumbnailsMs = clock.nsecsElapsed() / 1e6;
    round.thumbnailsReady = static_cast<int>(
        std::count_if(images.begin(), images.end(), [](const QPointer<ScreenshotImage> &image) {
            return image && image->status() == ScreenshotImage::Status::Ready;
        }));
    // Let the pictures be drawn before memory is read.
    QTest::qWait(100);
    round.mibThumbnails = residentMiB();
    model.selectTab(static_cast<int>(MainTab::Tracker));
    QTest::qWait(100);
    return round;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    StandInService standIn;
    if (!standIn.start()) {
        std::fprintf(stderr, "stand-in: %s\n", qPrintable(standIn.errorString()));
        return 1;
    }
    QUrl media = standIn.baseUrl();
    media.setPath(QStringLiteral("/media/full-day"));

    ShellTestRig rig;
    FakeReportFetcher fetcher;
    const ScreenshotReport day = ScreenshotReportFixture::day(24, media.toString());
    fetcher.immediateReport = day;
    ScreenshotReportCache cache;
    ScreenshotsServices services(
        {*rig.appState, rig.sessionManager(), cache, fetcher.function(),
         [] { return std::optional<QString>(); }, rig.engine.clock,
         TlsConfiguration::withExtraCertificates(standIn.caCertificatePath())});
    const QDate today = rig.engine.clock.now().toDateTime().toLocalTime().date();
    cache.store(day, Timestamp::fromDateTime(today.startOfDay()), std::nullopt);

    rig.finishRestore(true);
    rig.appState->setHasRequiredPermissions(true);
    RootViewModel model(RootViewModel::Dependencies{*rig.appState,
                                                    rig.sessionManager(),
                                                    rig.random,
                                                    false,
                                                    false,
                                                    {},
                                                    nullptr,
                                                    nullptr,
                                                    nullptr,
                                                    &services,
                                                    nullptr});
    QQmlEngine engine;
    QQuickView view(&engine, nullptr);
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.setInitialProperties({{QStringLiteral("viewModel"), QVariant::fromValue(&model)}});
    view.setSource(
        QUrl(QStringLiteral("qrc:/qt-project.org/imports/Zuvevivezid/Root/qml/RootView.qml")));
    view.resize(460, 700);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return 1;

    std::vector<double> firstFrames, thumbnails, mibFirst, mibAll;
    for (int i = 0; i < rounds; ++i) {
        const Round round = runRound(model, view);
        std::printf("round %d: first frame %.1f ms, %d thumbnails in %.1f ms, RSS %.1f -> %.1f -> "
                    "%.1f MiB\n",
                    i + 1, round.firstFrameMs, round.thumbnailsReady, round.thumbnailsMs,
                    round.mibBefore, round.mibFirstFrame, round.mibThumbnails);
        firstFrames.push_back(round.firstFrameMs);
        thumbnails.push_back(round.thumbnailsMs);
        mibFirst.push_back(round.mibFirstFrame);
        mibAll.push_back(round.mibThumbnails);
    }
    std::printf("median over %d rounds: first frame %.1f ms, all thumbnails %.1f ms, RSS at first "
                "frame %.1f MiB, with thumbnails %.1f MiB\n",
                rounds, median(firstFrames), median(thumbnails), median(mibFirst), median(mibAll));
    return 0;
}
