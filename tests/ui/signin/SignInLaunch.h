#pragma once

// The sign-in parts of the program over the stand-in service, for the end-to-end suite and the
// sign-in benchmark.

#include "api/APIClient.h"
#include "api/APIEndpoints.h"
#include "api/DomainStorage.h"
#include "api/KeychainService.h"
#include "api/TlsConfiguration.h"
#include "api/auth/AuthService.h"
#include "api/report/ScreenshotReportCache.h"
#include "app/shell/ShellTestRig.h"
#include "app/state/DelayScheduler.h"
#include "app/state/RemoteConfigService.h"
#include "foundation/Clock.h"
#include "foundation/RandomSource.h"
#include "foundation/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "support/standin/StandInService.h"
#include "ui/root/RootViewModel.h"
#include "ui/signin/AuthSignInBackend.h"
#include "ui/signin/LoginViewModel.h"
#include "ui/signin/SignInCompletion.h"

#include <QTemporaryDir>

#include <memory>

// The program's sign-in parts over the stand-in service, the real keyring and a real
// configuration cache; the application state and the engine are the shell tests' rig.
struct SignInLaunch
{
    SignInLaunch(const QString &keyringService, const QString &caPath)
        : keychain(keyringService)
        , api(endpoints, keychain, TlsConfiguration::withExtraCertificates(caPath))
        , auth(api, keychain, domains, defaults, reportCache, systemClock())
        , configService(RemoteConfigService::Dependencies{
              api, defaults, domains, systemRandomSource(), systemDelayScheduler(), folder.path(),
              [this] {
                  return auth.signInGeneration();
              }})
        , backend(auth)
        , root(RootViewModel::Dependencies{
              *rig.appState, rig.sessionManager(), rig.random, true, false, {}})
    {
        api.setUnauthorizedHandler(&auth);
        rig.finishRestore(false);
        SignInCompletion::Steps steps;
        steps.switchCompany = [this](const LoginCompany &company) {
            return auth.setDomainAndComplete(company);
        };
        steps.fetchRemote = [this] {
            return configService.fetchRemote();
        };
        steps.currentSignIn = [this] {
            return auth.signInGeneration();
        };
        steps.abandonSignIn = [this](bool keepTokens) {
            auth.abandonIncompleteSignIn(keepTokens);
        };
        steps.cachedConfig = [this](const QString &key) {
            return configService.cachedConfig(key);
        };
        steps.setRemoteConfig = [this](const RemoteConfig &c) {
            rig.appState->setRemoteConfig(c);
        };
        steps.evaluateClientVersion = [this](const RemoteConfig &c) {
            rig.appState->evaluateClientVersion(c);
        };
        steps.markAuthenticated = [this] {
            rig.appState->setIsAuthenticated(true);
        };
        steps.applyToEngine = [this](const RemoteConfig &c) {
            rig.sessionManager().applyConfig(c);
        };
        steps.refreshPermissions = [this] {
            rig.appState->setHasRequiredPermissions(true);
        };
        steps.recoverInterruptedSession = [this] {
            rig.sessionManager().recoverInterruptedSessionForCurrentDomain();
        };
        steps.startPeriodicRefresh = [this](SignInCompletion::UpdateHandler handler) {
            configService.startPeriodicRefresh(std::move(handler));
        };
        completion = std::make_unique<SignInCompletion>(std::move(steps), defaults, domains);
        model.setBackend(&backend);
        model.setCompletion(completion.get());
    }

    ~SignInLaunch() { configService.stopPeriodicRefresh(); }

    void submit(const QString &email)
    {
        model.setEmail(email);
        model.setPassword(StandInService::demoPassword());
        model.performLogin();
    }

    ShellTestRig rig;
    QTemporaryDir folder;
    SettingsStore defaults{QString()};
    DomainStorage domains{defaults};
    APIEndpoints endpoints{domains};
    KeychainService keychain;
    APIClient api;
    ScreenshotReportCache reportCache;
    AuthService auth;
    RemoteConfigService configService;
    AuthSignInBackend backend;
    RootViewModel root;
    std::unique_ptr<SignInCompletion> completion;
    LoginViewModel model;
};
