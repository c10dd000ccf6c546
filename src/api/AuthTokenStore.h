#pragma once

#include "api/AuthTokens.h"

#include <optional>

// Where the signed-in user's tokens are kept. Every reader asks afresh each time it needs them,
// so a refresh or a sign-out by anyone takes effect with the next request.
class AuthTokenStore
{
public:
    virtual ~AuthTokenStore() = default;

    virtual std::optional<AuthTokens> getAuthTokens() = 0;
    virtual void saveAuthTokens(const AuthTokens &tokens) = 0;
    virtual void deleteAuthTokens() = 0;
};
