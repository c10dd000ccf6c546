#include "ui/signin/SignInCompletion.h"

#include "api/DomainStorage.h"
#include "api/auth/SignInPreferences.h"
#include "foundation/SettingsStore.h"

#include <QPointer>
#include <QTimer>

SignInCompletion::SignInCompletion(Steps steps, SettingsStore &defaults,
                                   const DomainStorage &domainStorage, QObject *parent)
    : QObject(parent)
    , m_steps(std::move(steps))
    , m_defaults(defaults)
    , m_domainStorage(domainStorage)
{}

QCoro::Task<SignInCompletion::Outcome>
SignInCompletion::completeDirect(std::optional<LoginUser> user)
{
    if (user) {
        const QString displayName = user->name ? *user->name : user->email;
        std::optional<QString> companyName;
        if (const std::optional<QUrl> base = m_domainStorage.getBaseURL();
            base && !base->host().isEmpty())
            companyName = base->host();
        UserProfileStorage::set(displayName, companyName, m_defaults);
    }
    co_return co_await loadAndApply(false);
}

QCoro::Task<SignInCompletion::Outcome> SignInCompletion::completeWithCompany(LoginCompany company,
                                                                             QString userName)
{
    if (m_companyPickInFlight)
        co_return Outcome::Refused;
    m_companyPickInFlight = true;
    Q_EMIT companyPickChanged();
    m_defaults.setString(QString::fromUtf8(LastCompanyStorage::lastEndpointKey), company.endpoint);
    UserProfileStorage::set(userName, company.name, m_defaults);
    QPointer<SignInCompletion> self(this);
    const Outcome outcome = m_steps.switchCompany(company) ? co_await loadAndApply(true)
                                                           : Outcome::CompanyAddressRefused;
    if (self) {
        m_companyPickInFlight = false;
        Q_EMIT companyPickChanged();
    }
    co_return outcome;
}

QCoro::Task<SignInCompletion::Outcome> SignInCompletion::loadAndApply(bool companyPick)
{
    QPointer<SignInCompletion> self(this);
    // Whose configuration this is: the sign-in stored now, for the company and employee
    // current now.
    const quint64 signIn = m_steps.currentSignIn();
    const quint64 generation = m_signInGeneration;
    const QString partitionKey = m_domainStorage.partitionKey();
    const auto stillThisSignIn = [&] {
        return m_steps.currentSignIn() == signIn && m_signInGeneration == generation &&
               m_domainStorage.partitionKey() == partitionKey;
    };
    std::optional<RemoteConfig> config;
    try {
        config = co_await m_steps.fetchRemote();
    } catch (...) {
        // Only a cache of the company now current counts; another company's tasks and time zone
        // must never be applied under this company's address.
        if (self)
            config = m_steps.cachedConfig(partitionKey);
    }
    if (!self)
        co_return Outcome::ConfigurationUnavailable;
    if (!stillThisSignIn())
        co_return Outcome::Superseded;
    if (!config) {
        m_steps.abandonSignIn(companyPick);
        co_return Outcome::ConfigurationUnavailable;
    }

    applyInOrder(*config);
    const quint64 signedIn = ++m_signInGeneration;
    m_steps.startPeriodicRefresh([self, generation = signedIn](const RemoteConfig &update) {
        QTimer::singleShot(0, self.data(), [self, generation, update] {
            // A configuration fetched before a sign-out is never applied after it.
            if (self && self->m_signInGeneration == generation)
                self->applyRefreshed(update);
        });
    });
    co_return Outcome::SignedIn;
}

void SignInCompletion::applyInOrder(const RemoteConfig &config)
{
    m_steps.setRemoteConfig(config);
    m_steps.evaluateClientVersion(config);
    m_steps.markAuthenticated();
    m_steps.applyToEngine(config);
    m_steps.refreshPermissions();
    m_steps.recoverInterruptedSession();
}

void SignInCompletion::applyRefreshed(const RemoteConfig &config)
{
    m_steps.setRemoteConfig(config);
    m_steps.evaluateClientVersion(config);
    m_steps.applyToEngine(config);
}

void SignInCompletion::signedOut()
{
    ++m_signInGeneration;
}

std::optional<QString> SignInCompletion::rememberedEmail() const
{
    return RememberedLoginStorage::savedEmail(m_defaults);
}

void SignInCompletion::rememberEmail(const QString &email)
{
    RememberedLoginStorage::save(email, m_defaults);
}

std::optional<QString> SignInCompletion::lastCompanyEndpoint() const
{
    return LastCompanyStorage::lastEndpoint(m_defaults);
}
