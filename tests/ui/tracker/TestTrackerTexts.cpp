#include "ui/tracker/MotivationalPhrases.h"
#include "ui/tracker/TaskMenuEntries.h"
#include "ui/tracker/TrackerActiveViewModel.h"
#include "ui/tracker/TrackerIdleViewModel.h"

#include <QTest>

#include <limits>
#include <optional>

using OptionalText = std::optional<QString>;
using OptionalRate = std::optional<double>;
using Projects = QList<RemoteProject>;
using Entries = QList<TaskMenuEntry>;

Q_DECLARE_METATYPE(OptionalText)
Q_DECLARE_METATYPE(OptionalRate)

// The tracker tab's wording and numbers at their boundaries, and the task menu's lines.
class TestTrackerTexts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void phraseTablesKeepTheirShape()
    {
        QCOMPARE(MotivationalPhrases::all().size(), 30);
        QCOMPARE(MotivationalPhrases::idle().size(), 50);
        for (const QString &phrase : MotivationalPhrases::all()) {
            QVERIFY2(phrase.startsWith(QLatin1String("{time} ")), qPrintable(phrase));
            QVERIFY2(phrase.endsWith(QLatin1String(" today")), qPrintable(phrase));
            QCOMPARE(phrase.count(QLatin1String("{time}")), 1);
        }
        // Typographic apostrophes would be different bytes.
        for (const QString &greeting : MotivationalPhrases::idle()) {
            QVERIFY2(!greeting.contains(QChar(0x2019)), qPrintable(greeting));
            QVERIFY(!greeting.contains(QLatin1String("{time}")));
        }
        QCOMPARE(MotivationalPhrases::idle().at(24), QStringLiteral("Let's earn today's win"));
        QCOMPARE(MotivationalPhrases::idle().at(44), QStringLiteral("Ready to bring your A-game?"));
    }

    void formatTime_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<OptionalText>("words");
        QTest::newRow("0 s") << 0.0 << OptionalText();
        QTest::newRow("59.9 s") << 59.9 << OptionalText();
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << OptionalText();
        QTest::newRow("60 s") << 60.0 << OptionalText(QStringLiteral("1 minute"));
        QTest::newRow("119.99 s") << 119.99 << OptionalText(QStringLiteral("1 minute"));
        QTest::newRow("120 s") << 120.0 << OptionalText(QStringLiteral("2 minutes"));
        QTest::newRow("3599.9 s") << 3599.9 << OptionalText(QStringLiteral("59 minutes"));
        QTest::newRow("3600 s") << 3600.0 << OptionalText(QStringLiteral("1 hour"));
        QTest::newRow("5399 s") << 5399.0 << OptionalText(QStringLiteral("1 hour"));
        QTest::newRow("5400 s") << 5400.0 << OptionalText(QStringLiteral("2 hours"));
        QTest::newRow("9000 s, 2.5 h") << 9000.0 << OptionalText(QStringLiteral("3 hours"));
        QTest::newRow("86400 s") << 86400.0 << OptionalText(QStringLiteral("24 hours"));
        QTest::newRow("90000 s") << 90000.0 << OptionalText(QStringLiteral("25 hours"));
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << OptionalText();
    }

    void formatTime()
    {
        QFETCH(double, seconds);
        QFETCH(OptionalText, words);
        QCOMPARE(MotivationalPhrases::formatTime(seconds), words);
    }

    void trackingLine_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("line");
        QTest::newRow("nothing yet") << 4 << 0.0 << QStringLiteral("Let's get started");
        QTest::newRow("59.9 s") << 4 << 59.9 << QStringLiteral("Let's get started");
        QTest::newRow("60 s") << 0 << 60.0
                              << QStringLiteral("1 minute making something awesome today");
        QTest::newRow("entry 4 after 2 h")
            << 4 << 7200.0 << QStringLiteral("2 hours of deep focus today");
        QTest::newRow("index 31 wraps to 1")
            << 31 << 120.0 << QStringLiteral("2 minutes of focused work today");
        QTest::newRow("index -1 is the last")
            << -1 << 120.0 << QStringLiteral("2 minutes of finding your rhythm today");
        QTest::newRow("index -31 is the last")
            << -31 << 120.0 << QStringLiteral("2 minutes of finding your rhythm today");
    }

    void trackingLine()
    {
        QFETCH(int, index);
        QFETCH(double, seconds);
        QFETCH(QString, line);
        QCOMPARE(MotivationalPhrases::trackingLine(index, seconds), line);
    }

    void everyPlaceholderIsFilled()
    {
        QCOMPARE(MotivationalPhrases::fill(QStringLiteral("{time} and {time} today"),
                                           QStringLiteral("2 hours")),
                 QStringLiteral("2 hours and 2 hours today"));
    }

    void clockAndChips_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("clock");
        QTest::addColumn<QString>("hoursMinutes");
        QTest::newRow("0") << 0.0 << QStringLiteral("00:00:00") << QStringLiteral("00:00");
        QTest::newRow("59.9 s") << 59.9 << QStringLiteral("00:00:59") << QStringLiteral("00:00");
        QTest::newRow("3725.9 s") << 3725.9 << QStringLiteral("01:02:05")
                                  << QStringLiteral("01:02");
        QTest::newRow("28800 s") << 28800.0 << QStringLiteral("08:00:00")
                                 << QStringLiteral("08:00");
        QTest::newRow("90000 s, not wrapped")
            << 90000.0 << QStringLiteral("25:00:00") << QStringLiteral("25:00");
        QTest::newRow("negative") << -5.0 << QStringLiteral("00:00:00") << QStringLiteral("00:00");
    }

    void clockAndChips()
    {
        QFETCH(double, seconds);
        QFETCH(QString, clock);
        QFETCH(QString, hoursMinutes);
        QCOMPARE(TrackerActiveViewModel::formatDuration(seconds), clock);
        QCOMPARE(TrackerActiveViewModel::formatHoursMinutes(seconds), hoursMinutes);
    }

    void activityRate_data()
    {
        QTest::addColumn<OptionalRate>("rate");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << OptionalRate() << QStringLiteral("\u2013");
        QTest::newRow("0") << OptionalRate(0.0) << QStringLiteral("0%");
        QTest::newRow("86.4") << OptionalRate(86.4) << QStringLiteral("86%");
        // printf rounds halves to even, as the platform this follows does.
        QTest::newRow("86.5") << OptionalRate(86.5) << QStringLiteral("86%");
        QTest::newRow("86.6") << OptionalRate(86.6) << QStringLiteral("87%");
        QTest::newRow("100") << OptionalRate(100.0) << QStringLiteral("100%");
    }

    void activityRate()
    {
        QFETCH(OptionalRate, rate);
        QFETCH(QString, text);
        QCOMPARE(TrackerActiveViewModel::activityRateTextFor(rate), text);
    }

    void dailyProgress_data()
    {
        QTest::addColumn<double>("today");
        QTest::addColumn<int>("target");
        QTest::addColumn<double>("progress");
        QTest::addColumn<QString>("percent");
        QTest::newRow("nothing yet") << 0.0 << 28800 << 0.0 << QStringLiteral("0%");
        QTest::newRow("half") << 14400.0 << 28800 << 0.5 << QStringLiteral("50%");
        QTest::newRow("one second short")
            << 28799.0 << 28800 << 28799.0 / 28800 << QStringLiteral("99%");
        QTest::newRow("beyond the target") << 33000.0 << 28800 << 1.0 << QStringLiteral("100%");
        QTest::newRow("exactly 29") << 8352.0 << 28800 << 0.29 << QStringLiteral("29%");
        QTest::newRow("exactly 57") << 16416.0 << 28800 << 0.57 << QStringLiteral("57%");
        QTest::newRow("exactly 58") << 16704.0 << 28800 << 0.58 << QStringLiteral("58%");
        QTest::newRow("no target") << 600.0 << 0 << 0.0 << QStringLiteral("0%");
    }

    void dailyProgress()
    {
        QFETCH(double, today);
        QFETCH(int, target);
        QFETCH(double, progress);
        QFETCH(QString, percent);
        QCOMPARE(TrackerActiveViewModel::progressFor(today, target), progress);
        QCOMPARE(TrackerActiveViewModel::percentTextFor(today, target), percent);
    }

    void goalText_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("text");
        QTest::newRow("8 h") << 28800 << QStringLiteral("8 work hours");
        QTest::newRow("1 h, no singular") << 3600 << QStringLiteral("1 work hours");
        QTest::newRow("24 h") << 86400 << QStringLiteral("24 work hours");
        QTest::newRow("1 h 30") << 5400 << QStringLiteral("1h 30m of work");
        QTest::newRow("one minute") << 60 << QStringLiteral("0h 1m of work");
        QTest::newRow("leftover seconds ignored") << 27059 << QStringLiteral("7h 30m of work");
    }

    void goalText()
    {
        QFETCH(int, target);
        QFETCH(QString, text);
        QCOMPARE(TrackerActiveViewModel::goalTextFor(target), text);
    }

    void digitFilter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("value");
        QTest::newRow("123 keeps two digits") << QStringLiteral("123") << 59 << 12;
        QTest::newRow("9x9 clamped to 24") << QStringLiteral("9x9") << 24 << 24;
        QTest::newRow("75 minutes") << QStringLiteral("75") << 59 << 59;
        QTest::newRow("30 hours") << QStringLiteral("30") << 24 << 24;
        QTest::newRow("a5") << QStringLiteral("a5") << 24 << 5;
        QTest::newRow("empty") << QString() << 24 << 0;
        QTest::newRow("sign and space") << QStringLiteral("- 7") << 24 << 7;
        QTest::newRow("Arabic-Indic five") << QStringLiteral("\u0665") << 24 << 0;
        QTest::newRow("Arabic-Indic digit takes a place") << QStringLiteral("1\u06653") << 59 << 0;
    }

    void digitFilter()
    {
        QFETCH(QString, typed);
        QFETCH(int, maximum);
        QFETCH(int, value);
        QCOMPARE(TrackerActiveViewModel::digitsValue(typed, maximum), value);
    }

    void menuEntries_data()
    {
        const RemoteProject design{QStringLiteral("p1"), QStringLiteral("Design")};
        const RemoteProject build{QStringLiteral("p2"), QStringLiteral("Build")};
        const RemoteProject again{QStringLiteral("p1"), QStringLiteral("Design again")};
        const TaskMenuEntry noTask{QStringLiteral("No task"), QString(), true};
        const TaskMenuEntry noTaskOff{QStringLiteral("No task"), QString(), false};

        QTest::addColumn<Projects>("projects");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<Entries>("entries");
        QTest::newRow("no tasks") << Projects() << QString() << Entries{noTask};
        QTest::newRow("no tasks, stale choice")
            << Projects() << QStringLiteral("p9") << Entries{noTaskOff};
        QTest::newRow("nothing chosen")
            << Projects{design, build} << QString()
            << Entries{noTask,
                       {QStringLiteral("Design"), QStringLiteral("p1"), false},
                       {QStringLiteral("Build"), QStringLiteral("p2"), false}};
        QTest::newRow("second chosen, server order kept")
            << Projects{design, build} << QStringLiteral("p2")
            << Entries{noTaskOff,
                       {QStringLiteral("Design"), QStringLiteral("p1"), false},
                       {QStringLiteral("Build"), QStringLiteral("p2"), true}};
        QTest::newRow("unknown id checks nothing")
            << Projects{design, build} << QStringLiteral("p9")
            << Entries{noTaskOff,
                       {QStringLiteral("Design"), QStringLiteral("p1"), false},
                       {QStringLiteral("Build"), QStringLiteral("p2"), false}};
        QTest::newRow("duplicate ids both checked")
            << Projects{design, build, again} << QStringLiteral("p1")
            << Entries{noTaskOff,
                       {QStringLiteral("Design"), QStringLiteral("p1"), true},
                       {QStringLiteral("Build"), QStringLiteral("p2"), false},
                       {QStringLiteral("Design again"), QStringLiteral("p1"), true}};
    }

    void menuEntries()
    {
        QFETCH(Projects, projects);
        QFETCH(QString, selected);
        QFETCH(Entries, entries);
        const Entries built = taskMenuEntries(projects, selected);
        QCOMPARE(built.size(), entries.size());
        for (qsizetype i = 0; i < built.size(); ++i) {
            QCOMPARE(built.at(i).title, entries.at(i).title);
            QCOMPARE(built.at(i).projectId, entries.at(i).projectId);
            QCOMPARE(built.at(i).checked, entries.at(i).checked);
        }
    }

    void titleAndStartProject_data()
    {
        const Projects projects{{QStringLiteral("p1"), QStringLiteral("Design")},
                                {QStringLiteral("p2"), QStringLiteral("Build")},
                                {QStringLiteral("p1"), QStringLiteral("Design again")}};
        QTest::addColumn<Projects>("projects");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("startedName");
        QTest::newRow("no task") << projects << QString() << QStringLiteral("No task") << QString();
        QTest::newRow("listed") << projects << QStringLiteral("p2") << QStringLiteral("Build")
                                << QStringLiteral("Build");
        QTest::newRow("duplicate: the first wins")
            << projects << QStringLiteral("p1") << QStringLiteral("Design")
            << QStringLiteral("Design");
        QTest::newRow("stale id shown raw, started on none")
            << projects << QStringLiteral("p9") << QStringLiteral("p9") << QString();
    }

    void titleAndStartProject()
    {
        QFETCH(Projects, projects);
        QFETCH(QString, selected);
        QFETCH(QString, title);
        QFETCH(QString, startedName);
        QCOMPARE(TrackerIdleViewModel::taskTitleFor(projects, selected), title);
        const std::optional<RemoteProject> started =
            TrackerIdleViewModel::projectToStart(projects, selected);
        QCOMPARE(started.has_value(), !startedName.isEmpty());
        if (started)
            QCOMPARE(started->name, startedName);
    }

    void startEnabling()
    {
        QVERIFY(TrackerIdleViewModel::startEnabledFor(true, false));
        QVERIFY(!TrackerIdleViewModel::startEnabledFor(false, false));
        QVERIFY(!TrackerIdleViewModel::startEnabledFor(true, true));
        QVERIFY(!TrackerIdleViewModel::startEnabledFor(false, true));
    }
};

QTEST_GUILESS_MAIN(TestTrackerTexts)
#include "TestTrackerTexts.moc"
