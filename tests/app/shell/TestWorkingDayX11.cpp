#include "api/KeychainService.h"
#include "app/shell/ApplicationAssembly.h"
#include "app/shell/FakeTrayHost.h"
#include "app/shell/WalkProcess.h"
#include "app/shell/WindowWalker.h"
#include "store/SQLiteStore.h"
#include "store/StoreTestSupport.h"
#include "support/LogCapture.h"
#include "support/SegmentZone.h"
#include "support/TestEnvironment.h"
#include "support/standin/StandInService.h"
#include "tracking/model/Session.h"
#include "upload/UploadService.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QQuickItem>
#include <QQuickView>
#include <QRandomGenerator>
#include <QSet>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

#include <algorithm>
#include <memory>

// Last: the X11 headers define names that Qt's headers use.
#include "platform/XTestInjector.h"

namespace {

const QString frontDesk = QStringLiteral("Front desk");
const QString harborClinicNorth = QStringLiteral("Harbor Clinic North");

constexpr int networkTimeoutMs = 20000;
// The company's idle threshold is one minute; the detector notices within a few seconds more.
constexpr int idleTimeoutMs = 100000;
// One capture interval of a minute, then its upload.
constexpr int captureTimeoutMs = 100000;

} // namespace

// A working day as a person meets the product: the application assembled as the executable
// assembles it, over its own data folder, the real keyring and the stand-in service over HTTPS,
// driven only by XTest clicks and keys at the places its windows show their items. Signed out at
// launch, the team account signs in with its one-time code and picks a company, picks a task in
// the task menu, tracks, goes idle and answers the question, lets a screenshot be taken, pauses,
// resumes and stops. The service must then hold what was worked, and the log none of the
// secrets. It runs once in the main window and once in the popover, with a picture of every
// screen passed.
class TestWorkingDayX11 : public QObject
{
    Q_OBJECT

public:
    TestWorkingDayX11()
    {
        // A walk lasts minutes of real time, more than Qt Test allows a function by default; the
        // suite's three walks together stay inside CTest's limit for it.
        if (qEnvironmentVariableIsEmpty("QTEST_FUNCTION_TIMEOUT"))
            qputenv("QTEST_FUNCTION_TIMEOUT", "1800000");
    }

private:
    // What one walk needs and leaves behind.
    struct Walk
    {
        QString name;
        QPointer<QQuickWindow> window;
        int pictures = 0;
    };

    static QString pictureFolder(const QString &walk)
    {
        const QString base = qEnvironmentVariable("ZUV_TEST_BINARY_DIR", QDir::currentPath());
        const QString folder = base + QStringLiteral("/rendered/day/") + walk;
        QDir().mkpath(folder);
        return folder;
    }

    static int distinctColours(const QImage &image)
    {
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        return static_cast<int>(colours.size());
    }

    static void saveImage(Walk &walk, const QImage &image, const QString &screen)
    {
        QVERIFY2(!image.isNull(), qPrintable(screen));
        // A blank or single-colour picture is a window that drew nothing.
        QVERIFY2(distinctColours(image) > 20, qPrintable(screen));
        const QString file = QStringLiteral("%1/%2-%3.png")
                                 .arg(pictureFolder(walk.name))
                                 .arg(++walk.pictures, 2, 10, QLatin1Char('0'))
                                 .arg(screen);
        QVERIFY(image.save(file));
    }

    static void picture(Walk &walk, const QString &screen)
    {
        QTest::qWait(250); // transitions settle
        saveImage(walk, walk.window->grabWindow(), screen);
    }

    // Every item of the window's visual tree, in order: delegates of repeaters are there too,
    // though not among the root's object children.
    static void collectItems(QQuickItem *item, QList<QQuickItem *> &items)
    {
        items.append(item);
        for (QQuickItem *child : item->childItems())
            collectItems(child, items);
    }

    static QList<QQuickItem *> visibleItems(const Walk &walk, const QString &name = QString())
    {
        QList<QQuickItem *> all;
        if (walk.window)
            collectItems(walk.window->contentItem(), all);
        QList<QQuickItem *> shown;
        for (QQuickItem *item : std::as_const(all)) {
            if (item->isVisible() && item->width() > 0 && item->height() > 0 &&
                (name.isEmpty() ? !item->objectName().isEmpty() : item->objectName() == name))
                shown.append(item);
        }
        return shown;
    }

    // The visible item of that name; items of screens no longer shown may linger, hidden.
    static QQuickItem *visibleItem(const Walk &walk, const QString &name)
    {
        const QList<QQuickItem *> items = visibleItems(walk, name);
        return items.isEmpty() ? nullptr : items.constFirst();
    }

