#include "ScreenshotReportFixture.h"
#include "api/report/ScreenshotReportCache.h"
#include "app/shell/ShellTestRig.h"
#include "support/standin/StandInService.h"
#include "ui/RootViewRendering.h"
#include "ui/design/WD.h"
#include "ui/reports/ScreenshotImage.h"
#include "ui/reports/ScreenshotsViewModel.h"
#include "ui/root/RootViewModel.h"

#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QQuickWindow>

#include <QTest>
#include <QtQml/qqmlextensionplugin.h>
#include <algorithm>
#include <iterator>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

namespace {

QQuickWindow *viewerWindow()
{
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (window->objectName() == QLatin1String("screenshotViewer") && window->isVisible())
            return qobject_cast<QQuickWindow *>(window);
    }
    return nullptr;
}

// Delegates of repeaters are reached through the item tree, not the object tree.
void collectItems(QQuickItem *item, QList<QQuickItem *> &items)
{
    items.append(item);
    for (QQuickItem *child : item->childItems())
        collectItems(child, items);
}

QList<QQuickItem *> itemsNamed(QQuickItem *root, const QString &name)
{
    QList<QQuickItem *> all;
    collectItems(root, all);
    QList<QQuickItem *> named;
    std::copy_if(all.begin(), all.end(), std::back_inserter(named),
                 [&name](const QQuickItem *item) { return item->objectName() == name; });
    return named;
}

QList<ScreenshotImage *> imagesUnder(QQuickItem *root)
{
    QList<QQuickItem *> all;
    collectItems(root, all);
    QList<ScreenshotImage *> images;
    for (QQuickItem *item : all) {
        if (auto *image = qobject_cast<ScreenshotImage *>(item))
            images.append(image);
    }
    return images;
}

bool imagesSettled(QQuickItem *root)
{
    const QList<ScreenshotImage *> images = imagesUnder(root);
    return std::none_of(images.begin(), images.end(), [](const ScreenshotImage *image) {
        return image->status() == ScreenshotImage::Status::Loading;
    });
}

} // namespace

// Draws the screenshots tab through the real root view (empty day, loaded day with thumbnails
// fetched over HTTPS from the stand-in, failed fetch) and the viewer window, in every palette and
// both layouts, to PNG files a person can look at (build folder, rendered/screenshots/), and
// checks what only the QML can get wrong.
class TestScreenshotsRendering : public QObject
{
    Q_OBJECT

private:
    struct Scene
    {
        explicit Scene(const StandInService &standIn)
            : services({*rig.appState, rig.sessionManager(), cache, fetcher.function(),
                        [] { return std::optional<QString>(); }, rig.engine.clock,
                        TlsConfiguration::withExtraCertificates(standIn.caCertificatePath())})
        {
            rig.finishRestore(true);
            rig.appState->setHasRequiredPermissions(true);
        }

        ShellTestRig rig;
        FakeReportFetcher fetcher;
        ScreenshotReportCache cache;
        ScreenshotsServices services;
    };

    QString mediaBase() const
    {
        QUrl base = m_standIn.baseUrl();
        base.setPath(QStringLiteral("/media/2026-03-18"));
        return base.toString();
    }

    const QString area = QStringLiteral("screenshots");
    StandInService m_standIn;

private Q_SLOTS:
    void initTestCase()
    {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
    }

    void cleanup() { WD::setPalette(WDPalette::pink()); }

    void everyStateInEveryPalette_data() { RootViewRendering::addPaletteRows(); }

