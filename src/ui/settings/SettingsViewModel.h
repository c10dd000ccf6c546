#pragma once

#include "platform/PermissionService.h"
#include "ui/settings/SettingsServices.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QtQmlIntegration>

#include <optional>

// Every decision of the settings screen: the permission rows and their reset, the account header
// and logout, the palette choice and the update check. Its state starts afresh whenever the
// screen is built again.
class SettingsViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(SettingsServices *services READ services WRITE setServices NOTIFY servicesChanged)

    Q_PROPERTY(bool screenRecordingGranted READ screenRecordingGranted NOTIFY permissionsChanged)
    Q_PROPERTY(bool inputMonitoringGranted READ inputMonitoringGranted NOTIFY permissionsChanged)
    // What to change about a missing permission on this session, and whether the screen grant
    // can be asked for from here (the desktop's screen-sharing dialog on Wayland).
    Q_PROPERTY(QString screenRecordingAdvice READ screenRecordingAdvice NOTIFY permissionsChanged)
    Q_PROPERTY(QString inputMonitoringAdvice READ inputMonitoringAdvice NOTIFY permissionsChanged)
    Q_PROPERTY(
        bool canAskForScreenRecording READ canAskForScreenRecording NOTIFY permissionsChanged)
    Q_PROPERTY(bool canRevokePermissions READ canRevokePermissions NOTIFY servicesChanged)
    Q_PROPERTY(bool showRevokeConfirm READ showRevokeConfirm NOTIFY revokeStateChanged)
    Q_PROPERTY(bool didRevokeRecently READ didRevokeRecently NOTIFY revokeStateChanged)

    Q_PROPERTY(bool showAccountHeader READ showAccountHeader NOTIFY accountChanged)
    Q_PROPERTY(bool hasUserName READ hasUserName NOTIFY accountChanged)
    Q_PROPERTY(QString greetingLine READ greetingLine NOTIFY accountChanged)
    Q_PROPERTY(bool hasCompanyName READ hasCompanyName NOTIFY accountChanged)
    Q_PROPERTY(QString companyName READ companyName NOTIFY accountChanged)

    Q_PROPERTY(bool showLogoutConfirm READ showLogoutConfirm NOTIFY logoutStateChanged)
    Q_PROPERTY(bool isLoggingOut READ isLoggingOut NOTIFY logoutStateChanged)
    Q_PROPERTY(bool isTracking READ isTracking NOTIFY logoutStateChanged)
    Q_PROPERTY(bool logoutEnabled READ logoutEnabled NOTIFY logoutStateChanged)
    Q_PROPERTY(double logoutOpacity READ logoutOpacity NOTIFY logoutStateChanged)

    Q_PROPERTY(QString selectedPaletteId READ selectedPaletteId NOTIFY selectedPaletteIdChanged)

    Q_PROPERTY(QString versionText READ versionText CONSTANT)
    Q_PROPERTY(bool isCheckingUpdate READ isCheckingUpdate NOTIFY updateCheckChanged)
    Q_PROPERTY(bool hasUpdateStatusMessage READ hasUpdateStatusMessage NOTIFY updateCheckChanged)
    Q_PROPERTY(QString updateStatusMessage READ updateStatusMessage NOTIFY updateCheckChanged)
    Q_PROPERTY(bool checkUpdateEnabled READ checkUpdateEnabled NOTIFY updateCheckChanged)
    Q_PROPERTY(double checkUpdateOpacity READ checkUpdateOpacity NOTIFY updateCheckChanged)

