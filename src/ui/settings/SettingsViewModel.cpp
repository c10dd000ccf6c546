#include "ui/settings/SettingsViewModel.h"

#include "api/DomainStorage.h"
#include "api/auth/SignInPreferences.h"
#include "app/state/AppStateManager.h"
#include "app/state/AppVersion.h"
#include "foundation/SettingsStore.h"
#include "platform/PermissionChanges.h"
#include "platform/PermissionService.h"
#include "tracking/engine/SessionManager.h"
#include "ui/design/ThemeManager.h"
#include "ui/design/WDPalette.h"
#include "ui/settings/AccountGreetings.h"
#include "ui/settings/LogoutCompletion.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

std::optional<QString> trimmedText(const std::optional<QString> &text)
{
    if (!text)
        return std::nullopt;
    const QString trimmed = text->trimmed();
    return trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed);
}

} // namespace

SettingsViewModel::SettingsViewModel(QObject *parent)
    : QObject(parent)
{
    // The desktop's answer to "Open" arrives later, on its own.
    connect(&PermissionChanges::instance(), &PermissionChanges::changed, this,
            &SettingsViewModel::refreshPermissions);
}

std::optional<QString>
SettingsViewModel::displayCompanyName(const std::optional<QString> &storedName,
                                      const std::optional<QUrl> &baseURL)
{
    if (std::optional<QString> name = trimmedText(storedName))
        return name;
    if (baseURL && !baseURL->host().isEmpty())
        return baseURL->host();
    return std::nullopt;
}

QString SettingsViewModel::greetingLineFor(const QString &greeting, const QString &userName)
{
    return greeting + QLatin1Char(' ') + userName + QLatin1Char(',');
}

QString SettingsViewModel::updateMessageFor(bool forceClientUpdate)
{
    return forceClientUpdate ? QStringLiteral("Update required.")
                             : QStringLiteral("You're up to date.");
}

int SettingsViewModel::swatchColumns(double width)
{
    constexpr double minimumWidth = 46.0;
    constexpr double spacing = 10.0;
    return std::max(1, static_cast<int>(std::floor((width + spacing) / (minimumWidth + spacing))));
}

bool SettingsViewModel::setFlag(bool &flag, bool value)
{
    if (flag == value)
        return false;
    flag = value;
    return true;
}

void SettingsViewModel::setServices(SettingsServices *services)
{
    if (m_services == services)
        return;
    if (m_services) {
        disconnect(&m_services->logout(), nullptr, this, nullptr);
        disconnect(&m_services->theme(), nullptr, this, nullptr);
        if (m_services->appState())
            disconnect(m_services->appState(), nullptr, this, nullptr);
        if (m_services->sessionManager())
            disconnect(m_services->sessionManager(), nullptr, this, nullptr);
    }
    m_services = services;
    connectServices();
    Q_EMIT servicesChanged();
    Q_EMIT logoutStateChanged();
    Q_EMIT selectedPaletteIdChanged();
    Q_EMIT updateCheckChanged();
}

void SettingsViewModel::connectServices()
{
    if (!m_services)
        return;
    connect(&m_services->logout(), &LogoutCompletion::loggingOutChanged, this,
            &SettingsViewModel::logoutStateChanged);
    connect(&m_services->theme(), &ThemeManager::paletteIDChanged, this,
            &SettingsViewModel::selectedPaletteIdChanged);
    if (AppStateManager *state = m_services->appState()) {
        connect(state, &AppStateManager::isAuthenticatedChanged, this,
                &SettingsViewModel::updateCheckChanged);
        // A fetched configuration stores the names anew.
        connect(state, &AppStateManager::remoteConfigChanged, this,
                &SettingsViewModel::readAccount);
    }
    if (SessionManager *engine = m_services->sessionManager()) {
        connect(engine, &SessionManager::isTrackingChanged, this,
                &SettingsViewModel::logoutStateChanged);
    }
}

bool SettingsViewModel::canRevokePermissions() const
{
    return m_services && m_services->permissionReset().available &&
           m_services->permissionReset().reset;
}

QString SettingsViewModel::greetingLine() const
{
    return m_userName ? greetingLineFor(m_greeting, *m_userName) : QString();
}

bool SettingsViewModel::isLoggingOut() const
{
    return m_isLoggingOut || (m_services && m_services->logout().isLoggingOut());
}

bool SettingsViewModel::isTracking() const
{
    return m_services && m_services->sessionManager() && m_services->sessionManager()->isTracking();
}

QString SettingsViewModel::selectedPaletteId() const
{
    return m_services ? m_services->theme().paletteID() : QString();
}

QString SettingsViewModel::versionText() const
{
    return QStringLiteral("Version ") + AppVersion::currentMarketingVersion() +
           QStringLiteral(" (") + AppVersion::currentBuildVersion() + QLatin1Char(')');
}

bool SettingsViewModel::checkUpdateEnabled() const
{
    return !m_isCheckingUpdate && m_services && m_services->appState() &&
           m_services->appState()->isAuthenticated();
}

void SettingsViewModel::appeared()
{
    probeRows();
    // A header that comes into view with the names greets by itself; one already shown anew.
    const bool headerWasShown = showAccountHeader();
    readAccount();
    if (headerWasShown)
        drawGreeting();
}

// --- Permissions ---

