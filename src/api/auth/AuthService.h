#pragma once

#include "api/AuthTokens.h"
#include "api/UnauthorizedHandler.h"
#include "api/auth/RefreshWireModels.h"
#include "api/auth/SharedOutcome.h"
#include "api/auth/SignInRequests.h"
#include "api/auth/SingleLoginResponse.h"
#include "api/auth/SingleLoginResult.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <memory>
#include <optional>

class APIClient;
class AuthTokenStore;
class Clock;
class DomainStorage;
class ScreenshotReportCache;
class SettingsStore;

// The single owner of the sign-in and of the token lifecycle: sign-in with password or one-time
// code, company choice, password recovery, the token refresh that both HTTP layers share after a
// 401, the end of a sign-in the service rejected, and logout.
//
// Lives on the main thread; every operation must be called there. Failures of the calls reach the
// caller as the APIError the client threw.
class AuthService : public QObject, public UnauthorizedHandler
{
    Q_OBJECT

public:
    // Set to the device's time zone when the service rejects the sign-in.
    static constexpr const char *apiTimezoneIdentifierKey =
        "com.wendoka.zuvevivezid.apiTimezoneIdentifier";

    AuthService(APIClient &api, AuthTokenStore &tokens, DomainStorage &domainStorage,
                SettingsStore &defaults, ScreenshotReportCache &reportCache, const Clock &clock,
                QObject *parent = nullptr);
    ~AuthService() override;

    std::optional<AuthTokens> currentTokens() const;

    // One sign-in at a time: a caller that arrives while one is under way gets its outcome, and
    // its own e-mail and password are not used.
    QCoro::Task<SingleLoginResult> login(QString email, QString password);
    QCoro::Task<SingleLoginResult> verifyOtp(QString email, QString otpCode);
    QCoro::Task<> generateOtp(QString email);
    QCoro::Task<> requestPasswordRecovery(QString email);
    // Makes the picked company's address the base of every later request; sends nothing. False
    // when the address is refused (plain http across a network): the sign-in then ends here.
    bool setDomainAndComplete(const LoginCompany &company);

    // A sign-in whose configuration could not be loaded is not one: its company address goes, so
    // that a launch never restores it, and its tokens too unless a company may still be picked
    // with them. Sends nothing.
    void abandonIncompleteSignIn(bool keepTokens);

    // Whether the stored sign-in names its employee. One kept from before employees were told
    // apart names none: the e-mail its sign-in form remembered is the one that signed in (the
    // form is only reachable signed out). False when nothing names the employee: such a sign-in
    // is not restored, so no one's work is written under the company alone. Sends nothing.
    bool identifyEmployeeOfStoredSignIn();

    // Ends the sign-in on the server (best effort) and here (always). Never fails.
    QCoro::Task<> logout();

    // Runs the refresh, or joins the one under way. Never fails: the new tokens (already
    // stored), or none.
    QCoro::Task<std::optional<AuthTokens>> handleUnauthorized() override;
    bool isRefreshing() const { return m_refresh != nullptr; }
    bool isSigningIn() const { return m_login.has_value(); }
    // Moves on whenever the stored sign-in is replaced or ended: an answer to a request made
    // under one value belongs to another sign-in once it has moved.
    quint64 signInGeneration() const { return m_signInGeneration; }

    static AuthTokens makeTokens(const TokenDataNested &source, const Clock &clock);
    static AuthTokens makeTokens(const RefreshResponseData &source,
                                 const QString &existingRefreshToken,
                                 const QString &existingRefreshExpiresAtRaw, const Clock &clock);

private:
    struct InFlightLogin
    {
        QUuid id;
        std::shared_ptr<SharedOutcome<SingleLoginResult>> outcome;
    };

    QCoro::Task<> runLogin(QUuid id, LoginRequest body,
                           std::shared_ptr<SharedOutcome<SingleLoginResult>> outcome);
    QCoro::Task<SingleLoginResult> performSingleLogin(LoginRequest body);
    SingleLoginResult completeSignIn(const LoginRequest &body, const SingleLoginData &data);
    void clearLoginIfIDMatches(const QUuid &id);
    // Throws APIError::invalidURL, logged, for an address the sign-in must never go to.
    static void refuseUnsafeCompanyAddress(const QUrl &address);

    QCoro::Task<std::optional<AuthTokens>> performRefresh();
    void invalidateSession();
    void clearLocalSessionAfterRefreshFailure();
    void clearSignedInState();

    APIClient &m_api;
    AuthTokenStore &m_tokens;
    DomainStorage &m_domainStorage;
    SettingsStore &m_defaults;
    ScreenshotReportCache &m_reportCache;
    const Clock &m_clock;

    std::optional<InFlightLogin> m_login;
    std::shared_ptr<SharedOutcome<std::optional<AuthTokens>>> m_refresh;
    // Moves on whenever the stored sign-in is replaced or ended, so an answer to a request made
    // for an earlier sign-in never writes over the current one.
    quint64 m_signInGeneration = 0;
};
