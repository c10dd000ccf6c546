#include "app/shell/ShellTestRig.h"
#include "ui/tracker/DailyTargetStorage.h"
#include "ui/tracker/TaskMenuConfigRefresh.h"
#include "ui/tracker/TrackerActiveViewModel.h"
#include "ui/tracker/TrackerIdleViewModel.h"
#include "ui/tracker/TrackerServices.h"

#include <QCoroSignal>
#include <QSignalSpy>
#include <QTest>

#include <variant>

namespace {

// A configuration source whose one fetch answers only when the test releases it, so the test
// can sign out or switch company while the fetch is in flight.
class GatedConfigSource final : public QObject, public RemoteConfigSource
{
    Q_OBJECT

public:
    std::variant<RemoteConfig, APIError> answer =
        APIError::network(QNetworkReply::HostNotFoundError, QStringLiteral("offline"));
    int fetches = 0;

    QCoro::Task<RemoteConfig> fetchRemote() override
    {
        ++fetches;
        co_await qCoro(this, &GatedConfigSource::released);
        if (const auto *error = std::get_if<APIError>(&answer))
            throw *error;
        co_return std::get<RemoteConfig>(answer);
    }
    void stopPeriodicRefresh() override {}

    void release() { Q_EMIT released(); }

Q_SIGNALS:
    void released();
};

RemoteConfig configWithProjects(QList<RemoteProject> projects)
{
    RemoteConfig config = EngineFixture::config(QStringLiteral("ask"), false);
    config.projects = std::move(projects);
    return config;
}

// The tracker's services over the rig's real state and engine, with the rig's user defaults.
struct TrackerRig
{
    TrackerRig() { rig.finishRestore(true); }

    ShellTestRig rig;
    GatedConfigSource configSource;
    QString company = QStringLiteral("acme.example");
    TaskMenuConfigRefresh refresh{{*rig.appState, rig.sessionManager(), configSource, [this] {
                                       return company;
                                   }}};
    TrackerServices services{
        {*rig.appState, rig.sessionManager(), rig.engine.settings, rig.random, refresh}};
};

} // namespace

