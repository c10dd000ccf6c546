#pragma once

#include "api/AuthTokens.h"

#include <QCoroTask>

#include <optional>

// Where the signed-in user's tokens are kept. Every reader asks afresh each time it needs them,
// so a refresh or a sign-out by anyone takes effect with the next request. No operation waits on
// the storage behind it: saves and deletes take effect at once for every reader and reach the
// storage later, in order.
class AuthTokenStore
{
public:
    virtual ~AuthTokenStore() = default;

    // What is known now; none while the storage has not answered yet.
    virtual std::optional<AuthTokens> getAuthTokens() = 0;
    // The tokens once the storage has answered (at once when it has).
    virtual QCoro::Task<std::optional<AuthTokens>> loadAuthTokens() { co_return getAuthTokens(); }
    virtual void saveAuthTokens(const AuthTokens &tokens) = 0;
    virtual void deleteAuthTokens() = 0;
};