void SettingsViewModel::probeRows()
{
    const bool screen = PermissionService::hasScreenRecordingPermission();
    const bool input = PermissionService::hasInputMonitoringPermission();
    m_screenRecordingGranted = screen;
    m_inputMonitoringGranted = input;
    // The advice may change while the grants stay as they were.
    Q_EMIT permissionsChanged();
}

void SettingsViewModel::probeRequiredPermissions()
{
    AppStateManager *state = m_services ? m_services->appState() : nullptr;
    if (!state)
        return;
    const AppStateManager::ProbePermissions &probe = state->probePermissions();
    state->setHasRequiredPermissions(probe ? probe() : false);
}

void SettingsViewModel::refreshPermissions()
{
    probeRows();
    probeRequiredPermissions();
}

void SettingsViewModel::requestRevoke()
{
    if (canRevokePermissions() && setFlag(m_showRevokeConfirm, true))
        Q_EMIT revokeStateChanged();
}

void SettingsViewModel::cancelRevoke()
{
    if (setFlag(m_showRevokeConfirm, false))
        Q_EMIT revokeStateChanged();
}

void SettingsViewModel::revoke()
{
    if (!m_showRevokeConfirm)
        return;
    m_showRevokeConfirm = false;
    // The notice tells the user to restart; it is shown only when a reset really happened.
    if (m_services->permissionReset().reset())
        m_didRevokeRecently = true;
    Q_EMIT revokeStateChanged();
    probeRows();
    probeRequiredPermissions();
}

void SettingsViewModel::restart()
{
    if (m_didRevokeRecently)
        QCoreApplication::quit();
}

// --- Account ---

void SettingsViewModel::readAccount()
{
    if (!m_services)
        return;
    const bool headerWasShown = showAccountHeader();
    const SettingsStore &defaults = m_services->defaults();
    m_userName = trimmedText(defaults.string(QString::fromLatin1(UserProfileStorage::userNameKey)));
    m_companyName =
        displayCompanyName(defaults.string(QString::fromLatin1(UserProfileStorage::companyNameKey)),
                           m_services->domainStorage().getBaseURL());
    Q_EMIT accountChanged();
    // A header that comes into view greets anew.
    if (!headerWasShown && showAccountHeader())
        drawGreeting();
}

void SettingsViewModel::drawGreeting()
{
    if (!m_services || !showAccountHeader())
        return;
    m_greeting = AccountGreetings::draw(m_services->random());
    Q_EMIT accountChanged();
}

void SettingsViewModel::requestLogout()
{
    if (logoutEnabled() && setFlag(m_showLogoutConfirm, true))
        Q_EMIT logoutStateChanged();
}

void SettingsViewModel::cancelLogout()
{
    if (setFlag(m_showLogoutConfirm, false))
        Q_EMIT logoutStateChanged();
}

void SettingsViewModel::confirmLogout()
{
    if (!m_showLogoutConfirm)
        return;
    m_showLogoutConfirm = false;
    // A session may have started in the other window since the confirmation opened.
    if (!logoutEnabled()) {
        Q_EMIT logoutStateChanged();
        return;
    }
    m_isLoggingOut = true;
    Q_EMIT logoutStateChanged();
    runLogout();
}

QCoro::Task<> SettingsViewModel::runLogout()
{
    const QPointer<SettingsViewModel> self(this);
    const QPointer<SettingsServices> services(m_services);
    co_await services->logout().logout();
    // Signing out usually removes this screen before the logout returns.
    if (!self)
        co_return;
    m_isLoggingOut = false;
    Q_EMIT logoutStateChanged();
}

// --- Appearance ---

void SettingsViewModel::selectPalette(const QString &paletteId)
{
    if (!m_services)
        return;
    const QList<WDPalette> &palettes = WDPalette::all();
    const auto found =
        std::find_if(palettes.cbegin(), palettes.cend(),
                     [&](const WDPalette &palette) { return palette.id == paletteId; });
    if (found == palettes.cend())
        return;
    m_services->theme().select(*found);
}

// --- Version ---

void SettingsViewModel::checkForUpdate()
{
    if (!checkUpdateEnabled())
        return;
    m_isCheckingUpdate = true;
    m_updateStatusMessage.reset();
    Q_EMIT updateCheckChanged();
    runUpdateCheck();
}

QCoro::Task<> SettingsViewModel::runUpdateCheck()
{
    const QPointer<SettingsViewModel> self(this);
    const QPointer<AppStateManager> state(m_services->appState());
    const QPointer<SessionManager> engine(m_services->sessionManager());
    bool failed = false;
    bool applied = false;
    try {
        applied = co_await state->refreshRemoteConfigFromServer();
    } catch (...) {
        failed = true;
    }
    // The engine takes the new configuration even when the screen has gone meanwhile, but not
    // one fetched before a sign-out.
    if (applied && state && engine)
        engine->applyConfig(state->remoteConfig());
    if (!self)
        co_return;
    if (!failed && !applied) {
        m_isCheckingUpdate = false;
        Q_EMIT updateCheckChanged();
        co_return;
    }
    m_updateStatusMessage = failed ? QStringLiteral("Failed to check update.")
                                   : updateMessageFor(state && state->forceClientUpdate());
    m_isCheckingUpdate = false;
    Q_EMIT updateCheckChanged();
}
