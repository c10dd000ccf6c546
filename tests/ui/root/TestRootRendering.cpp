#include "app/shell/ShellTestRig.h"
#include "ui/design/WD.h"
#include "ui/root/RootViewModel.h"

#include <QDir>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSet>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

// Draws the root view in every routing state, compact and regular, to PNG files a person can
// look at (build folder, rendered/root/), and fails on a picture that shows nothing.
class TestRootRendering : public QObject
{
    Q_OBJECT

private:
    static QString outputFolder()
    {
        const QString base = qEnvironmentVariable("ZUV_TEST_BINARY_DIR", QDir::currentPath());
        const QString folder = base + QStringLiteral("/rendered/root");
        QDir().mkpath(folder);
        return folder;
    }

    // Renders the model's view and checks the picture; returns it.
    QImage render(RootViewModel &model, const QString &name, const QSize &windowSize = QSize())
    {
        QQmlEngine engine;
        QQuickView view(&engine, nullptr);
        view.setResizeMode(windowSize.isValid() ? QQuickView::SizeRootObjectToView
                                                : QQuickView::SizeViewToRootObject);
        view.setInitialProperties({{QStringLiteral("viewModel"), QVariant::fromValue(&model)}});
        view.setSource(
            QUrl(QStringLiteral("qrc:/qt-project.org/imports/Zuvevivezid/Root/qml/RootView.qml")));
        if (view.status() != QQuickView::Ready) {
            for (const QQmlError &error : view.errors())
                qWarning() << error.toString();
            return {};
        }
        if (windowSize.isValid())
            view.resize(windowSize);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            return {};
        // Let the height animation and the first frames settle.
        QTest::qWait(300);
        const QImage image = view.grabWindow();
        image.save(outputFolder() + QLatin1Char('/') + name + QStringLiteral(".png"));
        return image;
    }

    static int distinctColours(const QImage &image)
    {
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        return static_cast<int>(colours.size());
    }

    void verifyPicture(const QImage &image, const QSize &expectedSize)
    {
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), expectedSize);
        // Text, cards and bars: far more than a blank or one-colour picture holds.
        QVERIFY2(distinctColours(image) > 20, qPrintable(QString::number(distinctColours(image))));
    }

private Q_SLOTS:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void cleanup() { WD::setPalette(WDPalette::pink()); }

    void everyRoute_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("compact");
        for (const bool compact : {true, false}) {
            for (const char *state :
                 {"restoring", "restoringSlowly", "signedOut", "forcedUpdate", "permissions",
                  "tracker", "summary", "screenshots", "settings"}) {
                const QString name =
                    QString::fromLatin1(state) +
                    (compact ? QStringLiteral("-compact") : QStringLiteral("-regular"));
                QTest::newRow(qPrintable(name)) << QString::fromLatin1(state) << compact;
            }
        }
    }

    void everyRoute()
    {
        QFETCH(QString, state);
        QFETCH(bool, compact);
        ShellTestRig rig;
        RootViewModel model(RootViewModel::Dependencies{
            *rig.appState, rig.sessionManager(), rig.random, compact, false, {}});
        using Route = RootViewModel::Route;
        Route expected = Route::SignedIn;
        if (state == u"restoring") {
            expected = Route::Restoring;
        } else if (state == u"restoringSlowly") {
            rig.scheduler.advance(8.0);
            expected = Route::Restoring;
        } else if (state == u"signedOut") {
            rig.finishRestore(false);
            expected = Route::SignedOut;
        } else {
            rig.finishRestore(true);
            if (state == u"forcedUpdate") {
                rig.appState->evaluateClientVersion(ShellTestRig::forcingConfig());
                expected = Route::ForcedUpdate;
            } else if (state != u"permissions") {
                rig.appState->setHasRequiredPermissions(true);
                const QStringList tabs{QStringLiteral("tracker"), QStringLiteral("summary"),
                                       QStringLiteral("screenshots"), QStringLiteral("settings")};
                model.selectTab(static_cast<int>(tabs.indexOf(state)));
            }
        }
        QCOMPARE(model.route(), expected);

        const QSize windowSize = compact ? QSize() : QSize(460, 540);
        const QImage image =
            render(model, QString::fromLatin1(QTest::currentDataTag()), windowSize);
        const QSize expectedSize = compact ? QSize(340, model.contentHeight()) : QSize(460, 540);
        verifyPicture(image, expectedSize);
    }

    void signedInInEveryPalette()
    {
        for (const WDPalette &palette : WDPalette::all()) {
            WD::setPalette(palette);
            ShellTestRig rig;
            rig.finishRestore(true);
            rig.appState->setHasRequiredPermissions(true);
            RootViewModel model(RootViewModel::Dependencies{
                *rig.appState, rig.sessionManager(), rig.random, true, false, {}});
            const QImage image = render(model, QStringLiteral("tracker-palette-") + palette.id);
            verifyPicture(image, QSize(340, 480));
            // The palette's own background fills the corners.
            QCOMPARE(image.pixelColor(1, image.height() / 2).rgb(), palette.appBackground.rgb());
        }
    }
};

QTEST_MAIN(TestRootRendering)
#include "TestRootRendering.moc"
