#include "api/auth/AuthService.h"

#include "api/APIClient.h"
#include "api/AuthDateParser.h"
#include "api/AuthTokenStore.h"
#include "api/DomainStorage.h"
#include "api/auth/SignInPreferences.h"
#include "api/report/ScreenshotReportCache.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/NotificationHub.h"
#include "foundation/SettingsStore.h"

#include <QPointer>
#include <QTimeZone>
#include <QTimer>

namespace {

const QString singleLoginPath = QStringLiteral("authentication/singleLogin");
const QString generateOtpPath = QStringLiteral("authentication/generateOtp");
const QString passwordRecoveryPath = QStringLiteral("authentication/password/recovery");
const QString refreshPath = QStringLiteral("authentication/refresh");
const QString logoutPath = QStringLiteral("authentication/logout");

APIClient::Call post(const QString &path, const QByteArray &body, bool includeAuthorization = false)
{
    APIClient::Call call;
    call.path = path;
    call.method = QByteArrayLiteral("POST");
    call.body = body;
    call.includeAuthorization = includeAuthorization;
    return call;
}

// The error as the log names it; never holds a body or a token.
QString describe(const APIError &error)
{
    switch (error.kind()) {
    case APIError::Kind::ServerError:
        return QStringLiteral("serverError(statusCode: %1)").arg(error.statusCode());
    case APIError::Kind::Network:
        return QStringLiteral("network(%1)").arg(error.networkErrorDescription());
    case APIError::Kind::InvalidURL:
    case APIError::Kind::Unauthorized:
    case APIError::Kind::DecodingFailed:
        break;
    }
    return QString::fromLatin1(error.what());
}

AuthTokens tokensFromTexts(const QString &accessToken, const QString &refreshToken,
                           const QString &expiresAt, const QString &refreshExpiresAt,
                           const Clock &clock)
{
    return AuthTokens{
        accessToken,
        refreshToken,
        AuthDateParser::parse(expiresAt, AuthDateParser::accessTokenDefaultSeconds, clock),
        AuthDateParser::parse(refreshExpiresAt, AuthDateParser::refreshTokenDefaultSeconds, clock),
        expiresAt,
        refreshExpiresAt,
    };
}

} // namespace

