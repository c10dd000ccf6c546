#include "app/shell/TrayShell.h"

#include "app/shell/DesktopPalette.h"
#include "app/shell/MainWindowCommands.h"
#include "app/shell/MainWindowOpener.h"
#include "app/shell/MenuBarIcon.h"
#include "app/shell/PanelShade.h"
#include "app/shell/PopoverPlacement.h"
#include "app/shell/PopoverWindowStyle.h"
#include "app/shell/TrayLabel.h"
#include "app/state/AppStateManager.h"
#include "app/state/TrackingEngineControl.h"
#include "foundation/Log.h"
#include "platform/tray/StatusNotifierItem.h"
#include "platform/tray/SwayBarColour.h"
#include "tracking/engine/SessionManager.h"
#include "ui/design/WD.h"
#include "ui/root/RootViewModel.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QPalette>
#include <QPixmap>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QQuickWindow>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

// The QML modules are linked statically; their plugins register the types.
Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_SignInPlugin)

namespace {

const QUrl
    rootViewUrl(QStringLiteral("qrc:/qt-project.org/imports/Zuvevivezid/Root/qml/RootView.qml"));

std::function<std::optional<QColor>()> windowManagersBarBackground(const QString &currentDesktop)
{
    if (!PanelShade::barColourCanBeAsked(currentDesktop))
        return [] {
            return std::optional<QColor>();
        };
    return [] {
        const std::optional<QColor> colour = SwayBarColour::background(SwayBarColour::socketPath());
        if (colour)
            zuvInfo(lcLegacyShell) << "The bar's background is" << colour->name();
        return colour;
    };
}

} // namespace

