#include "app/shell/ApplicationAssembly.h"

#include <QApplication>
#include <QDir>
#include <QTest>

// The name the process gives itself for desktops: Qt's Wayland platform hands it to the
// compositor as every window's app id, and desktops find the entry and the metadata the package
// installs by it. Qt 6.4 on X11 publishes none of it, so the installed program under Xvfb cannot
// show it; the process's own setting is compared with the packaged files here.
class TestApplicationAssembly : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void desktopFileNameNamesThePackagedEntryAndMetadata()
    {
        ApplicationAssembly::prepareProcess();
        const QString id = QGuiApplication::desktopFileName();
        const QDir packaging(QStringLiteral(ZUV_PACKAGING_DIR));
        for (const QString &file :
             {id + QStringLiteral(".desktop"), id + QStringLiteral(".metainfo.xml")})
            QVERIFY2(packaging.exists(file),
                     qPrintable(QStringLiteral("the packaging has no %1").arg(file)));
    }

    // The display settings the process set-up chooses give way to the person's own.
    void processSetUpKeepsThePersonsDisplaySettings_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("chosen");
        QTest::newRow("shared memory") << QByteArray("QT_XCB_NO_MITSHM") << QByteArray("1");
        QTest::newRow("update pacing") << QByteArray("QT_QPA_UPDATE_IDLE_TIME") << QByteArray("0");
    }

    void processSetUpKeepsThePersonsDisplaySettings()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, chosen);
        const QByteArray before = qgetenv(name.constData());
        qunsetenv(name.constData());
        ApplicationAssembly::prepareProcessBeforeApplication();
        QCOMPARE(qgetenv(name.constData()), chosen);
        qputenv(name.constData(), "7");
        ApplicationAssembly::prepareProcessBeforeApplication();
        QCOMPARE(qgetenv(name.constData()), QByteArray("7"));
        qputenv(name.constData(), before);
    }
};

QTEST_MAIN(TestApplicationAssembly)
#include "TestApplicationAssembly.moc"
