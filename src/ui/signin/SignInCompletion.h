#pragma once

#include "api/auth/SingleLoginResponse.h"
#include "app/config/RemoteConfig.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QtQmlIntegration>

#include <functional>
#include <optional>

class DomainStorage;
class SettingsStore;

// The steps after the service has accepted a sign-in: the company switch, the configuration load
// (or the cached one of the same company), the configuration applied to the application state and
// the tracking engine in a fixed order, and the periodic refresh. Lives as long as the
// application, because marking the user signed in destroys the sign-in screen while the last
// steps still have to run.
class SignInCompletion : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application completes the sign-in")

public:
    enum class Outcome
    {
        SignedIn,
        // Neither fetched nor cached for this company; nothing was applied.
        ConfigurationUnavailable,
        // Another company pick is being applied; this one changed nothing.
        Refused,
        // The company's address may not carry the sign-in (plain http to another machine, no
        // host); the sign-in was dropped, nothing was loaded.
        CompanyAddressRefused,
        // Signed out, or signed in anew, while the configuration loaded: it was another
        // sign-in's, and nothing was applied.
        Superseded,
    };

    using UpdateHandler = std::function<void(const RemoteConfig &)>;

    // The parts of the application the completion drives. Every function must be set.
    struct Steps
    {
        // False when the company's address was refused and the sign-in dropped.
        std::function<bool(const LoginCompany &)> switchCompany;
        std::function<QCoro::Task<RemoteConfig>()> fetchRemote;
        // Moves on whenever the stored sign-in is replaced or ended.
        std::function<quint64()> currentSignIn;
        // No configuration, so no sign-in: the company address goes, so that a launch never
        // restores it, and the tokens too unless a company may still be picked with them.
        std::function<void(bool keepTokens)> abandonSignIn;
        // The cached configuration when it was fetched for this partition (company and employee).
        std::function<std::optional<RemoteConfig>(const QString &domainKey)> cachedConfig;
        // Sets the configuration and its projects.
        std::function<void(const RemoteConfig &)> setRemoteConfig;
        std::function<void(const RemoteConfig &)> evaluateClientVersion;
        std::function<void()> markAuthenticated;
        std::function<void(const RemoteConfig &)> applyToEngine;
        // Probes the permissions and stores the answer.
        std::function<void()> refreshPermissions;
        std::function<void()> recoverInterruptedSession;
        std::function<void(UpdateHandler)> startPeriodicRefresh;
    };

    SignInCompletion(Steps steps, SettingsStore &defaults, const DomainStorage &domainStorage,
                     QObject *parent = nullptr);

    // A direct sign-in: the user's names are stored, then the configuration is loaded and applied.
    QCoro::Task<Outcome> completeDirect(std::optional<LoginUser> user);
    // A company pick: refused while another pick is being applied; otherwise the pick and the
    // names are stored before any request, the company becomes the current one, and the
    // configuration is loaded for it.
    QCoro::Task<Outcome> completeWithCompany(LoginCompany company, QString userName);
    bool isApplyingCompany() const { return m_companyPickInFlight; }

    // The sign-in ended: a configuration still on its way for it is dropped.
    void signedOut();

    std::optional<QString> rememberedEmail() const;
    void rememberEmail(const QString &email);
    std::optional<QString> lastCompanyEndpoint() const;

Q_SIGNALS:
    void companyPickChanged();

private:
    QCoro::Task<Outcome> loadAndApply(bool companyPick);
    void applyInOrder(const RemoteConfig &config);
    void applyRefreshed(const RemoteConfig &config);

    Steps m_steps;
    SettingsStore &m_defaults;
    const DomainStorage &m_domainStorage;
    bool m_companyPickInFlight = false;
    // Moves on with every sign-in completed and every sign-out, so an update fetched for one
    // sign-in never reaches another.
    quint64 m_signInGeneration = 0;
};