void TrayShell::chooseSceneGraphBackend()
{
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

TrayShell::TrayShell(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_appState(dependencies.appState)
    , m_sessionManager(&dependencies.sessionManager)
    , m_engine(dependencies.engine)
    , m_random(dependencies.random)
    , m_trayAvailable(dependencies.trayAvailable ? std::move(dependencies.trayAvailable)
                                                 : &QSystemTrayIcon::isSystemTrayAvailable)
    , m_quitApplication(dependencies.quit ? std::move(dependencies.quit) : &QCoreApplication::quit)
    , m_desktopPalette(dependencies.desktopPalette ? dependencies.desktopPalette
                                                   : &DesktopPalette::shared())
    , m_trackerServices(dependencies.trackerServices)
    , m_summaryServices(dependencies.summaryServices)
    , m_screenshotsServices(dependencies.screenshotsServices)
    , m_settingsServices(dependencies.settingsServices)
    , m_qmlEngine(std::make_unique<QQmlEngine>())
    , m_trayBusConnectionName(dependencies.trayBusConnectionName)
    , m_currentDesktop(dependencies.currentDesktop ? *dependencies.currentDesktop
                                                   : qEnvironmentVariable("XDG_CURRENT_DESKTOP"))
    , m_readPanelBackground(dependencies.panelBackground
                                ? std::move(dependencies.panelBackground)
                                : windowManagersBarBackground(m_currentDesktop))
{
    buildMenu();

    SessionManager *engine = m_sessionManager.data();
    for (auto signal :
         {&SessionManager::todayTotalSecondsChanged, &SessionManager::isTrackingChanged,
          &SessionManager::isPausedChanged, &SessionManager::isIdleChanged}) {
        connect(engine, signal, this, &TrayShell::scheduleRefresh);
    }
    connect(&m_appState, &AppStateManager::isAuthenticatedChanged, this,
            &TrayShell::updateMenuState);
    updateMenuState();
    // The icon is drawn again when the desktop's colours or the application's palette change.
    // A new desktop theme may come with a bar of other colours.
    connect(m_desktopPalette.data(), &DesktopPalette::changed, this, [this] {
        m_panelBackground = m_readPanelBackground();
        scheduleRefresh();
    });
    QCoreApplication::instance()->installEventFilter(this);

    m_popoverModel = std::make_unique<RootViewModel>(rootDependencies(true));
}

RootViewModel::Dependencies TrayShell::rootDependencies(bool popover)
{
    // Only the main window runs the first-appearance load.
    return {m_appState,        *m_sessionManager,
            m_random,          popover,
            !popover,          [this] { showMainWindow(true); },
            nullptr,           m_trackerServices,
            m_summaryServices, m_screenshotsServices,
            m_settingsServices};
}

void TrayShell::setSignIn(SignInBackend *backend, SignInCompletion *completion)
{
    m_signInBackend = backend;
    m_signInCompletion = completion;
    m_popoverModel->setSignIn(backend, completion);
    if (m_mainWindowModel)
        m_mainWindowModel->setSignIn(backend, completion);
}

TrayShell::~TrayShell()
{
    // The views go before the models and the engine they show.
    m_statusItem.reset();
    m_popover.reset();
    m_mainWindowCommands.reset();
    m_mainWindow.reset();
}

void TrayShell::buildMenu()
{
    m_menu = std::make_unique<QMenu>();
    m_checkForUpdates = m_menu->addAction(QStringLiteral("Check for Updates…"));
    m_checkForUpdates->setObjectName(QStringLiteral("checkForUpdates"));
    connect(m_checkForUpdates, &QAction::triggered, this,
            [this] { m_appState.checkForUpdatesFromMenu(m_engine); });
    m_settings = m_menu->addAction(QStringLiteral("Settings…"));
    m_settings->setObjectName(QStringLiteral("settings"));
    m_settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(m_settings, &QAction::triggered, this, [this] {
        // Nothing until the main-window hooks are installed.
        if (m_appState.openSettingsMenuAction)
            m_appState.openSettingsMenuAction();
    });
    m_menu->addSeparator();
    m_quitAction = m_menu->addAction(QStringLiteral("Quit ") + QString::fromLatin1(windowTitle));
    m_quitAction->setObjectName(QStringLiteral("quit"));
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(m_quitAction, &QAction::triggered, this, [this] { m_quitApplication(); });
}

void TrayShell::updateMenuState()
{
    m_checkForUpdates->setEnabled(m_appState.isAuthenticated());
}

void TrayShell::install()
{
    MainWindowOpener::install(m_appState, [this] { showMainWindow(true); });

    m_panelBackground = m_readPanelBackground();
    if (!installStatusNotifierItem() && m_trayAvailable())
        installLegacyTrayIcon();
    if (!m_statusItem && !m_trayIcon) {
        zuvInfo(lcLegacyShell) << "No system tray; showing the main window instead";
        m_windowIsTheShell = true;
        showMainWindow(false);
        // Without a tray icon there is no Quit command: closing the one window while nothing is
        // tracked is quitting, through the normal quit path that saves the state. While tracking,
        // the close is turned into minimizing (see eventFilter).
        connect(m_mainWindow.get(), &QWindow::visibilityChanged, this,
                [this](QWindow::Visibility visibility) {
                    if (visibility == QWindow::Hidden)
                        m_quitApplication();
                });
        return;
    }
    refreshTray();
    // The main window opens at launch too, behind whatever the user is doing: its root runs the
    // first load, which probes the permissions the popover's root relies on.
    showMainWindow(false);
    zuvInfo(lcLegacyShell) << "Tray shell installed (tray icon, popover, window, menu commands)";
}

bool TrayShell::installStatusNotifierItem()
{
    const QDBusConnection bus = m_trayBusConnectionName.isEmpty()
                                    ? QDBusConnection::sessionBus()
                                    : QDBusConnection(m_trayBusConnectionName);
    if (!StatusNotifierItem::watcherRuns(bus))
        return false;
    m_statusItem = std::make_unique<StatusNotifierItem>(
        QStringLiteral("zuvevivezid"), QString::fromLatin1(windowTitle), m_menu->actions(), bus);
    connect(m_statusItem.get(), &StatusNotifierItem::activated, this, [this] { togglePopover(); });
    connect(m_statusItem.get(), &StatusNotifierItem::contextMenuRequested, this,
            [this](const QPoint &at) { m_menu->popup(at.isNull() ? QCursor::pos() : at); });
    // The panel reads everything when the item registers: it must be complete by then.
    refreshTray();
    if (!m_statusItem->publish()) {
        m_statusItem.reset();
        return false;
    }
    return true;
}

void TrayShell::installLegacyTrayIcon()
{
    m_trayIcon = std::make_unique<QSystemTrayIcon>();
    m_trayIcon->setContextMenu(m_menu.get());
    connect(m_trayIcon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    togglePopover();
                else if (reason == QSystemTrayIcon::DoubleClick)
                    showMainWindow(true);
            });
    refreshTray();
    m_trayIcon->show();
}

void TrayShell::scheduleRefresh()
{
    // Taken after the change, so the refresh reads the new values; several changes in one turn
    // of the event loop give one refresh.
    if (m_refreshScheduled)
        return;
    m_refreshScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshScheduled = false;
        refreshTray();
    });
}

