#pragma once

#include "api/APIError.h"
#include "app/state/RemoteConfigSource.h"

#include <QCoroTimer>
#include <QList>

#include <chrono>

#include <variant>

// Answers each fetch with the next scripted outcome (a configuration or an error).
class FakeRemoteConfigSource final : public RemoteConfigSource
{
public:
    using Outcome = std::variant<RemoteConfig, APIError>;

    QList<Outcome> outcomes;
    int fetches = 0;
    int stops = 0;
    // How long each answer takes; answers at once by default.
    std::chrono::milliseconds answerDelay{0};

    QCoro::Task<RemoteConfig> fetchRemote() override
    {
        ++fetches;
        if (answerDelay.count() > 0)
            co_await QCoro::sleepFor(answerDelay);
        if (outcomes.isEmpty())
            throw APIError::network(QNetworkReply::HostNotFoundError, QStringLiteral("no answer"));
        const Outcome outcome = outcomes.takeFirst();
        if (const auto *error = std::get_if<APIError>(&outcome))
            throw *error;
        co_return std::get<RemoteConfig>(outcome);
    }
    void stopPeriodicRefresh() override { ++stops; }
};