    // The named items the window shows, for a failure's message.
    static QString shown(const Walk &walk)
    {
        QStringList names;
        for (const QQuickItem *item : visibleItems(walk)) {
            const QString text = item->property("text").toString();
            names.append(text.isEmpty() ? item->objectName()
                                        : item->objectName() + QStringLiteral("=\"") + text +
                                              QLatin1Char('"'));
        }
        return QStringLiteral("shown: ") + names.join(QLatin1Char(' '));
    }

    static bool waitForItem(const Walk &walk, const QString &name, int timeoutMs = networkTimeoutMs)
    {
        return QTest::qWaitFor([&] { return visibleItem(walk, name) != nullptr; }, timeoutMs);
    }

    bool clickAt(const QPoint &at)
    {
        m_input->moveTo(at.x(), at.y());
        QTest::qWait(50);
        m_input->click(1);
        QTest::qWait(100);
        return true;
    }

    bool click(const Walk &walk, const QString &name)
    {
        if (!walk.window || !walk.window->isVisible() || !waitForItem(walk, name))
            return false;
        return clickAt(WindowWalker::settledCentre(*visibleItem(walk, name)));
    }

    bool typeInto(const Walk &walk, const QString &name, const QByteArray &text)
    {
        if (!click(walk, name))
            return false;
        QQuickItem *field = visibleItem(walk, name);
        if (!QTest::qWaitFor([field] { return field->hasActiveFocus(); }, 3000))
            return false;
        // The form may hold what was typed last time, like the remembered e-mail address.
        m_input->selectAll();
        m_input->typeText(text.constData());
        return QTest::qWaitFor(
            [field, &text] { return field->property("text").toString() == text; }, 3000);
    }

    QString textOf(const Walk &walk, const QString &name) const
    {
        const QQuickItem *item = visibleItem(walk, name);
        return item ? item->property("text").toString() : QString();
    }

