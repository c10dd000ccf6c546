#include "app/shell/ShellTestRig.h"
#include "ui/RootViewRendering.h"
#include "ui/design/WD.h"
#include "ui/reports/FakeSummarySource.h"
#include "ui/reports/SummaryServices.h"
#include "ui/reports/SummaryViewModel.h"
#include "ui/root/RootViewModel.h"

#include <QDir>
#include <QLocale>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSet>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

namespace {

SQLiteStore::SessionSummaryRow finished(const char *name, double seconds, double hoursBefore)
{
    return {QString::fromLatin1(name), seconds, 0.0,
            Timestamp::fromSecondsSince1970(EngineFixture::startSeconds - hoursBefore * 3600)};
}

} // namespace

// Draws the summary tab through the real root view, empty and loaded (with the running session's
// row), in every palette and both layouts, to PNG files a person can look at (build folder,
// rendered/summary/), and checks what only the QML can get wrong.
class TestSummaryRendering : public QObject
{
    Q_OBJECT

private:
    struct Scene
    {
        explicit Scene(bool compact)
        {
            rig.finishRestore(true);
            rig.appState->setHasRequiredPermissions(true);
            auto fake = std::make_unique<FakeSummarySource>();
            source = fake.get();
            services = std::make_unique<SummaryServices>(SummaryServices::Dependencies{
                *rig.appState, rig.sessionManager(), std::move(fake), rig.engine.clock, [] {
                    return QTimeZone("Europe/Berlin");
                }});
            model =
                std::make_unique<RootViewModel>(RootViewModel::Dependencies{*rig.appState,
                                                                            rig.sessionManager(),
                                                                            rig.random,
                                                                            compact,
                                                                            false,
                                                                            {},
                                                                            &rig.engine.clock,
                                                                            nullptr,
                                                                            services.get()});
            model->selectTab(static_cast<int>(MainTab::Summary));
        }

        ~Scene()
        {
            if (rig.sessionManager().isTracking())
                rig.sessionManager().stopTracking(std::nullopt);
        }

        ShellTestRig rig;
        FakeSummarySource *source = nullptr;
        std::unique_ptr<SummaryServices> services;
        std::unique_ptr<RootViewModel> model;
    };

    // Every item below, through the item tree (a Repeater's rows have no object parent there).
    static QList<QQuickItem *> itemsBelow(QQuickItem *item)
    {
        QList<QQuickItem *> items;
        for (QQuickItem *child : item->childItems()) {
            items.append(child);
            items.append(itemsBelow(child));
        }
        return items;
    }

    static QQuickItem *find(QQuickItem *root, const char *name)
    {
        for (QQuickItem *item : itemsBelow(root)) {
            if (item->objectName() == QLatin1String(name))
                return item;
        }
        return nullptr;
    }

    static QQuickItem *find(QQuickView &view, const char *name)
    {
        return find(view.rootObject(), name);
    }

    static QList<QQuickItem *> visibleRows(QQuickView &view)
    {
        QList<QQuickItem *> rows;
        for (QQuickItem *item : itemsBelow(view.rootObject())) {
            const QString name = item->objectName();
            if ((name == u"summaryRow" || name == u"summaryOngoingRow") && item->isVisible())
                rows.append(item);
        }
        std::sort(rows.begin(), rows.end(), [&](QQuickItem *a, QQuickItem *b) {
            return a->mapToScene({}).y() < b->mapToScene({}).y();
        });
        return rows;
    }

    static QString text(QQuickItem *item, const char *name)
    {
        return find(item, name)->property("text").toString();
    }

    static void save(QQuickView &view, const QString &name)
    {
        RootViewRendering::save(view, QStringLiteral("summary"), name);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }

    void cleanup() { WD::setPalette(WDPalette::pink()); }

    void emptyAndLoadedInEveryPalette_data() { RootViewRendering::addPaletteRows(); }

