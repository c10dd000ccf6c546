#include "app/shell/ShellTestRig.h"
#include "support/TestEnvironment.h"
#include "ui/root/RootViewModel.h"
#include "ui/tracker/TaskMenuConfigRefresh.h"
#include "ui/tracker/TrackerIdleViewModel.h"
#include "ui/tracker/TrackerServices.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

// Last: the X11 headers define names that Qt's headers use.
#include "platform/XTestInjector.h"

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

// The task menu as a real X11 window over the popover: where it opens, how wide it is, and a
// choice made with the keyboard through XTest, then a session started, paused, resumed and
// stopped from the screens and found in the store with its task.
class TestTaskMenuX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { ZUV_REQUIRE_X11(); }

    void pickATaskAndTrackIt()
    {
        ShellTestRig rig;
        rig.finishRestore(true);
        rig.appState->setHasRequiredPermissions(true);
        RemoteConfig config = EngineFixture::config(QStringLiteral("ask"), false);
        config.projects = {{QStringLiteral("p1"), QStringLiteral("Website redesign")},
                           {QStringLiteral("p2"), QStringLiteral("Quarterly report")},
                           {QStringLiteral("p3"), QStringLiteral("R&D")}};
        rig.appState->setRemoteConfig(config);
        rig.sessionManager().applyConfig(config);
        // The refresh the menu starts answers with the same tasks.
        FakeRemoteConfigSource source;
        source.outcomes = {config};
        TaskMenuConfigRefresh refresh({*rig.appState, rig.sessionManager(), source, [] {
                                           return QStringLiteral("acme.example");
                                       }});
        TrackerServices services(
            {*rig.appState, rig.sessionManager(), rig.engine.settings, rig.random, refresh});
        RootViewModel model(RootViewModel::Dependencies{
            *rig.appState, rig.sessionManager(), rig.random, true, false, {}, nullptr, &services});

        QQmlEngine engine;
        QQuickView view(&engine, nullptr);
        view.setResizeMode(QQuickView::SizeViewToRootObject);
        view.setInitialProperties({{QStringLiteral("viewModel"), QVariant::fromValue(&model)}});
        view.setSource(
            QUrl(QStringLiteral("qrc:/qt-project.org/imports/Zuvevivezid/Root/qml/RootView.qml")));
        QCOMPARE(view.status(), QQuickView::Ready);
        view.setPosition(100, 80);
        view.show();
        view.requestActivate();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::qWait(300);

        auto *field = view.rootObject()->findChild<QQuickItem *>(QStringLiteral("taskField"));
        QVERIFY(field);
        auto *idle = view.rootObject()
                         ->findChild<QQuickItem *>(QStringLiteral("trackerIdleView"))
                         ->property("viewModel")
                         .value<TrackerIdleViewModel *>();
        QVERIFY(idle);

        XTestInjector input;
        QVERIFY(input.isOpen());
        // The popover closes when it stops being the active window; the menu must not make it so.
        QVERIFY(QTest::qWaitFor([&] { return view.isActive(); }));
        bool activeWhileOpen = false;
        QRect menuGeometry;
        QStringList titles;
        QList<bool> marks;
        bool anyCheckBox = false;
        QTimer::singleShot(400, this, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            menuGeometry = menu->geometry();
            activeWhileOpen = view.isActive();
            const QString folder =
                qEnvironmentVariable("ZUV_TEST_BINARY_DIR", QDir::currentPath()) +
                QStringLiteral("/rendered/tracker");
            QDir().mkpath(folder);
            menu->grab().save(folder + QStringLiteral("/task-menu-open.png"));
            // The title as drawn: what is left once the menu has read its mnemonic markers.
            for (const QAction *action : menu->actions()) {
                titles.append(action->iconText());
                marks.append(!action->icon().isNull());
                anyCheckBox = anyCheckBox || action->isCheckable();
            }
            // "No task" is highlighted first; one step down is the first task.
            input.keyTap(XK_Down);
            input.keyTap(XK_Down);
            input.keyTap(XK_Return);
        });
        // Never leave a menu open on the shared display.
        QTimer::singleShot(5000, this, [] {
            if (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
        });
        idle->presentTaskMenu(field);

        QCOMPARE(titles, (QStringList{QStringLiteral("No task"), QStringLiteral("Website redesign"),
                                      QStringLiteral("Quarterly report"), QStringLiteral("R&D")}));
        QCOMPARE(marks, (QList<bool>{true, false, false, false}));
        QVERIFY(!anyCheckBox);
        const QPoint fieldBottomLeft = field->mapToGlobal(QPointF(0, field->height())).toPoint();
        QVERIFY2(
            menuGeometry.width() >= qFloor(field->width()),
            qPrintable(QStringLiteral("%1 < %2").arg(menuGeometry.width()).arg(field->width())));
        QCOMPARE(menuGeometry.topLeft(), fieldBottomLeft + QPoint(0, 6));
        QVERIFY(activeWhileOpen);
        QCOMPARE(rig.sessionManager().selectedProjectId(), QStringLiteral("p1"));
        QCOMPARE(idle->taskTitle(), QStringLiteral("Website redesign"));
        QCOMPARE(source.fetches, 1);

        auto button = [&](const char *name) {
            return view.rootObject()->findChild<QQuickItem *>(QString::fromLatin1(name));
        };
        QMetaObject::invokeMethod(button("startTrackingButton"), "clicked");
        QVERIFY(rig.sessionManager().isTracking());
        QVERIFY(QTest::qWaitFor([&] { return button("pauseButton") != nullptr; }));
        QMetaObject::invokeMethod(button("pauseButton"), "clicked");
        QVERIFY(rig.sessionManager().isPaused());
        QVERIFY(QTest::qWaitFor([&] { return button("resumeButton") != nullptr; }));
        QMetaObject::invokeMethod(button("resumeButton"), "clicked");
        QVERIFY(!rig.sessionManager().isPaused());
        QVERIFY(QTest::qWaitFor([&] { return button("stopButton") != nullptr; }));
        QMetaObject::invokeMethod(button("stopButton"), "clicked");
        QVERIFY(!rig.sessionManager().isTracking());
        QVERIFY(QTest::qWaitFor([&] { return button("startTrackingButton") != nullptr; }));

        const QList<SQLiteStore::SessionSummaryRow> history = rig.engine.storedHistory();
        QCOMPARE(history.size(), 1);
        QCOMPARE(history.first().projectName, QStringLiteral("Website redesign"));
    }
};

QTEST_MAIN(TestTaskMenuX11)
#include "TestTaskMenuX11.moc"
