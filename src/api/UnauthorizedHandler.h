#pragma once

#include "api/AuthTokens.h"

#include <QCoroTask>

#include <optional>

// Repairs a sign-in after the service answered 401. Both HTTP layers call the same handler, so
// concurrent 401s wait on a single refresh; each caller then repeats its request once.
class UnauthorizedHandler
{
public:
    virtual ~UnauthorizedHandler() = default;

    // Never fails: fresh tokens after a successful refresh (already stored), or none.
    virtual QCoro::Task<std::optional<AuthTokens>> handleUnauthorized() = 0;
};