    void emptyAndLoadedInEveryPalette()
    {
        QFETCH(QString, paletteId);
        QFETCH(bool, compact);
        WD::setPalette(WDPalette::byID(paletteId));
        const QString tag = QString::fromLatin1(QTest::currentDataTag());

        Scene scene(compact);
        QQmlEngine engine;
        const auto view = RootViewRendering::show(engine, *scene.model, compact, QSize(460, 620));
        QVERIFY(view);
        QVERIFY(find(*view, "summaryView"));
        QCOMPARE(scene.source->loads.size(), 1);
        QVERIFY(find(*view, "summaryLoading")->isVisible());

        scene.source->answer(0, {});
        QTRY_VERIFY(find(*view, "summaryEmpty")->isVisible());
        QVERIFY(!find(*view, "summaryTable")->isVisible());
        QCOMPARE(find(*view, "summaryEmptyText")->property("text").toString(),
                 QStringLiteral("No sessions today"));
        save(*view, QStringLiteral("empty-") + tag);

        QQuickItem *week = find(*view, "pillSegmentThis Week");
        QVERIFY(week);
        QMetaObject::invokeMethod(week, "clicked");
        QCOMPARE(scene.source->loads.size(), 2);
        scene.source->answer(1, {{finished("Payroll reconciliation", 5400, 30),
                                  finished("Quarterly report with a rather long name", 1500, 5),
                                  finished("Website redesign", 12 * 3600 + 300, 50)},
                                 {3000, 40}});
        scene.rig.sessionManager().startTracking(
            RemoteProject{QStringLiteral("p1"), QStringLiteral("Support")});
        QTRY_COMPARE(visibleRows(*view).size(), 4);
        QTest::qWait(100);

        const QList<QQuickItem *> rows = visibleRows(*view);
        QCOMPARE(text(rows[0], "taskName"),
                 QStringLiteral("Quarterly report with a rather long name"));
        QCOMPARE(text(rows[3], "taskName"), QStringLiteral("Support"));
        QVERIFY(find(rows[3], "ongoingLabel")->isVisible());
        QVERIFY(!find(rows[0], "ongoingLabel")->isVisible());
        // Every column stays inside its row, the task cut short rather than pushed out.
        for (QQuickItem *row : rows) {
            auto *duration = find(row, "durationText");
            QVERIFY(duration->mapToItem(row, QPointF(duration->width(), 0)).x() <= row->width());
        }
        QCOMPARE(find(*view, "statSessions")->property("value").toString(), QStringLiteral("4"));
        QCOMPARE(find(*view, "statAvgActivity")->property("value").toString(),
                 QStringLiteral("75%"));
        save(*view, QStringLiteral("loaded-") + tag);
    }

    // The table of a busy week is taller than the popover: it scrolls, and the tab's padding
    // stays around it at both ends.
    void aLongTableScrolls()
    {
        Scene scene(true);
        QQmlEngine engine;
        const auto view = RootViewRendering::show(engine, *scene.model, true);
        QVERIFY(view);
        SummaryLoadResult week;
        for (int row = 0; row < 30; ++row)
            week.rows.append(finished("Session", 1800, 2.0 * row + 1));
        scene.source->answer(0, week);
        QTRY_COMPARE(visibleRows(*view).size(), 30);
        auto *tab = find(*view, "summaryTab");
        QTRY_VERIFY(tab->property("contentHeight").toDouble() > 30 * 30);
        // Dragged to its end, the last row sits above the tab's bottom padding.
        tab->setProperty("contentY", tab->property("contentHeight").toDouble() +
                                         tab->property("bottomMargin").toDouble() - tab->height());
        QTest::qWait(100);
        const QList<QQuickItem *> rows = visibleRows(*view);
        const double lastRowBottom =
            rows.constLast()->mapToItem(tab, QPointF(0, rows.constLast()->height())).y();
        QVERIFY(lastRowBottom < tab->height() - tab->property("bottomMargin").toDouble());
        save(*view, QStringLiteral("long-compact"));
    }
};

QTEST_MAIN(TestSummaryRendering)
#include "TestSummaryRendering.moc"