    // Real input that the session counts: keys and relative pointer motion.
    void work(int seconds)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        int step = 0;
        while (elapsed.elapsed() < seconds * 1000) {
            // A key that counts but changes nothing on the screens (a modifier counts no more).
            m_input->keyTap(XK_Scroll_Lock);
            m_input->moveBy(step % 2 == 0 ? 7 : -7, 3 - step % 7);
            ++step;
            QTest::qWait(200);
        }
    }

    // A popup runs its own event loop, so what it shows is answered from a timer inside it.
    template<typename Answer>
    void answerWhenShown(Answer answer)
    {
        auto *poll = new QTimer(this);
        poll->setInterval(100);
        connect(poll, &QTimer::timeout, this, [poll, answer] {
            if (answer())
                poll->deleteLater();
        });
        poll->start();
    }

    void pickFromTheMenuWhenShown(const QString &title, QStringList &titles)
    {
        answerWhenShown([this, title, &titles] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu || !menu->windowHandle() || !menu->windowHandle()->isExposed())
                return false;
            titles.clear();
            QAction *wanted = nullptr;
            for (QAction *action : menu->actions()) {
                titles.append(action->text());
                if (action->text() == title)
                    wanted = action;
            }
            if (!wanted) {
                menu->close();
                return true;
            }
            clickAt(menu->mapToGlobal(menu->actionGeometry(wanted).center()));
            return true;
        });
    }

    void answerIdleQuestionWhenShown(Walk &walk, QString &question)
    {
        answerWhenShown([this, &walk, &question] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->windowHandle() || !box->windowHandle()->isExposed())
                return false;
            question = box->text();
            saveImage(walk, box->grab().toImage(), QStringLiteral("idle-question"));
            for (QAbstractButton *button : box->buttons()) {
                if (button->text() == QStringLiteral("Continue"))
                    clickAt(button->mapToGlobal(button->rect().center()));
            }
            return true;
        });
    }

    // The walk's window, shown and ready for input: the main window the launch opened, or the
    // popover opened from the docked icon.
    bool openWindow(FakeTrayHost &host, TrayShell &shell, bool popover, Walk &walk)
    {
        if (!popover) {
            walk.window = shell.mainWindow();
            return walk.window && QTest::qWaitForWindowExposed(walk.window.data());
        }
        if (!QTest::qWaitFor([&] {
                host.pump();
                return !host.dockRequests().isEmpty();
            }))
            return false;
        // The latest request names the icon's window: Qt may replace the first one.
        QTest::qWait(500);
        host.pump();
        host.embed(host.dockRequests().constLast());
        QTest::qWait(200);
        return reopenPopover(host, shell, walk);
    }

    // The popover closes when another window takes the focus; a click on the icon brings it back.
    static bool reopenPopover(FakeTrayHost &host, TrayShell &shell, Walk &walk)
    {
        if (!shell.isPopoverVisible()) {
            QTest::qWait(TrayShell::reopenGuardMs + 100);
            host.click(host.iconCentre());
        }
        if (!QTest::qWaitFor([&] { return shell.isPopoverVisible(); }))
            return false;
        walk.window = shell.popover();
        return QTest::qWaitForWindowExposed(walk.window.data()) &&
               QTest::qWaitFor([&] { return walk.window->isActive(); });
    }

    // Every bearer token and refresh token the application sent.
    QStringList tokensSent() const
    {
        QStringList tokens;
        for (const StandInReceivedRequest &request : m_standIn.receivedRequests()) {
            const QString authorization = request.header(QStringLiteral("authorization"));
            if (authorization.startsWith(QStringLiteral("Bearer ")))
                tokens.append(authorization.mid(7));
            const QString refresh =
                request.json().toObject().value(QStringLiteral("refresh_token")).toString();
            if (!refresh.isEmpty())
                tokens.append(refresh);
        }
        tokens.removeDuplicates();
        return tokens;
    }

    // Drags the scrolling view until the item's centre is inside the window, as a person does.
    bool bringIntoView(const Walk &walk, const QString &name)
    {
        for (int attempt = 0; attempt < 8; ++attempt) {
            const QQuickItem *item = visibleItem(walk, name);
            if (!item)
                return false;
            const QPoint centre = WindowWalker::screenCentre(*item) - walk.window->position();
            const int margin = 60;
            if (centre.y() > margin && centre.y() < walk.window->height() - margin)
                return true;
            const int distance = std::clamp(walk.window->height() / 2 - centre.y(),
                                            -walk.window->height() / 3, walk.window->height() / 3);
            const QPoint from = walk.window->position() +
                                QPoint(walk.window->width() - 12, walk.window->height() / 2);
            m_input->moveTo(from.x(), from.y());
            m_input->button(1, true);
            for (int step = 1; step <= 10; ++step) {
                m_input->moveTo(from.x(), from.y() + distance * step / 10);
                QTest::qWait(20);
            }
            m_input->button(1, false);
            QTest::qWait(400);
        }
        return false;
    }

    bool clickInView(const Walk &walk, const QString &name)
    {
        return waitForItem(walk, name) && bringIntoView(walk, name) && click(walk, name);
    }

    static QQuickWindow *viewerWindow()
    {
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            if (window->objectName() == QStringLiteral("screenshotViewer") && window->isVisible())
                return qobject_cast<QQuickWindow *>(window);
        }
        return nullptr;
    }

    // The summary lists the session; the screenshots tab shows the day's report of the uploads
    // with a thumbnail, and the viewer opens on it.
    void checkReports(Walk &walk)
    {
        QVERIFY2(click(walk, QStringLiteral("mainTabSummary")), qPrintable(shown(walk)));
        QVERIFY2(waitForItem(walk, QStringLiteral("summaryRow")), qPrintable(shown(walk)));
        QCOMPARE(visibleItem(walk, QStringLiteral("summaryRow"))->property("taskName").toString(),
                 frontDesk);
        picture(walk, QStringLiteral("summary"));

        QVERIFY2(click(walk, QStringLiteral("mainTabScreenshots")), qPrintable(shown(walk)));
        QVERIFY2(waitForItem(walk, QStringLiteral("hourBlock")), qPrintable(shown(walk)));
        QVERIFY(QTest::qWaitFor(
            [&] {
                const QQuickItem *thumbnail = visibleItem(walk, QStringLiteral("thumbnail"));
                return thumbnail &&
                       thumbnail->property("status").toString() == QStringLiteral("Ready");
            },
            networkTimeoutMs));
        // The report is of what this walk uploaded, not the service's made-up day.
        const QUrl thumbnail =
            visibleItem(walk, QStringLiteral("thumbnail"))->property("source").toUrl();
        QVERIFY2(thumbnail.path().startsWith(u"/media/uploads/"), qPrintable(thumbnail.toString()));
        picture(walk, QStringLiteral("screenshots"));
        QVERIFY(clickInView(walk, QStringLiteral("thumbnailBox")));
        QVERIFY(QTest::qWaitFor([] { return viewerWindow() != nullptr; }));
        Walk viewer;
        viewer.name = walk.name;
        viewer.window = viewerWindow();
        viewer.pictures = walk.pictures;
        QVERIFY(QTest::qWaitForWindowExposed(viewer.window.data()));
        QVERIFY(QTest::qWaitFor(
            [&] {
                const QQuickItem *image = visibleItem(viewer, QStringLiteral("viewerImage"));
                return image && image->property("status").toString() == QStringLiteral("Ready");
            },
            networkTimeoutMs));
        picture(viewer, QStringLiteral("viewer"));
        walk.pictures = viewer.pictures;
        QVERIFY(click(viewer, QStringLiteral("viewerCloseButton")));
        QVERIFY(QTest::qWaitFor([] { return viewerWindow() == nullptr; }));
    }

    // Settings name the employee and the company; logging out there leads to the sign-in.
    void signOut(Walk &walk, const QString &greetedName, const QString &company)
    {
        QVERIFY2(click(walk, QStringLiteral("mainTabSettings")), qPrintable(shown(walk)));
        QVERIFY2(waitForItem(walk, QStringLiteral("settingsView")), qPrintable(shown(walk)));
        QTRY_VERIFY(textOf(walk, QStringLiteral("greetingLine")).contains(greetedName));
        QCOMPARE(textOf(walk, QStringLiteral("companyLine")), company);
        picture(walk, QStringLiteral("settings"));
        QVERIFY(clickInView(walk, QStringLiteral("logoutButton")));
        QVERIFY2(waitForItem(walk, QStringLiteral("logoutConfirm")), qPrintable(shown(walk)));
        QVERIFY(bringIntoView(walk, QStringLiteral("logoutConfirm")));
        picture(walk, QStringLiteral("logout-question"));
        const QList<QQuickItem *> confirms = visibleItems(walk, QStringLiteral("confirmButton"));
        QQuickItem *confirm = nullptr;
        for (QQuickItem *candidate : confirms) {
            if (visibleItem(walk, QStringLiteral("logoutConfirm"))->isAncestorOf(candidate))
                confirm = candidate;
        }
        QVERIFY(confirm);
        QVERIFY(clickAt(WindowWalker::settledCentre(*confirm)));
        QVERIFY2(waitForItem(walk, QStringLiteral("signInScreen")), qPrintable(shown(walk)));
        QVERIFY(waitForItem(walk, QStringLiteral("loginForm")));
        picture(walk, QStringLiteral("signed-out"));
    }

    // Another employee of another company: the screens show nothing of the first one.
    void signInAsAnotherEmployee(Walk &walk)
    {
        signInDirectly(walk, StandInService::demoEmail());
        if (QTest::currentTestFailed())
            return;
        // Not the task the last employee picked in another company.
        QVERIFY(!textOf(walk, QStringLiteral("taskFieldTitle")).isEmpty());
        QVERIFY(textOf(walk, QStringLiteral("taskFieldTitle")) != frontDesk);
        picture(walk, QStringLiteral("second-employee"));

        QStringList titles;
        pickFromTheMenuWhenShown(QString(), titles);
        QVERIFY(click(walk, QStringLiteral("taskField")));
        QTRY_VERIFY(!titles.isEmpty());
        QCOMPARE(
            titles,
            (QStringList{QStringLiteral("No task"), QStringLiteral("Customer onboarding"),
                         QStringLiteral("Quarterly report"), QStringLiteral("Internal tooling")}));
        QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);

        QVERIFY(click(walk, QStringLiteral("mainTabSummary")));
        QVERIFY2(waitForItem(walk, QStringLiteral("summaryEmpty")), qPrintable(shown(walk)));
        QVERIFY(visibleItem(walk, QStringLiteral("summaryRow")) == nullptr);
        picture(walk, QStringLiteral("second-employee-summary"));

        QVERIFY(click(walk, QStringLiteral("mainTabSettings")));
        QTRY_VERIFY(textOf(walk, QStringLiteral("greetingLine")).contains(QStringLiteral("Dana")));
        QVERIFY(!textOf(walk, QStringLiteral("greetingLine")).contains(QStringLiteral("Tomas")));
        QCOMPARE(textOf(walk, QStringLiteral("companyLine")), QStringLiteral("Demo Works"));
        picture(walk, QStringLiteral("second-employee-settings"));
        QVERIFY(click(walk, QStringLiteral("mainTabTracker")));
    }

    // A sign-in that goes straight to the company, ending on the tracker tab.
    void signInDirectly(Walk &walk, const QString &email)
    {
        QVERIFY(typeInto(walk, QStringLiteral("emailField"), email.toUtf8()));
        QVERIFY(typeInto(walk, QStringLiteral("passwordField"),
                         StandInService::demoPassword().toUtf8()));
        QVERIFY(click(walk, QStringLiteral("loginButton")));
        // The window comes back on the tab the last employee left it on.
        QVERIFY2(waitForItem(walk, QStringLiteral("signedInLayout")), qPrintable(shown(walk)));
        QVERIFY(click(walk, QStringLiteral("mainTabTracker")));
        QVERIFY2(waitForItem(walk, QStringLiteral("trackerIdleView")), qPrintable(shown(walk)));
    }

    bool serviceHoldsOneCompletedSession() const
    {
        return QTest::qWaitFor(
            [this] {
                const QJsonArray sessions = m_standIn.sessions();
                return sessions.size() == 1 &&
                       sessions.at(0).toObject().value(QStringLiteral("status")) ==
                           QStringLiteral("completed");
            },
            networkTimeoutMs);
    }

    // The tracking requests (start, heartbeats, segments, screenshots) the service received.
    QList<StandInReceivedRequest> trackingRequests() const
    {
        QList<StandInReceivedRequest> tracking;
        for (const StandInReceivedRequest &request : m_standIn.receivedRequests()) {
            if (request.path.startsWith(u"hr/zuvevivezid/employees/") &&
                !request.path.endsWith(u"/config"))
                tracking.append(request);
        }
        return tracking;
    }

