#include "app/shell/ShellTestRig.h"
#include "ui/reports/FakeSummarySource.h"
#include "ui/reports/SummaryRowModel.h"
#include "ui/reports/SummaryServices.h"
#include "ui/reports/SummaryViewModel.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

using Period = SummaryViewModel::Period;
using Area = SummaryViewModel::SessionArea;

const QTimeZone berlin("Europe/Berlin");
// EngineFixture's start, 2025-12-09 (a Tuesday) 09:00 in Berlin.
const double tuesdayMorning = EngineFixture::startSeconds;

SQLiteStore::SessionSummaryRow finished(const char *name, double seconds, double hoursBefore)
{
    return {QString::fromLatin1(name), seconds, 0.0,
            Timestamp::fromSecondsSince1970(tuesdayMorning - hoursBefore * 3600)};
}

// The summary's services over the rig's real engine, with a source the test answers by hand.
struct SummaryRig
{
    SummaryRig()
    {
        rig.finishRestore(true);
        auto fake = std::make_unique<FakeSummarySource>();
        source = fake.get();
        services = std::make_unique<SummaryServices>(SummaryServices::Dependencies{
            *rig.appState, rig.sessionManager(), std::move(fake), rig.engine.clock, [] {
                return berlin;
            }});
        model.setServices(services.get());
    }

    ~SummaryRig()
    {
        if (rig.sessionManager().isTracking())
            rig.sessionManager().stopTracking(std::nullopt);
    }

    // Runs the continuation of an answered load.
    void answer(qsizetype load, SummaryLoadResult result)
    {
        source->answer(load, std::move(result));
        QCoreApplication::processEvents();
    }

    QList<SummaryRowModel::Row> tableRows() const
    {
        QList<SummaryRowModel::Row> rows = model.rows()->finishedRows();
        if (model.rows()->ongoingRow())
            rows.append(*model.rows()->ongoingRow());
        return rows;
    }

    QList<bool> stripes() const
    {
        QList<bool> striped;
        SummaryRowModel &rows = *model.rows();
        for (int row = 0; row < rows.rowCount(); ++row)
            striped.append(rows.data(rows.index(row), SummaryRowModel::StripedRole).toBool());
        return striped;
    }

    void startTracking()
    {
        rig.sessionManager().startTracking(
            RemoteProject{QStringLiteral("p1"), QStringLiteral("Payroll")});
        QVERIFY(rig.sessionManager().isTracking());
    }

    ShellTestRig rig;
    FakeSummarySource *source = nullptr;
    std::unique_ptr<SummaryServices> services;
    SummaryViewModel model;
};

} // namespace