    void everyStateInEveryPalette()
    {
        const auto [tag, compact] = RootViewRendering::startPaletteRow();

        Scene scene(m_standIn);
        RootViewModel model(RootViewModel::Dependencies{*scene.rig.appState,
                                                        scene.rig.sessionManager(),
                                                        scene.rig.random,
                                                        compact,
                                                        false,
                                                        {},
                                                        nullptr,
                                                        nullptr,
                                                        nullptr,
                                                        &scene.services,
                                                        nullptr});
        QQmlEngine engine;
        const auto view = RootViewRendering::show(engine, model, compact, QSize(460, 700));
        QVERIFY(view);
        QObject &root = *view->rootObject();

        // The failed fetch: the server's text and "Try Again".
        model.selectTab(static_cast<int>(MainTab::Screenshots));
        QVERIFY(QTest::qWaitFor([&] { return !scene.fetcher.pending.isEmpty(); }));
        auto *screen = root.findChild<QQuickItem *>(QStringLiteral("screenshotsView"));
        QVERIFY(screen);
        auto *vm = screen->property("viewModel").value<ScreenshotsViewModel *>();
        QVERIFY(vm);
        auto *next = root.findChild<QQuickItem *>(QStringLiteral("nextDayButton"));
        QVERIFY(!next->isEnabled());
        QCOMPARE(next->opacity(), 0.4);
        scene.fetcher.pending.first()->fail(APIError::serverError(503));
        QTest::qWait(100);
        QVERIFY(root.findChild<QQuickItem *>(QStringLiteral("tryAgainButton"))->isVisible());
        QCOMPARE(root.findChild<QQuickItem *>(QStringLiteral("errorMessage"))
                     ->property("text")
                     .toString(),
                 QStringLiteral("Server error (503)."));
        RootViewRendering::save(*view, area, QStringLiteral("error-") + tag);

        // A day without hours.
        scene.fetcher.immediateReport = ScreenshotReportFixture::day(0, mediaBase());
        vm->navigate(-1);
        QVERIFY(QTest::qWaitFor(
            [&] { return vm->content() == ScreenshotsViewModel::Content::Report; }));
        QTest::qWait(100);
        QVERIFY(root.findChild<QQuickItem *>(QStringLiteral("noScreenshots"))->isVisible());
        QCOMPARE(next->opacity(), 1.0);
        RootViewRendering::save(*view, area, QStringLiteral("empty-") + tag);

        // A loaded day, thumbnails fetched over HTTPS from the stand-in.
        scene.fetcher.immediateReport = ScreenshotReportFixture::day(3, mediaBase());
        vm->navigate(-1);
        QVERIFY(QTest::qWaitFor([&] { return vm->hasHours(); }));
        QVERIFY(QTest::qWaitFor([&] { return imagesUnder(view->rootObject()).size() == 18; }));
        QVERIFY(QTest::qWaitFor([&] { return imagesSettled(view->rootObject()); }, 15000));
        const QList<ScreenshotImage *> thumbnails = imagesUnder(view->rootObject());
        QCOMPARE(thumbnails.size(), 18);
        QCOMPARE(std::count_if(thumbnails.begin(), thumbnails.end(),
                               [](const ScreenshotImage *image) {
                                   return image->status() == ScreenshotImage::Status::Ready;
                               }),
                 15);
        // Three cards to a row.
        const QList<QQuickItem *> cards =
            itemsNamed(view->rootObject(), QStringLiteral("segmentCard"));
        QSet<qreal> columns;
        for (const QQuickItem *card : cards)
            columns.insert(card->x());
        QCOMPARE(columns.size(), 3);
        QTest::qWait(100);
        RootViewRendering::save(*view, area, QStringLiteral("loaded-") + tag);

        // The viewer, over the window that opened it.
        vm->openSegment(0, 0);
        QVERIFY(QTest::qWaitFor([] { return viewerWindow() != nullptr; }));
        QQuickWindow *viewer = viewerWindow();
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        QCOMPARE(viewer->transientParent(), view.get());
        QCOMPARE(viewer->minimumSize(), QSize(360, 280));
        QVERIFY(QTest::qWaitFor([&] { return imagesSettled(viewer->contentItem()); }, 15000));
        ScreenshotImage *picture = imagesUnder(viewer->contentItem()).value(0);
        QVERIFY(picture);
        QCOMPARE(picture->status(), ScreenshotImage::Status::Ready);
        QCOMPARE(itemsNamed(viewer->contentItem(), QStringLiteral("viewerPosition"))
                     .value(0)
                     ->property("text")
                     .toString(),
                 QStringLiteral("1 / 2"));
        QCOMPARE(
            itemsNamed(viewer->contentItem(), QStringLiteral("viewerPrevious")).value(0)->opacity(),
            0.3);
        QTest::qWait(100);
        RootViewRendering::save(*viewer, area, QStringLiteral("viewer-") + tag);
        vm->closeViewer();
        QVERIFY(QTest::qWaitFor([] { return viewerWindow() == nullptr; }));
    }
};

QTEST_MAIN(TestScreenshotsRendering)
#include "TestScreenshotsRendering.moc"
