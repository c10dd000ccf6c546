#pragma once

#include "api/AuthTokenStore.h"
#include "api/AuthTokens.h"

#include <QString>

#include <chrono>
#include <memory>
#include <optional>

// The one keyring item that keeps the sign-in between launches: service "com.wendoka.zuvevivezid",
// account "auth_tokens", holding the JSON of the tokens.
//
// The tokens live in memory; the keyring is only read until it has answered once, and is written
// behind every save and delete. A locked collection can take minutes to answer (it waits for the
// user to type a password), so nothing here makes its caller wait for the keyring: writes are
// queued in order on the keychain thread, so the last save or delete is what the keyring ends up
// holding, and a read still out when a save or delete happens is dropped on arrival.
//
// A read that fails (a prompt dismissed, a keyring that refused) is not taken as "signed out": it
// is asked again at the next need, after a pause so a dismissed prompt does not come straight
// back, or at once when the keyring may have become available.
//
// Where the machine has no usable keyring the sign-in still works for the running process: the
// tokens are kept in memory (never in a file), the log says once that the sign-in cannot be
// remembered, and the next launch asks for it again.
class KeychainService final : public AuthTokenStore
{
public:
    static constexpr const char *serviceName = "com.wendoka.zuvevivezid";
    static constexpr const char *account = "auth_tokens";
    // A service name of its own for a whole process (children included), so that the run
    // command's demo never reads, replaces or removes a real installation's sign-in.
    static constexpr const char *serviceEnvironmentVariable = "ZUV_KEYRING_SERVICE";
    static constexpr std::chrono::milliseconds defaultRetryPause{std::chrono::minutes(1)};

    // The process-wide instance on the item above, or on the service the environment names.
    static KeychainService &shared();
    static QString configuredServiceName();

    explicit KeychainService(QString service = QString::fromLatin1(serviceName),
                             std::chrono::milliseconds retryPause = defaultRetryPause);
    ~KeychainService() override;
    KeychainService(const KeychainService &) = delete;
    KeychainService &operator=(const KeychainService &) = delete;

    // Never waits: memory's tokens, or none while the keyring has not answered (a read is then
    // started).
    std::optional<AuthTokens> getAuthTokens() override;
    // Awaits the keyring's first answer: joins the read under way, or asks again when the last
    // one failed and the pause is over. None when there is no item, it does not decode (a bad
    // item is left in place), or the keyring could not answer.
    QCoro::Task<std::optional<AuthTokens>> loadAuthTokens() override;
    // Blocks the calling thread until the sign-in is known: the keyring answered, or a save or a
    // delete of this run decided it. For the launch restore's own thread, never the interface's.
    std::optional<AuthTokens> waitForKnownTokens();
    // The keyring may have become available: a read that failed is asked again now.
    void retryFailedRead();

    // Takes effect at once; the keyring replaces its item in place, so there is never a moment
    // without tokens there. A failed write is logged, and the tokens stay in memory.
    void saveAuthTokens(const AuthTokens &tokens) override;
    void deleteAuthTokens() override;

    // False once the keyring failed a write this run and the sign-in lives in memory only.
    bool remembersSignIn() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
};