// The summary tab's decisions over the real engine: what each load asks for, what an answer
// shows, how the running session joins the figures and the table, and which of two overlapping
// loads may write.
class TestSummaryViewModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void loadsAskForTheSelectedPeriodOfTheDeviceZone()
    {
        SummaryRig rig;
        rig.model.appeared();
        rig.model.setPeriod(Period::Week);
        QCOMPARE(rig.source->loads.size(), 2);
        const auto day = [](int dayOfMonth) {
            return Timestamp::fromDateTime(QDate(2025, 12, dayOfMonth).startOfDay(berlin));
        };
        QCOMPARE(rig.source->loads[0].from, day(9));
        QCOMPARE(rig.source->loads[0].to, day(10));
        QCOMPARE(rig.source->loads[1].from, day(8));
        QCOMPARE(rig.source->loads[1].to, day(15));
        // Choosing the period already shown starts nothing.
        rig.model.setPeriod(Period::Week);
        QCOMPARE(rig.source->loads.size(), 2);
    }

    void anAnswerFillsTheCardsAndTheTableNewestFirst()
    {
        SummaryRig rig;
        rig.model.appeared();
        QCOMPARE(rig.model.sessionArea(), Area::Loading);
        rig.answer(0, {{finished("Payroll", 1800, 3), finished("Nothing", 0, 2),
                        finished("Backwards", -40, 1.5), finished("Audit", 3700, 1)},
                       {3000, 40}});

        QVERIFY(!rig.model.loading());
        QCOMPARE(rig.model.sessionArea(), Area::Table);
        QCOMPARE(rig.model.totalText(), QStringLiteral("1h 31m"));
        QCOMPARE(rig.model.sessionsText(), QStringLiteral("2"));
        QCOMPARE(rig.model.averageText(), QStringLiteral("75%"));
        QCOMPARE(rig.tableRows(), (QList<SummaryRowModel::Row>{{"9 Dec 08:00", "Audit", "1h 1m"},
                                                               {"9 Dec 06:00", "Payroll", "30m"}}));
        QCOMPARE(rig.stripes(), (QList{false, true}));
    }

    void emptyPeriodsSayWhichPeriodIsEmpty_data()
    {
        QTest::addColumn<Period>("period");
        QTest::addColumn<QString>("text");
        QTest::newRow("today") << Period::Today << "No sessions today";
        QTest::newRow("this week") << Period::Week << "No sessions this week";
    }

    void emptyPeriodsSayWhichPeriodIsEmpty()
    {
        QFETCH(Period, period);
        QFETCH(QString, text);
        SummaryRig rig;
        rig.model.setPeriod(period);
        rig.model.appeared();
        rig.answer(rig.source->loads.size() - 1, {{finished("Nothing", 0, 1)}, {500, 0}});
        QCOMPARE(rig.model.sessionArea(), Area::Empty);
        QCOMPARE(rig.model.emptyText(), text);
        QCOMPARE(rig.model.totalText(), QStringLiteral("0m"));
        QCOMPARE(rig.model.sessionsText(), QStringLiteral("0"));
        QCOMPARE(rig.model.averageText(), QStringLiteral("0%"));
    }

    void hiddenScreenCatchesUpWhenShown_data()
    {
        QTest::addColumn<bool>("stopsWhileHidden");
        QTest::newRow("a minute passes") << false;
        QTest::newRow("tracking stops") << true;
    }

    // Hidden, the running row stands still; shown, it is current at once. A session that ends
    // while hidden leaves the table at once, as it would in view.
    void hiddenScreenCatchesUpWhenShown()
    {
        QFETCH(bool, stopsWhileHidden);
        SummaryRig rig;
        rig.model.appeared();
        rig.answer(0, {});
        rig.startTracking();
        SessionManager &engine = rig.rig.sessionManager();
        const auto shownDuration = [&rig] {
            const auto row = rig.model.rows()->ongoingRow();
            return row ? row->durationText : QString();
        };
        const QString before = shownDuration();
        rig.model.setShown(false);
        rig.rig.engine.clock.advance(60.0);
        engine.updateLiveMetrics();
        QCOMPARE(shownDuration(), before);
        if (stopsWhileHidden)
            engine.stopTracking(std::nullopt);
        QCOMPARE(rig.model.rows()->rowCount(), stopsWhileHidden ? 0 : 1);

        rig.model.setShown(true);
        QCOMPARE(shownDuration(), stopsWhileHidden ? QString() : QStringLiteral("1m"));
    }

    void theRunningSessionJoinsAfterTheFinishedRows_data()
    {
        QTest::addColumn<int>("finishedRows");
        QTest::newRow("alone") << 0;
        QTest::newRow("after three rows") << 3;
    }

    void theRunningSessionJoinsAfterTheFinishedRows()
    {
        QFETCH(int, finishedRows);
        SummaryRig rig;
        rig.model.appeared();
        SummaryLoadResult result;
        for (int row = 0; row < finishedRows; ++row)
            result.rows.append(finished("Earlier", 600, 3 - row));
        rig.answer(0, result);

        rig.rig.engine.clock.set(Timestamp::fromSecondsSince1970(tuesdayMorning - 2 * 3600));
        rig.startTracking();
        rig.rig.engine.clock.advance(2 * 3600 + 65);
        rig.rig.sessionManager().updateLiveMetrics();

        QCOMPARE(rig.model.sessionArea(), Area::Table);
        QCOMPARE(rig.model.sessionsText(), QString::number(finishedRows + 1));
        const double elapsed = rig.rig.sessionManager().elapsedSeconds();
        QVERIFY(elapsed >= 2 * 3600 + 60);
        QCOMPARE(rig.model.totalText(),
                 SummaryFigures::formatDuration(finishedRows * 600 + elapsed));
        QCOMPARE(rig.model.rows()->rowCount(), finishedRows + 1);
        QCOMPARE(rig.model.rows()->ongoingRow(),
                 (SummaryRowModel::Row{"9 Dec 07:00", "Payroll",
                                       SummaryFigures::formatDuration(elapsed)}));
        const QModelIndex ongoing = rig.model.rows()->index(finishedRows);
        QVERIFY(rig.model.rows()->data(ongoing, SummaryRowModel::OngoingRole).toBool());
        QCOMPARE(rig.model.rows()->data(ongoing, SummaryRowModel::StripedRole).toBool(),
                 finishedRows % 2 == 1);

        // The live row leaves at once when tracking stops; the table waits for the next load.
        rig.rig.sessionManager().stopTracking(std::nullopt);
        QCOMPARE(rig.model.rows()->rowCount(), finishedRows);
        QCOMPARE(rig.model.sessionsText(), QString::number(finishedRows));
        QCOMPARE(rig.model.sessionArea(), finishedRows ? Area::Table : Area::Empty);
    }

    void onlyTheNewestOfOverlappingLoadsWrites_data()
    {
        QTest::addColumn<bool>("newestAnswersFirst");
        QTest::newRow("answers in reverse order") << true;
        QTest::newRow("answers in order") << false;
    }

    void onlyTheNewestOfOverlappingLoadsWrites()
    {
        QFETCH(bool, newestAnswersFirst);
        SummaryRig rig;
        rig.model.appeared();
        rig.model.setPeriod(Period::Week);
        const SummaryLoadResult today{{finished("Today", 600, 1)}, {100, 10}};
        const SummaryLoadResult week{{finished("Week", 3600, 30), finished("Week", 3600, 50)},
                                     {3000, 40}};

        if (newestAnswersFirst) {
            rig.answer(1, week);
            QVERIFY(!rig.model.loading());
            rig.answer(0, today);
        } else {
            rig.answer(0, today);
            // The older answer neither shows nor ends the spinner.
            QVERIFY(rig.model.loading());
            QCOMPARE(rig.model.sessionArea(), Area::Loading);
            QCOMPARE(rig.model.sessionsText(), QStringLiteral("0"));
            rig.answer(1, week);
        }
        QVERIFY(!rig.model.loading());
        QCOMPARE(rig.model.sessionsText(), QStringLiteral("2"));
        QCOMPARE(rig.model.totalText(), QStringLiteral("2h 0m"));
        QCOMPARE(rig.model.averageText(), QStringLiteral("75%"));
        QCOMPARE(rig.model.rows()->finishedRows().constFirst().taskName, QStringLiteral("Week"));
    }

    void whileLoadingTheCardsKeepThePreviousFigures()
    {
        SummaryRig rig;
        rig.model.appeared();
        rig.answer(0, {{finished("Today", 600, 1)}, {}});
        QSignalSpy areas(&rig.model, &SummaryViewModel::sessionAreaChanged);
        rig.model.setPeriod(Period::Week);
        QCOMPARE(rig.model.sessionArea(), Area::Loading);
        QCOMPARE(areas.size(), 1);
        QCOMPARE(rig.model.sessionsText(), QStringLiteral("1"));
        QCOMPARE(rig.model.totalText(), QStringLiteral("10m"));
    }

    void aLoadEndingWithoutAnAnswerKeepsWhatIsShown()
    {
        SummaryRig rig;
        rig.model.appeared();
        rig.answer(0, {{finished("Today", 600, 1)}, {}});
        rig.model.setPeriod(Period::Week);
        rig.source->abandon(1);
        QCoreApplication::processEvents();
        QVERIFY(!rig.model.loading());
        QCOMPARE(rig.model.sessionArea(), Area::Table);
        QCOMPARE(rig.model.sessionsText(), QStringLiteral("1"));
    }

    void anAnswerAfterTheScreenIsGoneIsDropped()
    {
        SummaryRig rig;
        auto model = std::make_unique<SummaryViewModel>();
        model->setServices(rig.services.get());
        model->appeared();
        QCOMPARE(rig.source->loads.size(), 1);
        model.reset();
        // Would run the continuation on a destroyed view model.
        rig.answer(0, {{finished("Late", 600, 1)}, {}});
        QCOMPARE(rig.model.rows()->rowCount(), 0);
    }
};

QTEST_MAIN(TestSummaryViewModel)
#include "TestSummaryViewModel.moc"
