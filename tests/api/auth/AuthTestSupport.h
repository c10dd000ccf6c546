#pragma once

#include "api/APIError.h"
#include "api/AuthTokenStore.h"

#include <QCoroTask>
#include <QList>
#include <QTest>

#include <memory>
#include <optional>

// The tokens kept in memory, with every value ever saved, so a test can look for any of them in
// the log.
class MemoryTokenStore final : public AuthTokenStore
{
public:
    std::optional<AuthTokens> getAuthTokens() override { return m_tokens; }
    void saveAuthTokens(const AuthTokens &tokens) override
    {
        m_tokens = tokens;
        m_everSaved.append(tokens);
    }
    void deleteAuthTokens() override { m_tokens.reset(); }

    const QList<AuthTokens> &everSaved() const { return m_everSaved; }

private:
    std::optional<AuthTokens> m_tokens;
    QList<AuthTokens> m_everSaved;
};

// The outcome of an operation started now and awaited later, result or APIError.
template<typename T>
struct Outcome
{
    bool done = false;
    std::optional<T> value;
    std::optional<APIError> error;

    bool wait(int timeoutMs = 20000) const
    {
        return QTest::qWaitFor([this] { return done; }, timeoutMs);
    }
};

struct Done
{};

namespace AuthTestSupport {

template<typename T>
QCoro::Task<> collect(QCoro::Task<T> task, std::shared_ptr<Outcome<T>> outcome)
{
    try {
        outcome->value = co_await std::move(task);
    } catch (const APIError &error) {
        outcome->error = error;
    }
    outcome->done = true;
}

inline QCoro::Task<> collectVoid(QCoro::Task<> task, std::shared_ptr<Outcome<Done>> outcome)
{
    try {
        co_await std::move(task);
        outcome->value = Done{};
    } catch (const APIError &error) {
        outcome->error = error;
    }
    outcome->done = true;
}

// Starts the task at once; its outcome fills in as the event loop runs.
template<typename T>
std::shared_ptr<Outcome<T>> start(QCoro::Task<T> task)
{
    auto outcome = std::make_shared<Outcome<T>>();
    collect(std::move(task), outcome);
    return outcome;
}

inline std::shared_ptr<Outcome<Done>> start(QCoro::Task<> task)
{
    auto outcome = std::make_shared<Outcome<Done>>();
    collectVoid(std::move(task), outcome);
    return outcome;
}

} // namespace AuthTestSupport
