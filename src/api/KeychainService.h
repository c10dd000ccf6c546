#pragma once

#include "api/AuthTokenStore.h"
#include "api/AuthTokens.h"

#include <QMutex>
#include <QString>

#include <optional>

class KeychainThread;

// The one keyring item that keeps the sign-in between launches: service "com.wendoka.zuvevivezid",
// account "auth_tokens", holding the JSON of the tokens.
//
// The keyring is read once, by the first getAuthTokens() (the start-up restore, off the main
// thread); from then on the tokens are answered from memory, so no request waits on the keyring
// (a locked collection can take a minute to answer). Saves and deletes change the memory copy
// and write through to the keyring: its jobs run on a thread of their own and the caller waits
// for their result, so operations may come from any thread except that one. Operations are
// serialised, so a read never sees a save half done.
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

    // The process-wide instance on the item above, or on the service the environment names.
    static KeychainService &shared();
    static QString configuredServiceName();

    explicit KeychainService(QString service = QString::fromLatin1(serviceName));
    ~KeychainService() override;
    KeychainService(const KeychainService &) = delete;
    KeychainService &operator=(const KeychainService &) = delete;

    // None when there is no item or it does not decode; a bad item is left in place. Only the
    // first call reads the keyring.
    std::optional<AuthTokens> getAuthTokens() override;
    // Writes the item in place: the keyring replaces an item with the same attributes, so there is
    // never a moment without tokens. A failed write is logged and the tokens stay in memory.
    void saveAuthTokens(const AuthTokens &tokens) override;
    void deleteAuthTokens() override;

    // False once the keyring failed this run and the sign-in lives in memory only.
    bool remembersSignIn() const;

private:
    void load();
    void reportUnremembered(const QString &reason);

    const QString m_service;
    KeychainThread &m_thread;
    mutable QMutex m_mutex;
    bool m_loaded = false;
    std::optional<AuthTokens> m_tokens;
    bool m_inMemoryOnly = false;
    bool m_reportedUnremembered = false;
};
