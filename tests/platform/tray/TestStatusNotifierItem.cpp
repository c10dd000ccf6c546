#include "FakeStatusNotifierWatcher.h"
#include "platform/portal/PrivateSessionBus.h"
#include "platform/tray/DBusMenuExporter.h"
#include "platform/tray/StatusNotifierItem.h"

#include <QAction>
#include <QDBusMessage>
#include <QDBusReply>
#include <QSignalSpy>
#include <QTest>

// Every signal of one kind that arrived, by its arguments.
class SignalRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QVariantList> arguments;

public Q_SLOTS:
    void record(const QDBusMessage &message) { arguments.append(message.arguments()); }
};

// The tray item and its menu as a panel reads them: a watcher and a reader of the test's own on a
// bus of its own.
class TestStatusNotifierItem : public QObject
{
    Q_OBJECT

private:
    struct Panel
    {
        explicit Panel(const PrivateSessionBus &bus)
            : itemBus(bus.connect(QStringLiteral("item")))
            , panelBus(bus.connect(QStringLiteral("panel")))
            , watcher(panelBus)
        {}
        ~Panel()
        {
            QDBusConnection::disconnectFromBus(QStringLiteral("item"));
            QDBusConnection::disconnectFromBus(QStringLiteral("panel"));
        }

        // The item is served by this very thread: a call waits in an event loop of its own, so
        // the item can answer.
        QDBusMessage call(const QString &service, const QString &path, const QString &interface,
                          const QString &method, const QVariantList &arguments = {}) const
        {
            QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
            message.setArguments(arguments);
            return panelBus.call(message, QDBus::BlockWithGui);
        }

        QVariant property(const QString &service, const QString &path, const QString &interface,
                          const QString &name) const
        {
            const QDBusMessage reply =
                call(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                     QStringLiteral("Get"), {interface, name});
            if (reply.type() != QDBusMessage::ReplyMessage)
                return {};
            return reply.arguments().constFirst().value<QDBusVariant>().variant();
        }

        QVariant itemProperty(const QString &service, const QString &name) const
        {
            return property(service, QStringLiteral("/StatusNotifierItem"),
                            QStringLiteral("org.kde.StatusNotifierItem"), name);
        }

        QDBusConnection itemBus;
        QDBusConnection panelBus;
        FakeStatusNotifierWatcher watcher;
    };

    static QStringList labelsOf(const DBusMenuLayoutItem &layout)
    {
        QStringList labels;
        for (const DBusMenuLayoutItem &child : layout.children) {
            const QVariantMap &properties = child.properties;
            labels.append(properties.value(QStringLiteral("type")).toString() ==
                                  QLatin1String("separator")
                              ? QStringLiteral("-")
                              : properties.value(QStringLiteral("label")).toString() +
                                    (properties.value(QStringLiteral("enabled")).toBool()
                                         ? QString()
                                         : QStringLiteral(" (off)")));
        }
        return labels;
    }

    std::unique_ptr<PrivateSessionBus> m_bus;

private Q_SLOTS:
    void initTestCase()
    {
        m_bus = std::make_unique<PrivateSessionBus>();
        if (!m_bus->problem().isEmpty())
            QSKIP(qPrintable(m_bus->problem()));
    }

    void registersAgainWhenTheWatcherReturns()
    {
        Panel panel(*m_bus);
        StatusNotifierItem item(QStringLiteral("zuv"), QStringLiteral("Title"), {}, panel.itemBus);
        QVERIFY(!StatusNotifierItem::watcherRuns(panel.itemBus));
        QVERIFY(panel.watcher.start());
        QVERIFY(StatusNotifierItem::watcherRuns(panel.itemBus));
        QVERIFY(item.publish());
        QTRY_VERIFY(item.isRegistered());
        QCOMPARE(panel.watcher.registrations(), QStringList{item.serviceName()});

        // The panel restarts: a new watcher knows nothing until the item registers again.
        panel.watcher.stop();
        QTRY_VERIFY(!item.isRegistered());
        QVERIFY(panel.watcher.start());
        QTRY_VERIFY(item.isRegistered());
        QCOMPARE(panel.watcher.registrations(),
                 (QStringList{item.serviceName(), item.serviceName()}));
    }