// The two screens' view models over the real application state and tracking engine.
class TestTrackerViewModels : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storedTargetIsClamped_data()
    {
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<int>("read");
        QTest::newRow("missing") << qint64(0) << 28800;
        QTest::newRow("negative") << qint64(-5) << 28800;
        QTest::newRow("one second") << qint64(1) << 1;
        QTest::newRow("1 h 30") << qint64(5400) << 5400;
        QTest::newRow("beyond a day") << qint64(90000) << 86400;
    }

    void storedTargetIsClamped()
    {
        QFETCH(qint64, stored);
        QFETCH(int, read);
        ShellTestRig rig;
        if (stored != 0)
            rig.engine.settings.setInteger(QStringLiteral("dailyTargetSeconds"), stored);
        QCOMPARE(DailyTargetStorage::targetSeconds(rig.engine.settings), read);
        // Reading never rewrites what is stored.
        QCOMPARE(rig.engine.settings.integer(QStringLiteral("dailyTargetSeconds")).has_value(),
                 stored != 0);
    }

    void savedTargetIsClamped_data()
    {
        QTest::addColumn<int>("hours");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<qint64>("stored");
        QTest::newRow("24 h 30") << 24 << 30 << qint64(86400);
        QTest::newRow("0 h 0") << 0 << 0 << qint64(28800);
        QTest::newRow("7 h 30") << 7 << 30 << qint64(27000);
        QTest::newRow("0 h 1") << 0 << 1 << qint64(60);
        QTest::newRow("30 h 15") << 30 << 15 << qint64(86400);
        QTest::newRow("negative parts") << -3 << -10 << qint64(28800);
        QTest::newRow("minutes beyond 59") << 1 << 500 << qint64(3600 + 59 * 60);
        QTest::newRow("huge hours") << std::numeric_limits<int>::max() << 0 << qint64(86400);
    }

    void savedTargetIsClamped()
    {
        QFETCH(int, hours);
        QFETCH(int, minutes);
        QFETCH(qint64, stored);
        ShellTestRig rig;
        DailyTargetStorage::setTarget(hours, minutes, rig.engine.settings);
        QCOMPARE(rig.engine.settings.integer(QStringLiteral("dailyTargetSeconds")), stored);
    }

    void targetCardFlipsAndForms()
    {
        TrackerRig t;
        t.rig.engine.settings.setInteger(QStringLiteral("dailyTargetSeconds"), 5400);
        TrackerActiveViewModel model;
        model.setServices(&t.services);
        QCOMPARE(model.goalText(), QStringLiteral("1h 30m of work"));
        QCOMPARE(model.timeChipText(), QStringLiteral("00:00 / 01:30"));

        // Hover turns the card; leaving turns it back.
        model.pointerEntered();
        QVERIFY(model.flipped());
        model.pointerExited();
        QVERIFY(!model.flipped());

        // With the form open, leaving keeps it turned; closing turns it back under the pointer.
        model.pointerEntered();
        model.openTargetForm();
        QVERIFY(model.showTargetForm());
        QCOMPARE(model.hoursText(), QStringLiteral("1"));
        QCOMPARE(model.minutesText(), QStringLiteral("30"));
        model.pointerExited();
        QVERIFY(model.flipped());
        model.pointerEntered();
        model.editHours(QStringLiteral("9x9"));
        QCOMPARE(model.hoursInput(), 24);
        model.closeTargetForm();
        QVERIFY(!model.flipped());
        QVERIFY(!model.showTargetForm());

        // Cancel stored nothing and the card still shows the old target.
        QCOMPARE(t.rig.engine.settings.integer(QStringLiteral("dailyTargetSeconds")), 5400);
        QCOMPARE(model.dailyTargetSeconds(), 5400);

        // The form reopens from the target, not from what was typed before.
        model.openTargetForm();
        QCOMPARE(model.hoursInput(), 1);
        model.editHours(QStringLiteral("0"));
        model.editMinutes(QStringLiteral("1"));
        model.saveTarget();
        QVERIFY(!model.showTargetForm());
        QVERIFY(!model.flipped());
        QCOMPARE(t.rig.engine.settings.integer(QStringLiteral("dailyTargetSeconds")), 60);
        QCOMPARE(model.goalText(), QStringLiteral("0h 1m of work"));

        // Steppers stop at their bounds; a zero target saves as eight hours.
        model.openTargetForm();
        model.stepHours(-1);
        model.stepMinutes(-5);
        QCOMPARE(model.hoursInput(), 0);
        QCOMPARE(model.minutesInput(), 0);
        model.saveTarget();
        QCOMPARE(model.goalText(), QStringLiteral("8 work hours"));
        model.openTargetForm();
        for (int i = 0; i < 30; ++i)
            model.stepHours(1);
        QCOMPARE(model.hoursInput(), 24);
    }

    void fieldDropsWhatItDidNotKeep()
    {
        TrackerRig t;
        TrackerActiveViewModel model;
        model.setServices(&t.services);
        model.openTargetForm();
        model.editMinutes(QStringLiteral("12"));
        QSignalSpy changes(&model, &TrackerActiveViewModel::minutesInputChanged);
        // "123" keeps 12, the same value; the field must still be told to show "12" again.
        model.editMinutes(QStringLiteral("123"));
        QCOMPARE(model.minutesText(), QStringLiteral("12"));
        QCOMPARE(changes.count(), 1);
    }

    void trackingScreenFollowsTheEngine()
    {
        TrackerRig t;
        SessionManager &engine = t.rig.sessionManager();
        engine.applyConfig(configWithProjects({{QStringLiteral("p1"), QStringLiteral("Design")}}));
        t.rig.appState->setRemoteConfig(
            configWithProjects({{QStringLiteral("p1"), QStringLiteral("Design")}}));

        TrackerIdleViewModel idle;
        idle.setServices(&t.services);
        engine.setSelectedProjectId(QStringLiteral("p1"));
        idle.start();
        QVERIFY(engine.isTracking());

        TrackerActiveViewModel active;
        active.setServices(&t.services);
        active.setMotivationalPhraseIndex(31);
        QCOMPARE(active.taskName(), QStringLiteral("Design"));
        QCOMPARE(active.activityRateText(), QStringLiteral("\u2013"));
        QCOMPARE(active.motivationalLine(), QStringLiteral("Let's get started"));
        QVERIFY(!active.paused());

        QSignalSpy pauses(&active, &TrackerActiveViewModel::pausedChanged);
        active.pause();
        QVERIFY(active.paused());
        QCOMPARE(pauses.count(), 1);
        active.resume();
        QVERIFY(!active.paused());
        active.stop();
        QVERIFY(!engine.isTracking());
        QCOMPARE(active.taskName(), QString());
    }

    void startNeedsConfigAndNoForcedUpdate()
    {
        TrackerRig t;
        TrackerIdleViewModel idle;
        idle.setServices(&t.services);
        QSignalSpy enabling(&idle, &TrackerIdleViewModel::startEnabledChanged);

        // No configuration yet: the press does nothing.
        QVERIFY(!idle.startEnabled());
        QCOMPARE(idle.startOpacity(), 0.5);
        idle.start();
        QVERIFY(!t.rig.sessionManager().isTracking());

        t.rig.appState->setRemoteConfig(configWithProjects({}));
        QVERIFY(idle.startEnabled());
        QCOMPARE(idle.startOpacity(), 1.0);
        t.rig.appState->evaluateClientVersion(ShellTestRig::forcingConfig());
        QVERIFY(!idle.startEnabled());
        QVERIFY(enabling.count() >= 2);
    }

    void startWithStaleTaskBooksNone()
    {
        TrackerRig t;
        SessionManager &engine = t.rig.sessionManager();
        const RemoteConfig config =
            configWithProjects({{QStringLiteral("p1"), QStringLiteral("Design")}});
        engine.applyConfig(config);
        t.rig.appState->setRemoteConfig(config);
        engine.setSelectedProjectId(QStringLiteral("gone"));

        TrackerIdleViewModel idle;
        idle.setServices(&t.services);
        QCOMPARE(idle.taskTitle(), QStringLiteral("gone"));
        idle.start();
        QVERIFY(engine.isTracking());
        QVERIFY(engine.currentSession().has_value());
        QCOMPARE(engine.currentSession()->projectName, QString());
        engine.stopTracking(std::nullopt);
    }

    void tipsShowTheEngineMessage()
    {
        TrackerRig t;
        TrackerIdleViewModel idle;
        idle.setServices(&t.services);
        QVERIFY(!idle.hasStatusMessage());

        // The engine refuses without the permissions and says why.
        t.rig.appState->setRemoteConfig(configWithProjects({}));
        t.rig.engine.screenAllowed = false;
        t.rig.sessionManager().applyConfig(configWithProjects({}));
        QSignalSpy messages(&idle, &TrackerIdleViewModel::statusMessageChanged);
        idle.start();
        QVERIFY(!t.rig.sessionManager().isTracking());
        QVERIFY(idle.hasStatusMessage());
        QVERIFY(!idle.statusMessage().isEmpty());
        QCOMPARE(messages.count(), 1);
    }

    void choosingAnEntryWritesTheSelection()
    {
        TrackerRig t;
        t.rig.appState->setRemoteConfig(
            configWithProjects({{QStringLiteral("p1"), QStringLiteral("Design")}}));
        TrackerIdleViewModel idle;
        idle.setServices(&t.services);
        QSignalSpy titles(&idle, &TrackerIdleViewModel::taskTitleChanged);

        const QList<TaskMenuEntry> entries = idle.menuEntries();
        QCOMPARE(entries.size(), 2);
        idle.chooseEntry(entries.at(1));
        QCOMPARE(t.rig.sessionManager().selectedProjectId(), QStringLiteral("p1"));
        QCOMPARE(idle.taskTitle(), QStringLiteral("Design"));
        QVERIFY(idle.menuEntries().at(1).checked);
        idle.chooseEntry(idle.menuEntries().at(0));
        QCOMPARE(t.rig.sessionManager().selectedProjectId(), QString());
        QCOMPARE(idle.taskTitle(), QStringLiteral("No task"));
        QCOMPARE(titles.count(), 2);
    }

    void greetingIsDrawnOnEveryAppearance()
    {
        TrackerRig t;
        TrackerIdleViewModel idle;
        t.rig.random.setFraction(0.0);
        idle.setServices(&t.services);
        QCOMPARE(idle.greeting(), QStringLiteral("Let's get started"));
        t.rig.random.setFraction(0.999);
        QSignalSpy greetings(&idle, &TrackerIdleViewModel::greetingChanged);
        idle.appeared();
        QCOMPARE(idle.greeting(), QStringLiteral("Today, show up and shine"));
        // The top of the draw's range stays inside the table.
        t.rig.random.setFraction(1.0);
        idle.appeared();
        QCOMPARE(idle.greeting(), QStringLiteral("Today, show up and shine"));
        QCOMPARE(greetings.count(), 1);
    }

    void refreshAppliesOnlyToTheSameSignIn_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<bool>("applied");
        QTest::newRow("success") << QString() << false << true;
        QTest::newRow("fetch fails") << QString() << true << false;
        QTest::newRow("signed out") << QStringLiteral("sign out") << false << false;
        QTest::newRow("signed out and in again")
            << QStringLiteral("sign in again") << false << false;
        QTest::newRow("another company") << QStringLiteral("company") << false << false;
    }

    void refreshAppliesOnlyToTheSameSignIn()
    {
        QFETCH(QString, meanwhile);
        QFETCH(bool, fails);
        QFETCH(bool, applied);

        TrackerRig t;
        const RemoteConfig before =
            configWithProjects({{QStringLiteral("p1"), QStringLiteral("Design")}});
        t.rig.appState->setRemoteConfig(before);
        RemoteConfig fresh = configWithProjects({{QStringLiteral("p3"), QStringLiteral("Zeta")},
                                                 {QStringLiteral("p2"), QStringLiteral("Alpha")}});
        fresh.latestClientVersion = QStringLiteral("999.0");
        if (!fails)
            t.configSource.answer = fresh;

        t.refresh.schedule();
        QCOMPARE(t.configSource.fetches, 1);
        if (meanwhile == QLatin1String("sign out")) {
            t.rig.appState->setIsAuthenticated(false);
        } else if (meanwhile == QLatin1String("sign in again")) {
            t.rig.appState->setIsAuthenticated(false);
            t.rig.appState->setIsAuthenticated(true);
        } else if (meanwhile == QLatin1String("company")) {
            t.company = QStringLiteral("other.example");
        }
        const std::optional<RemoteConfig> current = t.rig.appState->remoteConfig();
        t.configSource.release();
        QCoreApplication::processEvents();

        if (applied) {
            QCOMPARE(t.rig.appState->remoteConfig(), std::optional<RemoteConfig>(fresh));
            // The server's order, unsorted.
            QCOMPARE(t.rig.appState->projects().at(0).name, QStringLiteral("Zeta"));
            QCOMPARE(t.rig.appState->projects().at(1).name, QStringLiteral("Alpha"));
            QVERIFY(t.rig.appState->forceClientUpdate());
        } else {
            QCOMPARE(t.rig.appState->remoteConfig(), current);
            QVERIFY(!t.rig.appState->forceClientUpdate());
        }
    }

    void refreshDoesNotFetchWhenSignedOut()
    {
        TrackerRig t;
        t.rig.appState->setIsAuthenticated(false);
        t.refresh.schedule();
        QCOMPARE(t.configSource.fetches, 0);
    }
};

QTEST_MAIN(TestTrackerViewModels)
#include "TestTrackerViewModels.moc"
