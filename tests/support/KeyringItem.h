#pragma once

#include "api/KeychainService.h"
#include "api/KeychainThread.h"

#include <QCoroTask>

#include <chrono>
#include <optional>

// What the next launch would read from the keyring item: every write this process queued has
// landed first, and a reader of its own asks the keyring afresh.
inline std::optional<AuthTokens> keyringItemTokens(const QString &service)
{
    KeychainThread::instance().waitUntilIdle(std::chrono::minutes(1));
    return QCoro::waitFor(KeychainService(service).loadAuthTokens());
}

// Removes the item and waits until the keyring has done so, before another process looks.
inline void removeKeyringItem(const QString &service)
{
    KeychainService(service).deleteAuthTokens();
    KeychainThread::instance().waitUntilIdle(std::chrono::minutes(1));
}