    void panelReadsTheLabelIconAndToolTip()
    {
        Panel panel(*m_bus);
        QVERIFY(panel.watcher.start());
        StatusNotifierItem item(QStringLiteral("zuv"), QStringLiteral("Title"), {}, panel.itemBus);
        QVERIFY(item.publish());
        SignalRecorder newLabel;
        QVERIFY(panel.panelBus.connect(item.serviceName(), QStringLiteral("/StatusNotifierItem"),
                                       QStringLiteral("org.kde.StatusNotifierItem"),
                                       QStringLiteral("XAyatanaNewLabel"), &newLabel,
                                       SLOT(record(QDBusMessage))));

        item.setLabel(QStringLiteral("01:05"), QStringLiteral("00:00"));
        QTRY_COMPARE(newLabel.arguments.size(), 1);
        QCOMPARE(newLabel.arguments.constFirst(),
                 (QVariantList{QStringLiteral("01:05"), QStringLiteral("00:00")}));
        QCOMPARE(panel.itemProperty(item.serviceName(), QStringLiteral("XAyatanaLabel")),
                 QVariant(QStringLiteral("01:05")));
        QCOMPARE(panel.itemProperty(item.serviceName(), QStringLiteral("XAyatanaLabelGuide")),
                 QVariant(QStringLiteral("00:00")));
        // The same text again sends nothing.
        item.setLabel(QStringLiteral("01:05"), QStringLiteral("00:00"));
        QTest::qWait(100);
        QCOMPARE(newLabel.arguments.size(), 1);

        // Pictures travel as ARGB in network byte order, largest panels' sizes included.
        QImage red(2, 1, QImage::Format_ARGB32);
        red.fill(QColor(255, 0, 0, 128));
        item.setIcon(QStringLiteral("zuv-symbolic"), {red});
        QCOMPARE(panel.itemProperty(item.serviceName(), QStringLiteral("IconName")),
                 QVariant(QStringLiteral("zuv-symbolic")));
        const auto pixmaps = qdbus_cast<QList<StatusNotifierPixmap>>(
            panel.itemProperty(item.serviceName(), QStringLiteral("IconPixmap"))
                .value<QDBusArgument>());
        QCOMPARE(pixmaps.size(), 1);
        QCOMPARE(pixmaps.constFirst().width, 2);
        QCOMPARE(pixmaps.constFirst().argb, QByteArray::fromHex("80ff000080ff0000"));

        item.setToolTip(QStringLiteral("Title"), QStringLiteral("01:05:09"));
        const auto toolTip = qdbus_cast<StatusNotifierToolTip>(
            panel.itemProperty(item.serviceName(), QStringLiteral("ToolTip"))
                .value<QDBusArgument>());
        QCOMPARE(toolTip.text, QStringLiteral("01:05:09"));
        QCOMPARE(panel.itemProperty(item.serviceName(), QStringLiteral("Menu"))
                     .value<QDBusObjectPath>()
                     .path(),
                 QStringLiteral("/MenuBar"));

        QSignalSpy activated(&item, &StatusNotifierItem::activated);
        panel.call(item.serviceName(), QStringLiteral("/StatusNotifierItem"),
                   QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"),
                   {10, 20});
        QTRY_COMPARE(activated.count(), 1);
        QCOMPARE(activated.constFirst().constFirst().toPoint(), QPoint(10, 20));
    }

    void menuIsReadAndClickedThroughDBusMenu()
    {
        Panel panel(*m_bus);
        QVERIFY(panel.watcher.start());
        QAction settings(QStringLiteral("Settings…"));
        QAction separator;
        separator.setSeparator(true);
        QAction quit(QStringLiteral("Quit"));
        QAction disabled(QStringLiteral("Check"));
        disabled.setEnabled(false);
        StatusNotifierItem item(QStringLiteral("zuv"), QStringLiteral("Title"),
                                {&disabled, &settings, &separator, &quit}, panel.itemBus);
        QVERIFY(item.publish());
        const QString menuPath = QStringLiteral("/MenuBar");
        const QString menuInterface = QStringLiteral("com.canonical.dbusmenu");
        auto callMenu = [&](const QString &method, const QVariantList &arguments) {
            return panel.call(item.serviceName(), menuPath, menuInterface, method, arguments);
        };
        QCOMPARE(
            panel.property(item.serviceName(), menuPath, menuInterface, QStringLiteral("Version")),
            QVariant(3u));

        auto readLayout = [&] {
            QDBusMessage reply = callMenu(QStringLiteral("GetLayout"), {0, -1, QStringList()});
            [&] {
                QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
            }();
            return std::make_pair(
                reply.arguments().at(0).toUInt(),
                qdbus_cast<DBusMenuLayoutItem>(reply.arguments().at(1).value<QDBusArgument>()));
        };
        auto [revision, layout] = readLayout();
        QCOMPARE(labelsOf(layout),
                 (QStringList{QStringLiteral("Check (off)"), QStringLiteral("Settings…"),
                              QStringLiteral("-"), QStringLiteral("Quit")}));

        // An action that changes announces a new layout, which the panel reads again.
        SignalRecorder layoutUpdated;
        QVERIFY(panel.panelBus.connect(item.serviceName(), menuPath, menuInterface,
                                       QStringLiteral("LayoutUpdated"), &layoutUpdated,
                                       SLOT(record(QDBusMessage))));
        disabled.setEnabled(true);
        QTRY_COMPARE(layoutUpdated.arguments.size(), 1);
        const auto [newRevision, newLayout] = readLayout();
        QVERIFY(newRevision > revision);
        QCOMPARE(labelsOf(newLayout).constFirst(), QStringLiteral("Check"));

        // A click on an entry triggers its action; an unknown entry is an error in a group.
        QSignalSpy quitTriggered(&quit, &QAction::triggered);
        QSignalSpy settingsTriggered(&settings, &QAction::triggered);
        callMenu(QStringLiteral("Event"),
                 {4, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
        QTRY_COMPARE(quitTriggered.count(), 1);
        QList<DBusMenuEvent> group{{2, QStringLiteral("clicked"), QDBusVariant(0), 0},
                                   {42, QStringLiteral("clicked"), QDBusVariant(0), 0}};
        const QDBusReply<QList<int>> errors =
            callMenu(QStringLiteral("EventGroup"), {QVariant::fromValue(group)});
        QVERIFY(errors.isValid());
        QCOMPARE(errors.value(), QList<int>{42});
        QTRY_COMPARE(settingsTriggered.count(), 1);
        QCOMPARE(quitTriggered.count(), 1);
    }
};

QTEST_MAIN(TestStatusNotifierItem)
#include "TestStatusNotifierItem.moc"