public:
    explicit SettingsViewModel(QObject *parent = nullptr);

    // The stored company name when it has more than white space, else the host of the company
    // address, else none.
    static std::optional<QString> displayCompanyName(const std::optional<QString> &storedName,
                                                     const std::optional<QUrl> &baseURL);
    static QString greetingLineFor(const QString &greeting, const QString &userName);
    static QString updateMessageFor(bool forceClientUpdate);
    // Columns of the palette grid: as many of at least 46 wide, 10 apart, as the width holds.
    Q_INVOKABLE static int swatchColumns(double width);

    SettingsServices *services() const { return m_services; }
    void setServices(SettingsServices *services);

    bool screenRecordingGranted() const { return m_screenRecordingGranted; }
    bool inputMonitoringGranted() const { return m_inputMonitoringGranted; }
    static QString screenRecordingAdvice() { return PermissionService::screenRecordingAdvice(); }
    static QString inputMonitoringAdvice() { return PermissionService::inputMonitoringAdvice(); }
    static bool canAskForScreenRecording() { return PermissionService::canAskForScreenRecording(); }
    // "Open" on the screen recording row: the desktop's dialog; "Check Again" reads the answer.
    Q_INVOKABLE static bool askForScreenRecording()
    {
        return PermissionService::openScreenRecordingSettings();
    }
    bool canRevokePermissions() const;
    bool showRevokeConfirm() const { return m_showRevokeConfirm; }
    bool didRevokeRecently() const { return m_didRevokeRecently; }

    bool showAccountHeader() const { return hasUserName() || hasCompanyName(); }
    bool hasUserName() const { return m_userName.has_value(); }
    QString greeting() const { return m_greeting; }
    QString greetingLine() const;
    bool hasCompanyName() const { return m_companyName.has_value(); }
    QString companyName() const { return m_companyName.value_or(QString()); }

    bool showLogoutConfirm() const { return m_showLogoutConfirm; }
    bool isLoggingOut() const;
    bool isTracking() const;
    bool logoutEnabled() const { return m_services && !isLoggingOut() && !isTracking(); }
    double logoutOpacity() const { return logoutEnabled() ? 1.0 : 0.6; }

    QString selectedPaletteId() const;

    QString versionText() const;
    bool isCheckingUpdate() const { return m_isCheckingUpdate; }
    bool hasUpdateStatusMessage() const { return m_updateStatusMessage.has_value(); }
    QString updateStatusMessage() const { return m_updateStatusMessage.value_or(QString()); }
    bool checkUpdateEnabled() const;
    double checkUpdateOpacity() const { return checkUpdateEnabled() ? 1.0 : 0.5; }

    // The screen came into view: the permissions probed, the names read, a fresh greeting.
    Q_INVOKABLE void appeared();
    // The window came to the front or was shown again: a grant made meanwhile in another window
    // (the desktop's screen-sharing dialog) shows in the rows.
    Q_INVOKABLE void windowCameForward() { probeRows(); }
    // "Refresh Permissions": the rows and the application's permission state probed again.
    Q_INVOKABLE void refreshPermissions();
    Q_INVOKABLE void requestRevoke();
    Q_INVOKABLE void cancelRevoke();
    // Resets both permissions; the restart notice shows only when something was reset.
    Q_INVOKABLE void revoke();
    // The restart notice's button: the application quits.
    Q_INVOKABLE void restart();

    // The Logout button: asks for confirmation, never while tracking or logging out.
    Q_INVOKABLE void requestLogout();
    Q_INVOKABLE void cancelLogout();
    // The confirmation's Logout; the logout goes on after this screen is gone.
    Q_INVOKABLE void confirmLogout();

    // A swatch: the palette with that id becomes the current one and is stored.
    Q_INVOKABLE void selectPalette(const QString &paletteId);

    // "Check update"; does nothing while disabled.
    Q_INVOKABLE void checkForUpdate();

Q_SIGNALS:
    void servicesChanged();
    void permissionsChanged();
    void revokeStateChanged();
    void accountChanged();
    void logoutStateChanged();
    void selectedPaletteIdChanged();
    void updateCheckChanged();

private:
    // False when the flag already had the value.
    static bool setFlag(bool &flag, bool value);
    void connectServices();
    void readAccount();
    void drawGreeting();
    void probeRows();
    void probeRequiredPermissions();
    QCoro::Task<> runLogout();
    QCoro::Task<> runUpdateCheck();

    QPointer<SettingsServices> m_services;
    bool m_screenRecordingGranted = false;
    bool m_inputMonitoringGranted = false;
    bool m_showRevokeConfirm = false;
    bool m_didRevokeRecently = false;
    QString m_greeting = QStringLiteral("Hello");
    std::optional<QString> m_userName;
    std::optional<QString> m_companyName;
    bool m_showLogoutConfirm = false;
    bool m_isLoggingOut = false;
    bool m_isCheckingUpdate = false;
    std::optional<QString> m_updateStatusMessage;
};
