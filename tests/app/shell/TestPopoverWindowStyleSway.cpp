// The popover's window on a tiling compositor (run by scripts/with-wayland-desktop.sh sway, on
// Qt's Wayland platform): sway tiles an ordinary window beside the others and cuts its content;
// the popover must float, whole, at its content's size, and follow that size.
#include "app/shell/ApplicationAssembly.h"
#include "app/shell/PopoverWindowStyle.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickView>
#include <QtTest>

namespace {

// sway's IPC socket, in the runtime folder the desktop script gave it.
QString swaySocket()
{
    const QDir runtime(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    const QStringList sockets =
        runtime.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
    return sockets.isEmpty() ? QString() : runtime.filePath(sockets.first());
}

QJsonObject findByTitle(const QJsonObject &node, const QString &title)
{
    // Qt adds the application's display name to the title the compositor sees.
    if (node.value(QStringLiteral("name")).toString().startsWith(title))
        return node;
    for (const char *children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue &child : node.value(QLatin1String(children)).toArray()) {
            const QJsonObject found = findByTitle(child.toObject(), title);
            if (!found.isEmpty())
                return found;
        }
    }
    return {};
}

QJsonObject swayNode(const QString &title)
{
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"), {QStringLiteral("-s"), swaySocket(),
                                              QStringLiteral("-t"), QStringLiteral("get_tree")});
    if (!swaymsg.waitForFinished(5000))
        return {};
    return findByTitle(QJsonDocument::fromJson(swaymsg.readAllStandardOutput()).object(), title);
}

} // namespace

class TestPopoverWindowStyleSway : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariable("ZUV_WAYLAND_DESKTOP") != QLatin1String("sway"))
            QSKIP("needs the headless sway desktop: run under scripts/with-wayland-desktop.sh");
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
        QVERIFY(!swaySocket().isEmpty());
        // As the executable sets itself up: the windows then carry the application's id.
        ApplicationAssembly::prepareProcess();
    }

    // The compositor matches a window to the installed desktop entry (its icon, its name in the
    // window list) by the window's app id.
    void windowsCarryTheApplicationsId()
    {
        // Drawn: the compositor maps a surface once it has a picture.
        QQuickView window;
        window.setTitle(QStringLiteral("app id"));
        window.setColor(Qt::white);
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QJsonObject node;
        QTRY_VERIFY((node = swayNode(window.title())).contains(QStringLiteral("app_id")));
        QCOMPARE(node.value(QStringLiteral("app_id")).toString(),
                 QStringLiteral("com.wendoka.zuvevivezid"));
    }

    void popoverFloatsAtItsContentSize_data()
    {
        QTest::addColumn<bool>("styled");
        QTest::addColumn<QString>("type");
        // The plain window shows what sway does without the style: it tiles it.
        QTest::newRow("popover") << true << QStringLiteral("floating_con");
        QTest::newRow("plain window") << false << QStringLiteral("con");
    }

    void popoverFloatsAtItsContentSize()
    {
        QFETCH(bool, styled);
        QFETCH(QString, type);
        // A second tiled window is open, as the main window is beside the popover.
        QWindow mainWindow;
        mainWindow.setTitle(QStringLiteral("main %1").arg(QTest::currentDataTag()));
        mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));

        QQuickView view;
        view.setResizeMode(QQuickView::SizeViewToRootObject);
        view.setTitle(QStringLiteral("popover %1").arg(QTest::currentDataTag()));
        view.setColor(Qt::white);
        QQmlComponent root(view.engine());
        root.setData("import QtQuick\nItem { implicitWidth: 340; implicitHeight: 420 }", QUrl());
        view.setContent(QUrl(), &root, root.create());
        QVERIFY(view.rootObject() != nullptr);
        if (styled)
            PopoverWindowStyle::apply(view);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        QJsonObject node;
        QTRY_VERIFY((node = swayNode(view.title())).contains(QStringLiteral("type")));
        QCOMPARE(node.value(QStringLiteral("type")).toString(), type);
        if (!styled)
            return;
        const QJsonObject rect = node.value(QStringLiteral("rect")).toObject();
        QCOMPARE(rect.value(QStringLiteral("width")).toInt(), 340);
        QCOMPARE(rect.value(QStringLiteral("height")).toInt(), 420);

        // The content grows (a banner): the window follows and stays whole.
        view.rootObject()->setImplicitHeight(480);
        QTRY_COMPARE(view.size(), QSize(340, 480));
        QTRY_COMPARE(swayNode(view.title())
                         .value(QStringLiteral("rect"))
                         .toObject()
                         .value(QStringLiteral("height"))
                         .toInt(),
                     480);
    }
};

QTEST_MAIN(TestPopoverWindowStyleSway)
#include "TestPopoverWindowStyleSway.moc"
