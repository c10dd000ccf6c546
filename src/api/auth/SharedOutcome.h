#pragma once

#include <QTimer>

#include <coroutine>
#include <exception>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// The outcome of one piece of work that any number of coroutines may wait for: each waiter gets a
// copy of the value, or the same exception rethrown. Waiters are resumed from the event loop, never
// from inside the call that sets the outcome, so whoever finishes the work completes its own
// bookkeeping first. Confined to one thread.
template<typename T>
class SharedOutcome : public std::enable_shared_from_this<SharedOutcome<T>>
{
public:
    static std::shared_ptr<SharedOutcome> create()
    {
        return std::shared_ptr<SharedOutcome>(new SharedOutcome);
    }

    bool isFinished() const { return m_finished; }

    void setValue(T value)
    {
        m_value = std::move(value);
        finish();
    }

    void setException(std::exception_ptr error)
    {
        m_error = std::move(error);
        finish();
    }

    class Awaiter
    {
    public:
        explicit Awaiter(std::shared_ptr<SharedOutcome> outcome)
            : m_outcome(std::move(outcome))
        {}
        bool await_ready() const noexcept { return m_outcome->m_finished; }
        void await_suspend(std::coroutine_handle<> waiter)
        {
            m_outcome->m_waiters.push_back(waiter);
        }
        T await_resume() const
        {
            if (m_outcome->m_error)
                std::rethrow_exception(m_outcome->m_error);
            return *m_outcome->m_value;
        }

    private:
        std::shared_ptr<SharedOutcome> m_outcome;
    };

    // Keeps the outcome alive for as long as the waiter waits.
    Awaiter wait() { return Awaiter(this->shared_from_this()); }

private:
    SharedOutcome() = default;

    void finish()
    {
        m_finished = true;
        std::vector<std::coroutine_handle<>> waiters = std::exchange(m_waiters, {});
        for (const std::coroutine_handle<> waiter : waiters)
            QTimer::singleShot(0, [waiter] { waiter.resume(); });
    }

    bool m_finished = false;
    std::optional<T> m_value;
    std::exception_ptr m_error;
    std::vector<std::coroutine_handle<>> m_waiters;
};