void TrayShell::refreshTray()
{
    if (m_sessionManager.isNull())
        return;
    const double total = m_sessionManager->todayTotalSeconds();
    const QString label = TrayLabel::elapsedText(total);
    const bool darkPanel = PanelShade::looksDark(
        m_currentDesktop, m_desktopPalette && m_desktopPalette->looksDark(), m_panelBackground);
    const MenuBarIconTint tint =
        TrayLabel::iconTint(m_sessionManager->isTracking(), m_sessionManager->isPaused(),
                            m_sessionManager->isIdle(), darkPanel);

    if (m_lastLabel != label) {
        m_lastLabel = label;
        if (m_trayIcon)
            m_trayIcon->setToolTip(TrayLabel::toolTip(total));
        if (m_statusItem) {
            m_statusItem->setToolTip(QString::fromLatin1(windowTitle), label);
            // Hours and minutes: a panel's text that changes every second draws the eye.
            const QString panelText = TrayLabel::panelText(total);
            m_statusItem->setLabel(panelText, TrayLabel::panelTextGuide(panelText));
        }
    }
    // The picture is the glyph alone, so it changes only with the tint.
    if (m_lastTint != tint)
        showIcon(tint);
}

void TrayShell::showIcon(MenuBarIconTint tint)
{
    const QList<QImage> pictures = MenuBarIconDrawing::trayGlyphs(tint);
    // Without artwork the icon stays as it was; the next change tries again.
    if (pictures.isEmpty())
        return;
    m_lastTint = tint;
    ++m_iconUpdates;
    if (m_trayIcon) {
        QIcon icon;
        for (const QImage &picture : pictures)
            icon.addPixmap(QPixmap::fromImage(picture));
        m_trayIcon->setIcon(icon);
    }
    if (m_statusItem) {
        // Not tracking, the glyph is offered by name too where the panel draws it in its own
        // foreground colour, whatever its background. The colours of tracking need the pictures.
        const bool monochrome =
            tint == MenuBarIconTint::MonoLight || tint == MenuBarIconTint::MonoDark;
        const QString name = QString::fromLatin1(symbolicIconName);
        const bool byName = monochrome && PanelShade::recoloursSymbolicIcons(m_currentDesktop) &&
                            QIcon::hasThemeIcon(name);
        m_statusItem->setIcon(byName ? name : QString(), pictures);
    }
}

bool TrayShell::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ApplicationPaletteChange &&
        watched == QCoreApplication::instance())
        scheduleRefresh();
    if (event->type() == QEvent::Close && watched == m_mainWindow.get() && keepsRunningOnClose()) {
        // A person closes the window to put it away; with no tray to come back through, the
        // session would otherwise end with it. Minimized, the window stays in the desktop's
        // window list, and launching the program again brings it forward.
        zuvInfo(lcLegacyShell) << "Main window closed while tracking; minimized instead";
        event->ignore();
        m_mainWindow->showMinimized();
        return true;
    }
    return false;
}

bool TrayShell::keepsRunningOnClose() const
{
    return m_windowIsTheShell && !m_sessionManager.isNull() && m_sessionManager->isTracking();
}

std::unique_ptr<QQuickView> TrayShell::createRootWindow(RootViewModel *model,
                                                        QQuickView::ResizeMode resizeMode)
{
    auto view = std::make_unique<QQuickView>(m_qmlEngine.get(), nullptr);
    // Before the source: the first layout already follows the mode.
    view->setResizeMode(resizeMode);
    view->setInitialProperties({{QStringLiteral("viewModel"), QVariant::fromValue(model)}});
    // Opaque, as the root view that fills it: a window with an alpha channel has every repainted
    // region cleared first and blended on its way to the screen.
    view->setColor(WD::palette().appBackground);
    view->setSource(rootViewUrl);
    if (view->status() == QQuickView::Error) {
        for (const QQmlError &error : view->errors())
            zuvFault(lcLegacyShell) << "Root view:" << error.toString();
    }
    return view;
}