private Q_SLOTS:
    void initTestCase()
    {
        ZUV_REQUIRE_X11();
        ZUV_REQUIRE_KEYRING();
        m_input = std::make_unique<XTestInjector>();
        QVERIFY(m_input->isOpen());
        const QString standIn = WalkProcess::useStandIn(m_standIn, "day");
        QVERIFY2(standIn.isEmpty(), qPrintable(standIn));
    }

    void init()
    {
        // Each walk starts signed out.
        KeychainService::shared().deleteAuthTokens();
    }

    void cleanup()
    {
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
    }

    void workingDay_data()
    {
        QTest::addColumn<bool>("popover");
        QTest::newRow("main-window") << false;
        QTest::newRow("popover") << true;
    }

    void workingDay()
    {
        QFETCH(bool, popover);
        QVERIFY(m_standIn.reset());
        // The company's policy, short enough for a walk: a capture and an idle edge each minute.
        QVERIFY(
            m_standIn.mergeConfiguration({{QStringLiteral("screenshot_interval_minutes"), 1},
                                          {QStringLiteral("idle_minutes_threshold"), 1},
                                          {QStringLiteral("idle_action"), QStringLiteral("ask")},
                                          {QStringLiteral("discard_idle_time"), true}}));
        // The walk takes about three minutes; its last segment should close soon after.
        const SegmentZone zone =
            zoneClosingSoonestAfter(QDateTime::currentDateTimeUtc().addSecs(180));
        QVERIFY(m_standIn.mergeConfiguration({{QStringLiteral("app_timezone"), zone.zone}}));
        const QByteArray code =
            QByteArray::number(QRandomGenerator::global()->bounded(100000, 1000000));
        QVERIFY(m_standIn.setOtpCode(QString::fromLatin1(code)));

        QTemporaryDir dataFolder;
        QVERIFY(dataFolder.isValid());
        qputenv("ZUV_DATA_DIR", QFile::encodeName(dataFolder.path()));

        FakeTrayHost host;
        QVERIFY(host.ownsSelection());
        QVERIFY(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));

        auto log = std::make_unique<LogCapture>();
        auto application = std::make_unique<ApplicationAssembly>();
        SessionManager &engine = *application->context().sessionManager();
        TrayShell &shell = application->shell();
        application->install();

        Walk walk;
        walk.name = QString::fromLatin1(QTest::currentDataTag());
        QVERIFY(openWindow(host, shell, popover, walk));

        // Signed out: the sign-in screen, filled in and sent.
        QVERIFY2(waitForItem(walk, QStringLiteral("signInScreen")), qPrintable(shown(walk)));
        picture(walk, QStringLiteral("sign-in"));
        QVERIFY(typeInto(walk, QStringLiteral("emailField"), StandInService::teamEmail().toUtf8()));
        QVERIFY(typeInto(walk, QStringLiteral("passwordField"),
                         StandInService::demoPassword().toUtf8()));
        picture(walk, QStringLiteral("sign-in-filled"));
        QVERIFY2(click(walk, QStringLiteral("loginButton")), qPrintable(shown(walk)));

        // The code the service would have sent, then the company.
        QVERIFY2(waitForItem(walk, QStringLiteral("otpVerificationView")), qPrintable(shown(walk)));
        picture(walk, QStringLiteral("one-time-code"));
        QVERIFY2(click(walk, QStringLiteral("digitBox0")), qPrintable(shown(walk)));
        m_input->typeText(code.constData());
        QVERIFY(QTest::qWaitFor([&] {
            const QQuickItem *verify = visibleItem(walk, QStringLiteral("verifyButton"));
            return verify && verify->isEnabled();
        }));
        QVERIFY2(click(walk, QStringLiteral("verifyButton")), qPrintable(shown(walk)));

        QVERIFY2(waitForItem(walk, QStringLiteral("companySelectionView")),
                 qPrintable(shown(walk)));
        picture(walk, QStringLiteral("company-choice"));
        QQuickItem *northRow = nullptr;
        QVERIFY(QTest::qWaitFor([&] {
            for (QQuickItem *row : visibleItems(walk, QStringLiteral("companyRow"))) {
                if (row->property("name").toString() == harborClinicNorth)
                    northRow = row;
            }
            return northRow != nullptr;
        }));
        QVERIFY(clickAt(WindowWalker::settledCentre(*northRow)));

        // Signed in to the company picked, on the tracker.
        QVERIFY2(waitForItem(walk, QStringLiteral("trackerIdleView")), qPrintable(shown(walk)));
        QVERIFY(walk.window->isVisible());
        picture(walk, QStringLiteral("tracker"));
        QVERIFY(m_standIn
                    .receivedRequests(QStringLiteral("GET"),
                                      QStringLiteral("hr/zuvevivezid/employees/config"))
                    .constLast()
                    .pathPrefix == QStringLiteral("/north"));

        QStringList titles;
        pickFromTheMenuWhenShown(frontDesk, titles);
        QVERIFY2(click(walk, QStringLiteral("taskField")), qPrintable(shown(walk)));
        QVERIFY(QTest::qWaitFor([&] { return engine.selectedProjectId() == "hcn-1"; }));
        QCOMPARE(titles, (QStringList{QStringLiteral("No task"), frontDesk,
                                      QStringLiteral("Inventory"), QStringLiteral("Training")}));
        QVERIFY(walk.window->isVisible());
        QTRY_COMPARE(textOf(walk, QStringLiteral("taskFieldTitle")), frontDesk);

        // Tracking: real input, then nothing until the policy's minute of idleness has passed.
        QElapsedTimer day;
        QVERIFY2(click(walk, QStringLiteral("startTrackingButton")), qPrintable(shown(walk)));
        QVERIFY(QTest::qWaitFor([&] { return engine.isTracking(); }));
        day.start();
        QVERIFY2(waitForItem(walk, QStringLiteral("trackerActiveView")), qPrintable(shown(walk)));
        QCOMPARE(textOf(walk, QStringLiteral("taskName")), frontDesk);
        work(15);
        QTRY_VERIFY(textOf(walk, QStringLiteral("activityRate")) != QStringLiteral("0%"));
        picture(walk, QStringLiteral("tracking"));

        QVERIFY(QTest::qWaitFor([&] { return engine.isIdle(); }, idleTimeoutMs));
        QVERIFY(engine.isPaused());
        QElapsedTimer idlePause;
        idlePause.start();
        picture(walk, QStringLiteral("idle"));
        // Coming back asks; Continue resumes the session.
        QString question;
        answerIdleQuestionWhenShown(walk, question);
        work(2);
        QVERIFY(QTest::qWaitFor([&] { return !engine.isIdle() && !engine.isPaused(); }, 20000));
        const qint64 idlePausedMs = idlePause.elapsed();
        QCOMPARE(question, QStringLiteral("You are idle"));
        QVERIFY(engine.isTracking());
        // The question brought the main window forward, which closed the popover.
        if (popover)
            QVERIFY(reopenPopover(host, shell, walk));

        // The minute's capture reaches the service.
        QVERIFY(m_standIn.waitForRequests(
            QStringLiteral("POST"),
            QStringLiteral("hr/zuvevivezid/employees/sessions/*/screenshots"), 1,
            captureTimeoutMs));
        work(5);

        // A pause, a resume, a stop.
        QElapsedTimer paused;
        QVERIFY2(click(walk, QStringLiteral("pauseButton")), qPrintable(shown(walk)));
        QVERIFY(QTest::qWaitFor([&] { return engine.isPaused(); }));
        paused.start();
        QVERIFY2(waitForItem(walk, QStringLiteral("resumeButton")), qPrintable(shown(walk)));
        picture(walk, QStringLiteral("paused"));
        QTest::qWait(3000);
        QVERIFY2(click(walk, QStringLiteral("resumeButton")), qPrintable(shown(walk)));
        QVERIFY(QTest::qWaitFor([&] { return !engine.isPaused(); }));
        const qint64 pausedMs = paused.elapsed();
        work(3);
        QVERIFY2(click(walk, QStringLiteral("stopButton")), qPrintable(shown(walk)));
        QVERIFY(QTest::qWaitFor([&] { return !engine.isTracking(); }));
        const qint64 dayMs = day.elapsed();
        QVERIFY2(waitForItem(walk, QStringLiteral("trackerIdleView")), qPrintable(shown(walk)));
        picture(walk, QStringLiteral("stopped"));

        // The service holds the session as the database closed it, every segment and every
        // screenshot; nothing waits in the queue.
        QVERIFY2(serviceHoldsOneCompletedSession(),
                 QJsonDocument(m_standIn.sessions()).toJson().constData());
        const QString databasePath =
            dataFolder.filePath(QString::fromLatin1(SQLiteStore::databaseFileName));
        QVERIFY(QTest::qWaitFor(
            [&] {
                const RawDatabase database(databasePath);
                return database.value("SELECT COUNT(*) FROM upload_queue") == QStringLiteral("0");
            },
            networkTimeoutMs));
        const RawDatabase database(databasePath);
        QVERIFY(database.isOpen());
        const QStringList stored = database.rows("SELECT CAST(payload AS TEXT), stopped_at "
                                                 "FROM session_history");
        QCOMPARE(stored.size(), 1);
        const qsizetype split = stored.constFirst().lastIndexOf(QLatin1Char('|'));
        const std::optional<Session> session =
            Session::fromJson(stored.constFirst().left(split).toUtf8());
        QVERIFY(session.has_value());
        const QJsonObject uploaded = m_standIn.sessions().at(0).toObject();
        QCOMPARE(uploaded.value(QStringLiteral("task_id")).toString(), QStringLiteral("hcn-1"));
        const double worked = session->totalSecondsForReporting(
            Timestamp::fromSecondsSince1970(stored.constFirst().mid(split + 1).toDouble()));
        const qint64 reported = uploaded.value(QStringLiteral("total_seconds")).toInteger();
        QVERIFY2(qAbs(reported - worked) < 1.0,
                 qPrintable(QStringLiteral("%1 against %2").arg(reported).arg(worked)));
        // Continue keeps the idle minute before the automatic pause; neither pause is worked.
        const double expected = double(dayMs - pausedMs - idlePausedMs) / 1000.0;
        QVERIFY2(qAbs(reported - expected) <= 3.0,
                 qPrintable(QStringLiteral("%1 against %2").arg(reported).arg(expected)));

        // Once the last segment has closed, the next upload pass sends it; the queue sends only
        // the signed-in company's segments, so this is before the sign-out.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return QDateTime::currentDateTimeUtc() > zone.closes &&
                       database.value("SELECT COUNT(*) FROM activity_segments "
                                      "WHERE uploaded_at IS NULL") == QStringLiteral("0");
            },
            int(QDateTime::currentDateTimeUtc().msecsTo(zone.closes)) + 60000));
        checkReports(walk);
        if (QTest::currentTestFailed())
            return;
        signOut(walk, QStringLiteral("Tomas"), harborClinicNorth);
        if (QTest::currentTestFailed())
            return;
        signInAsAnotherEmployee(walk);
        if (QTest::currentTestFailed())
            return;

        const QJsonArray segments = m_standIn.segments();
        qint64 keysUploaded = 0;
        for (const QJsonValue &segment : segments)
            keysUploaded += segment.toObject().value(QStringLiteral("key_press_count")).toInteger();
        QVERIFY(!segments.isEmpty());
        QCOMPARE(QString::number(segments.size()),
                 database.value("SELECT COUNT(*) FROM activity_segments"));
        QCOMPARE(QString::number(keysUploaded),
                 database.value("SELECT SUM(keyboard_movements) FROM activity_segments"));
        QVERIFY(keysUploaded > 0);
        qint64 filesSent = 0;
        for (const StandInReceivedRequest &request : m_standIn.receivedRequests(
                 QStringLiteral("POST"),
                 QStringLiteral("hr/zuvevivezid/employees/sessions/*/screenshots"))) {
            if (request.status == 200)
                filesSent += request.parts.size();
        }
        QVERIFY(filesSent >= 1);
        QCOMPARE(uploaded.value(QStringLiteral("screenshots")).toInteger(), filesSent);

        // Quitting ends the run as the executable's end does.
        const QStringList tokens = tokensSent();
        QVERIFY(!tokens.isEmpty());
        application.reset();
        const QString logged = log->text();
        log.reset();
        QVERIFY(!logged.isEmpty());
        QVERIFY(!logged.contains(StandInService::demoPassword()));
        QVERIFY(!logged.contains(QString::fromLatin1(code)));
        for (const QString &token : tokens)
            QVERIFY2(!logged.contains(token), "a token was logged");
    }

    // Two employees of one company take turns at one computer. The first tracks, her screenshot
    // cannot be delivered yet, she signs out; her colleague signs in and sees nothing of hers,
    // and nothing of hers is sent with his token; back again, hers goes out with her own.
    void sharedComputer()
    {
        QVERIFY(m_standIn.reset());
        QVERIFY(m_standIn.mergeConfiguration({{QStringLiteral("screenshot_interval_minutes"), 1}}));
        const QString screenshotsPath =
            QStringLiteral("hr/zuvevivezid/employees/sessions/*/screenshots");
        QVERIFY(m_standIn.setResponse(QStringLiteral("POST"), screenshotsPath, 503, QJsonValue(),
                                      StandInService::UntilCleared));
        QTemporaryDir dataFolder;
        QVERIFY(dataFolder.isValid());
        qputenv("ZUV_DATA_DIR", QFile::encodeName(dataFolder.path()));
        FakeTrayHost host;
        QVERIFY(host.ownsSelection());
        auto application = std::make_unique<ApplicationAssembly>();
        SessionManager &engine = *application->context().sessionManager();
        application->install();
        Walk walk;
        walk.name = QStringLiteral("shared-computer");
        QVERIFY(openWindow(host, application->shell(), false, walk));
        QVERIFY2(waitForItem(walk, QStringLiteral("signInScreen")), qPrintable(shown(walk)));

        const QString dana = StandInService::demoEmail();
        const QString cole = StandInService::colleagueEmail();
        signInDirectly(walk, dana);
        QVERIFY2(click(walk, QStringLiteral("startTrackingButton")), qPrintable(shown(walk)));
        QVERIFY(QTest::qWaitFor([&] { return engine.isTracking(); }));
        work(5);
        QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), screenshotsPath, 1,
                                          captureTimeoutMs));
        QVERIFY2(click(walk, QStringLiteral("stopButton")), qPrintable(shown(walk)));
        QVERIFY(QTest::qWaitFor([&] { return !engine.isTracking(); }));
        QVERIFY(serviceHoldsOneCompletedSession());
        const double danasToday = engine.todayTotalSeconds();
        QVERIFY(danasToday >= 60.0);
        QVERIFY(click(walk, QStringLiteral("mainTabSummary")));
        QVERIFY2(waitForItem(walk, QStringLiteral("summaryRow")), qPrintable(shown(walk)));
        signOut(walk, QStringLiteral("Dana"), QStringLiteral("Demo Works"));
        if (QTest::currentTestFailed())
            return;

        signInDirectly(walk, cole);
        QCOMPARE(engine.todayTotalSeconds(), 0.0);
        QVERIFY(!engine.interruptedSession());
        QVERIFY(click(walk, QStringLiteral("mainTabSummary")));
        QVERIFY2(waitForItem(walk, QStringLiteral("summaryEmpty")), qPrintable(shown(walk)));
        QVERIFY(visibleItem(walk, QStringLiteral("summaryRow")) == nullptr);
        picture(walk, QStringLiteral("colleague-summary"));
        // Dana's screenshot is due again well within a pass of the upload loop.
        QTest::qWait(UploadService::loopPauseMilliseconds + 5000);
        for (const StandInReceivedRequest &request : trackingRequests())
            QVERIFY2(request.account != cole, qPrintable(request.path));
        signOut(walk, QStringLiteral("Cole"), QStringLiteral("Demo Works"));
        if (QTest::currentTestFailed())
            return;

        QVERIFY(m_standIn.clearResponses());
        signInDirectly(walk, dana);
        QTRY_VERIFY(engine.todayTotalSeconds() >= danasToday - 2.0);
        QVERIFY(QTest::qWaitFor(
            [&] {
                const auto sent =
                    m_standIn.receivedRequests(QStringLiteral("POST"), screenshotsPath);
                return !sent.isEmpty() && sent.constLast().status == 200;
            },
            // A circuit opened by the refusals may hold the queue for a minute.
            UploadService::loopPauseMilliseconds + 60000 + networkTimeoutMs));
        for (const StandInReceivedRequest &request : trackingRequests())
            QCOMPARE(request.account, dana);
    }

private:
    std::unique_ptr<XTestInjector> m_input;
    StandInService m_standIn;
};

QTEST_MAIN(TestWorkingDayX11)
#include "TestWorkingDayX11.moc"