AuthService::AuthService(APIClient &api, AuthTokenStore &tokens, DomainStorage &domainStorage,
                         SettingsStore &defaults, ScreenshotReportCache &reportCache,
                         const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_api(api)
    , m_tokens(tokens)
    , m_domainStorage(domainStorage)
    , m_defaults(defaults)
    , m_reportCache(reportCache)
    , m_clock(clock)
{}

AuthService::~AuthService() = default;

std::optional<AuthTokens> AuthService::currentTokens() const
{
    return m_tokens.getAuthTokens();
}

AuthTokens AuthService::makeTokens(const TokenDataNested &source, const Clock &clock)
{
    return tokensFromTexts(source.accessToken, source.refreshToken, source.expiresAt,
                           source.refreshExpiresAt, clock);
}

AuthTokens AuthService::makeTokens(const RefreshResponseData &source,
                                   const QString &existingRefreshToken,
                                   const QString &existingRefreshExpiresAtRaw, const Clock &clock)
{
    return tokensFromTexts(source.accessToken, source.refreshToken.value_or(existingRefreshToken),
                           source.expiresAt,
                           source.refreshExpiresAt.value_or(existingRefreshExpiresAtRaw), clock);
}

// --- Sign-in ---

QCoro::Task<SingleLoginResult> AuthService::login(QString email, QString password)
{
    if (m_login) {
        // Throughout this file nothing is built in place inside a co_await expression: g++ 12
        // destroys a brace-initialised temporary there twice.
        auto running = m_login->outcome->wait();
        co_return co_await running;
    }
    auto outcome = SharedOutcome<SingleLoginResult>::create();
    const QUuid id = QUuid::createUuid();
    m_login = InFlightLogin{id, outcome};
    // The waiter is taken first: a sign-in that fails before its first suspension has already
    // freed the slot by the time runLogin returns.
    auto waiter = outcome->wait();
    // Runs on its own, so a caller that goes away does not take the sign-in with it.
    runLogin(id, LoginRequest::withPassword(email, password), std::move(outcome));
    co_return co_await waiter;
}

QCoro::Task<> AuthService::runLogin(QUuid id, LoginRequest body,
                                    std::shared_ptr<SharedOutcome<SingleLoginResult>> outcome)
{
    const QPointer<AuthService> self(this);
    std::optional<SingleLoginResult> result;
    std::exception_ptr failure;
    try {
        result = co_await performSingleLogin(std::move(body));
    } catch (...) {
        failure = std::current_exception();
    }
    // The slot is free before anyone hears the outcome: a sign-in started from here on (say with
    // a corrected password) is sent, instead of being handed this finished one.
    if (self)
        self->clearLoginIfIDMatches(id);
    if (failure)
        outcome->setException(failure);
    else
        outcome->setValue(std::move(*result));
}

void AuthService::clearLoginIfIDMatches(const QUuid &id)
{
    if (m_login && m_login->id == id)
        m_login.reset();
}

QCoro::Task<SingleLoginResult> AuthService::verifyOtp(QString email, QString otpCode)
{
    return performSingleLogin(LoginRequest::withOneTimeCode(email, otpCode));
}

QCoro::Task<SingleLoginResult> AuthService::performSingleLogin(LoginRequest body)
{
    const QPointer<AuthService> self(this);
    APIClient::Call call = post(singleLoginPath, body.toJsonBytes());
    const SingleLoginResponse response =
        co_await m_api.request<SingleLoginResponse>(std::move(call));
    // A service torn down while the answer was out stores nothing.
    if (!self)
        throw APIError::unauthorized();
    co_return completeSignIn(body, response.data);
}

SingleLoginResult AuthService::completeSignIn(const LoginRequest &body, const SingleLoginData &data)
{
    if (data.otpRequired == 1) {
        return {
            SingleLoginResult::OtpRequired{body.email, data.user ? data.user->email : QString()}};
    }

    // The company address is checked before anything is stored: a refused one ends the sign-in
    // with nothing kept.
    std::optional<QUrl> directAddress;
    if (data.initPayload) {
        directAddress = DomainStorage::buildBaseURL(data.initPayload->endpoint);
        if (directAddress)
            refuseUnsafeCompanyAddress(*directAddress);
    }

    AuthTokens tokens;
    if (data.nestedData) {
        tokens = makeTokens(*data.nestedData, m_clock);
    } else if (data.accessToken && data.refreshToken && data.expiresAt && data.refreshExpiresAt) {
        tokens = tokensFromTexts(*data.accessToken, *data.refreshToken, *data.expiresAt,
                                 *data.refreshExpiresAt, m_clock);
    } else {
        throw APIError::decodingFailed();
    }

    ++m_signInGeneration;
    m_tokens.saveAuthTokens(tokens);
    // Whose work is tracked from here on: the local data is kept apart per employee.
    m_domainStorage.setEmployee(body.email);
    zuvInfo(lcAuth) << "Login succeeded";

    if (data.initPayload) {
        if (directAddress)
            m_domainStorage.setBaseURL(directAddress);
        return {SingleLoginResult::DirectConfig{tokens, data.user}};
    }
    if (data.companies && !data.companies->isEmpty()) {
        QString userName = QStringLiteral("User");
        if (data.user)
            userName = data.user->name.value_or(data.user->email);
        return {SingleLoginResult::CompanySelection{*data.companies, userName, tokens}};
    }
    return {SingleLoginResult::DirectConfig{tokens, data.user}};
}

bool AuthService::setDomainAndComplete(const LoginCompany &company)
{
    const std::optional<QUrl> address = DomainStorage::buildBaseURL(company.endpoint);
    if (!address)
        return true;
    try {
        refuseUnsafeCompanyAddress(*address);
    } catch (const APIError &) {
        // The tokens of the sign-in went with the company list; they must not outlive it.
        ++m_signInGeneration;
        m_tokens.deleteAuthTokens();
        return false;
    }
    m_domainStorage.setBaseURL(address);
    return true;
}

void AuthService::abandonIncompleteSignIn(bool keepTokens)
{
    m_domainStorage.setBaseURL(std::nullopt);
    if (keepTokens)
        return;
    ++m_signInGeneration;
    m_tokens.deleteAuthTokens();
}

bool AuthService::identifyEmployeeOfStoredSignIn()
{
    if (m_domainStorage.employee())
        return true;
    const std::optional<QString> remembered = RememberedLoginStorage::savedEmail(m_defaults);
    if (!remembered) {
        zuvInfo(lcAuth) << "Stored sign-in names no employee; signing in again";
        return false;
    }
    m_domainStorage.setEmployee(remembered);
    zuvInfo(lcAuth) << "Stored sign-in now names its employee";
    return true;
}

void AuthService::refuseUnsafeCompanyAddress(const QUrl &address)
{
    if (DomainStorage::mayCarryCredentials(address))
        return;
    zuvError(lcAuth).noquote() << "Sign-in refused: the company address "
                               << address.toString(QUrl::RemoveUserInfo)
                               << " is plain http; the sign-in is sent only over https";
    throw APIError::invalidURL();
}

QCoro::Task<> AuthService::generateOtp(QString email)
{
    const QByteArray body = GenerateOtpRequest{email}.toJsonBytes();
    APIClient::Call call = post(generateOtpPath, body);
    co_await m_api.request<EmptyResponse>(std::move(call));
    zuvInfo(lcAuth) << "Generate OTP succeeded";
}

QCoro::Task<> AuthService::requestPasswordRecovery(QString email)
{
    const QByteArray body = PasswordRecoveryRequest{email}.toJsonBytes();
    APIClient::Call call = post(passwordRecoveryPath, body);
    call.extraHeaders.append({QByteArrayLiteral("app-client"), QByteArrayLiteral("IOS")});
    co_await m_api.request<EmptyResponse>(std::move(call));
    zuvInfo(lcAuth) << "Password recovery requested";
}

// --- Refresh, invalidation, logout ---

QCoro::Task<std::optional<AuthTokens>> AuthService::handleUnauthorized()
{
    if (m_refresh) {
        auto running = m_refresh->wait();
        co_return co_await running;
    }

    const auto outcome = SharedOutcome<std::optional<AuthTokens>>::create();
    m_refresh = outcome;
    const QPointer<AuthService> self(this);
    const std::optional<AuthTokens> result = co_await performRefresh();
    if (self)
        self->m_refresh.reset();
    outcome->setValue(result);
    co_return result;
}

QCoro::Task<std::optional<AuthTokens>> AuthService::performRefresh()
{
    const quint64 generation = m_signInGeneration;
    const QPointer<AuthService> self(this);
    const std::optional<AuthTokens> stored = co_await m_tokens.loadAuthTokens();
    if (!self || generation != m_signInGeneration)
        co_return std::nullopt;
    if (!stored) {
        zuvInfo(lcAuth) << "No tokens to refresh";
        co_return std::nullopt;
    }

    std::optional<RefreshResponse> answer;
    std::optional<APIError> failure;
    const QByteArray body = RefreshRequest{stored->refreshToken}.toJsonBytes();
    APIClient::Call call = post(refreshPath, body);
    try {
        answer = co_await m_api.request<RefreshResponse>(std::move(call));
    } catch (const APIError &error) {
        failure = error;
    }
    if (!self)
        co_return std::nullopt;
    if (generation != m_signInGeneration) {
        // Signed out or signed in anew while the refresh was out: its answer, tokens or
        // rejection, belongs to a sign-in that no longer exists.
        zuvInfo(lcAuth) << "Token refresh outlived its sign-in; its answer is dropped";
        co_return std::nullopt;
    }

    if (answer) {
        const AuthTokens fresh =
            makeTokens(answer->data, stored->refreshToken, stored->refreshExpiresAtRaw, m_clock);
        m_tokens.saveAuthTokens(fresh);
        zuvInfo(lcAuth) << "Token refresh succeeded";
        co_return fresh;
    }
    if (failure->kind() == APIError::Kind::Unauthorized) {
        zuvError(lcAuth) << "Token refresh rejected (401); clearing session";
        invalidateSession();
        co_return std::nullopt;
    }
    zuvError(lcAuth).noquote() << "Token refresh failed transiently, keeping tokens: " +
                                      describe(*failure);
    co_return std::nullopt;
}

void AuthService::invalidateSession()
{
    ++m_signInGeneration;
    m_tokens.deleteAuthTokens();
    // Whatever ran under the sign-in ends first, while its company and zone still stand: a session
    // stopped now writes its last bodies in the zone it was begun under.
    Q_EMIT NotificationHub::instance().authSessionDidInvalidate();
    clearLocalSessionAfterRefreshFailure();
}

void AuthService::clearLocalSessionAfterRefreshFailure()
{
    clearSignedInState();
    // Without a configuration the API time zone is the device's own; set from the event loop,
    // after the bodies the observers queued, which are written from there too.
    QTimer::singleShot(0, this, [this] {
        m_defaults.setString(QLatin1String(apiTimezoneIdentifierKey),
                             QString::fromUtf8(QTimeZone::systemTimeZoneId()));
    });
}

void AuthService::clearSignedInState()
{
    m_domainStorage.setBaseURL(std::nullopt);
    m_domainStorage.setEmployee(std::nullopt);
    m_defaults.remove(QLatin1String(UserProfileStorage::userNameKey));
    m_defaults.remove(QLatin1String(UserProfileStorage::companyNameKey));
    // The cache is keyed by company, not by person: the next employee of the same company must
    // not see these screenshots.
    m_reportCache.clear();
}

QCoro::Task<> AuthService::logout()
{
    // A refresh that is out now, or that starts while the logout call is out, belongs to the
    // sign-in being ended.
    ++m_signInGeneration;
    const QPointer<AuthService> self(this);
    // From memory: a signed-in user's tokens are known, and a sign-out never waits on a keyring
    // that has not answered.
    if (const std::optional<AuthTokens> tokens = m_tokens.getAuthTokens()) {
        const QByteArray body = LogoutBody{tokens->refreshToken}.toJsonBytes();
        APIClient::Call call = post(logoutPath, body, true);
        try {
            co_await m_api.request<EmptyResponse>(std::move(call));
            zuvInfo(lcAuth) << "Logout succeeded";
        } catch (const APIError &error) {
            zuvError(lcAuth).noquote() << "Logout failed: " + describe(error);
        }
    }
    if (!self)
        co_return;
    ++m_signInGeneration;
    clearSignedInState();
    m_tokens.deleteAuthTokens();
}