bool TrayShell::isPopoverVisible() const
{
    return m_popover && m_popover->isVisible();
}

void TrayShell::togglePopover()
{
    if (isPopoverVisible()) {
        hidePopover();
        return;
    }
    if (m_sinceFocusLossHide.isValid() && m_sinceFocusLossHide.elapsed() < reopenGuardMs) {
        m_sinceFocusLossHide.invalidate();
        return;
    }
    if (!m_popover) {
        // The window follows the root's size: 340 wide, as high as its content asks.
        m_popover = createRootWindow(m_popoverModel.get(), QQuickView::SizeViewToRootObject);
        m_popover->setObjectName(QStringLiteral("popover"));
        m_popover->setTitle(QString::fromLatin1(windowTitle));
        PopoverWindowStyle::apply(*m_popover);
        connect(m_popover.get(), &QWindow::activeChanged, this, [this] {
            if (m_popover->isActive()) {
                m_popoverWasActive = true;
            } else if (m_popoverWasActive && m_popover->isVisible()) {
                // Clicking anywhere else closes it, as a popover does.
                hidePopover();
                m_sinceFocusLossHide.start();
            }
        });
    }
    positionPopover();
    m_popoverWasActive = false;
    m_popover->show();
    m_popover->raise();
    m_popover->requestActivate();
}

void TrayShell::hidePopover()
{
    if (m_popover)
        m_popover->hide();
    m_popoverWasActive = false;
}

void TrayShell::positionPopover()
{
    const QRect iconGeometry = m_trayIcon ? m_trayIcon->geometry() : QRect();
    const QPoint cursor = QCursor::pos();
    QScreen *screen =
        QGuiApplication::screenAt(iconGeometry.isValid() ? iconGeometry.center() : cursor);
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    const QSize size = m_popover->rootObject() != nullptr
                           ? QSize(static_cast<int>(m_popover->rootObject()->implicitWidth()),
                                   static_cast<int>(m_popover->rootObject()->implicitHeight()))
                           : m_popover->size();
    if (PopoverWindowStyle::canPlaceItself())
        m_popover->setPosition(PopoverPlacement::topLeft(iconGeometry, cursor, available, size));
}

void TrayShell::showMainWindow(bool activate)
{
    if (!m_mainWindow) {
        m_mainWindowModel = std::make_unique<RootViewModel>(rootDependencies(false));
        m_mainWindowModel->setSignIn(m_signInBackend, m_signInCompletion);
        m_mainWindow = createRootWindow(m_mainWindowModel.get(), QQuickView::SizeRootObjectToView);
        m_mainWindow->setObjectName(QStringLiteral("mainWindow"));
        m_mainWindowCommands = std::make_unique<MainWindowCommands>(*m_mainWindow, *m_menu);
        m_mainWindow->setTitle(QString::fromLatin1(windowTitle));
        m_mainWindow->setMinimumSize(QSize(mainWindowWidth, mainWindowMinimumHeight));
        m_mainWindow->resize(mainWindowWidth, mainWindowHeight);
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect available = screen->availableGeometry();
            m_mainWindow->setPosition(available.center() -
                                      QPoint(mainWindowWidth / 2, mainWindowHeight / 2));
        }
    }
    // Closing the window only hides it; this shows the same one again. Shown without
    // activation, the window manager is also asked not to hand it the focus.
    m_mainWindow->setProperty("_q_showWithoutActivating", !activate);
    // A window minimized by its close button comes back at its normal size.
    m_mainWindow->setWindowStates(m_mainWindow->windowStates() & ~Qt::WindowMinimized);
    m_mainWindow->show();
    m_mainWindow->raise();
    if (activate)
        m_mainWindow->requestActivate();
}

bool TrayShell::raiseMainWindow()
{
    if (!m_mainWindow)
        return false;
    showMainWindow(true);
    return true;
}

void TrayShell::activateApplication()
{
    if (m_mainWindow && m_mainWindow->isVisible()) {
        m_mainWindow->raise();
        m_mainWindow->requestActivate();
    } else if (isPopoverVisible()) {
        m_popover->requestActivate();
    }
}
