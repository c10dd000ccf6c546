#include "app/shell/ShellTestRig.h"
#include "platform/PermissionService.h"
#include "platform/PlatformServices.h"
#include "platform/SessionType.h"
#include "support/platform/FakePermissionProbe.h"
#include "ui/RootViewRendering.h"
#include "ui/root/RootViewModel.h"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

// The lost-capture banner as a Wayland session draws it: its text tells the person to pick the
// screens when the desktop asks, so it offers the desktop's screen-sharing dialog beside
// "Dismiss". The windows are drawn off screen; only the session type is Wayland's.
class TestLostCaptureBannerWayland : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        qputenv("XDG_SESSION_TYPE", "wayland");
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

private Q_SLOTS:
    void offersOpenBesideDismiss()
    {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        PermissionService::setProbe(std::make_shared<FakePermissionProbe>());
        QCOMPARE(PlatformServices::sessionType(), SessionType::Wayland);
        ShellTestRig rig;
        rig.finishRestore(true);
        rig.appState->setHasRequiredPermissions(true);
        rig.sessionManager().setScreenRecordingPermissionLost(true);
        RootViewModel model(RootViewModel::Dependencies{
            *rig.appState, rig.sessionManager(), rig.random, true, false, {}});
        QQmlEngine engine;
        const auto view = RootViewRendering::show(engine, model, true);
        QVERIFY(view);
        auto *open =
            view->rootObject()->findChild<QQuickItem *>(QStringLiteral("permissionBannerOpen"));
        QVERIFY(open && open->isVisible());
        QCOMPARE(open->property("text").toString(), QStringLiteral("Open"));
        RootViewRendering::save(*view, QStringLiteral("root"),
                                QStringLiteral("lost-capture-banner-wayland"));
        PermissionService::setProbe(nullptr);
    }
};

QTEST_MAIN(TestLostCaptureBannerWayland)
#include "TestLostCaptureBannerWayland.moc"
