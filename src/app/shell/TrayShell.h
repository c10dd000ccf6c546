#pragma once

#include "app/shell/MenuBarIconTint.h"
#include "ui/root/RootViewModel.h"

#include <QColor>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QQuickView>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class AppStateManager;
class DesktopPalette;
class MainWindowCommands;
class QAction;
class QMenu;
class QQmlEngine;
class QSystemTrayIcon;
class RandomSource;
class SessionManager;
class ScreenshotsServices;
class SettingsServices;
class SummaryServices;
class TrackerServices;
class SignInBackend;
class SignInCompletion;
class StatusNotifierItem;
class TrackingEngineControl;

// The application's one shell on this desktop: a tray icon whose glyph shows the tracking state,
// with today's total as text beside it where the panel reads the item's label (else in the
// tooltip), its menu (Check for Updates, Settings, Quit), the popover (a
// frameless window near the icon, hidden when it loses focus) and the main window. Both windows
// show the same root view, compact in the popover and regular in the main window. Where no tray
// host runs, the main window is shown instead of the icon; closing it while tracking minimizes it,
// and only closing it while nothing is tracked quits.
//
// Main thread only; lives for the process.
class TrayShell : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *windowTitle = "Zudevav EvozUvarevu";
    static constexpr int mainWindowWidth = 460;
    static constexpr int mainWindowHeight = 540;
    static constexpr int mainWindowMinimumHeight = 520;
    // A click on the icon first takes the focus from the popover, which closes it; the click
    // that follows within this time is that same click and must not open it again.
    static constexpr int reopenGuardMs = 300;

    struct Dependencies
    {
        AppStateManager &appState;
        SessionManager &sessionManager;
        TrackingEngineControl &engine;
        RandomSource &random;
        // Whether a tray host runs; the system's answer unless a test decides.
        std::function<bool()> trayAvailable;
        // The normal quit path of the event loop unless a test replaces it.
        std::function<void()> quit;
        // The desktop's colours, which choose the icon's tint when nothing is tracked; the
        // process's own unless a test decides.
        DesktopPalette *desktopPalette = nullptr;
        // Handed to both windows' tracker tabs.
        TrackerServices *trackerServices = nullptr;
        // Handed to both windows' summary, screenshots and settings tabs.
        SummaryServices *summaryServices = nullptr;
        ScreenshotsServices *screenshotsServices = nullptr;
        SettingsServices *settingsServices = nullptr;
        // The D-Bus connection (by name) where panels' tray watchers are looked for; the session
        // bus when empty.
        QString trayBusConnectionName = {};
        // The desktop's name as XDG_CURRENT_DESKTOP gives it, which tells some panels' colour;
        // the process's environment unless a test decides.
        std::optional<QString> currentDesktop = std::nullopt;
        // The panel's background where the window manager tells it (sway's and i3's bars);
        // asked of the window manager unless a test decides.
        std::function<std::optional<QColor>()> panelBackground = {};
    };

    // The icon offered by name, which panels draw in their own foreground colour.
    static constexpr const char *symbolicIconName = "com.wendoka.zuvevivezid-symbolic";

    // Before any window exists: the software scene graph, unless QT_QUICK_BACKEND names another.
    // The interface is a few cards and bars; a GPU driver's own mappings would cost a tray
    // application about 100 MB of resident memory (llvmpipe on a display without a GPU).
    static void chooseSceneGraphBackend();

    explicit TrayShell(Dependencies dependencies, QObject *parent = nullptr);
    ~TrayShell() override;

    // The tray icon, or the main window where there is no tray; the main-window hooks of the
    // application state.
    void install();
    // What the sign-in screens of both roots call; set before any window is shown.
    void setSignIn(SignInBackend *backend, SignInCompletion *completion);

    void togglePopover();
    void hidePopover();
    // Creates the main window on first use; brings it forward (and activates it when asked).
    void showMainWindow(bool activate);
    // Raises the main window when it exists; false otherwise.
    bool raiseMainWindow();
    // Brings the shell's visible window forward.
    void activateApplication();

    QSystemTrayIcon *trayIcon() const { return m_trayIcon.get(); }
    // The panel's own tray item, where a panel reads one; the legacy icon is not made then.
    StatusNotifierItem *statusNotifierItem() const { return m_statusItem.get(); }
    QMenu *trayMenu() const { return m_menu.get(); }
    QAction *checkForUpdatesAction() const { return m_checkForUpdates; }
    QAction *settingsAction() const { return m_settings; }
    QAction *quitAction() const { return m_quitAction; }
    QQuickView *popover() const { return m_popover.get(); }
    QQuickView *mainWindow() const { return m_mainWindow.get(); }
    bool isPopoverVisible() const;

    // What the tray shows now, and how often its picture was replaced.
    QString currentLabel() const { return m_lastLabel.value_or(QString()); }
    std::optional<MenuBarIconTint> currentTint() const { return m_lastTint; }
    int iconUpdates() const { return m_iconUpdates; }

    // Reads the engine's state into the tray (queued after every change of it).
    void refreshTray();

private:
    // The popover's root is compact and has the open-window button; the main window's is not.
    RootViewModel::Dependencies rootDependencies(bool popover);
    void buildMenu();
    // Where a panel's watcher runs: the item beside which the panel writes the time.
    bool installStatusNotifierItem();
    void installLegacyTrayIcon();
    void showIcon(MenuBarIconTint tint);
    void scheduleRefresh();
    void updateMenuState();
    std::unique_ptr<QQuickView> createRootWindow(RootViewModel *model,
                                                 QQuickView::ResizeMode resizeMode);
    void positionPopover();
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Without a tray the main window is the shell: closing it while tracking must not quit.
    bool keepsRunningOnClose() const;

    AppStateManager &m_appState;
    QPointer<SessionManager> m_sessionManager;
    TrackingEngineControl &m_engine;
    RandomSource &m_random;
    std::function<bool()> m_trayAvailable;
    std::function<void()> m_quitApplication;
    QPointer<DesktopPalette> m_desktopPalette;
    TrackerServices *m_trackerServices = nullptr;
    SummaryServices *m_summaryServices = nullptr;
    ScreenshotsServices *m_screenshotsServices = nullptr;
    SettingsServices *m_settingsServices = nullptr;

    std::unique_ptr<QQmlEngine> m_qmlEngine;
    std::unique_ptr<QMenu> m_menu;
    QAction *m_checkForUpdates = nullptr;
    QAction *m_settings = nullptr;
    QAction *m_quitAction = nullptr;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon;
    QString m_trayBusConnectionName;
    QString m_currentDesktop;
    std::function<std::optional<QColor>()> m_readPanelBackground;
    std::optional<QColor> m_panelBackground;
    std::unique_ptr<StatusNotifierItem> m_statusItem;
    std::unique_ptr<RootViewModel> m_popoverModel;
    QPointer<SignInBackend> m_signInBackend;
    QPointer<SignInCompletion> m_signInCompletion;
    std::unique_ptr<QQuickView> m_popover;
    std::unique_ptr<RootViewModel> m_mainWindowModel;
    std::unique_ptr<QQuickView> m_mainWindow;
    std::unique_ptr<MainWindowCommands> m_mainWindowCommands;
    bool m_popoverWasActive = false;
    // No tray host: the main window stands for the whole application.
    bool m_windowIsTheShell = false;
    // When the popover last closed because it lost the focus.
    QElapsedTimer m_sinceFocusLossHide;

    bool m_refreshScheduled = false;
    std::optional<QString> m_lastLabel;
    std::optional<MenuBarIconTint> m_lastTint;
    int m_iconUpdates = 0;
};
