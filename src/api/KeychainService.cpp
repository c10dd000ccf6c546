#include "api/KeychainService.h"

#include "api/KeychainThread.h"
#include "foundation/Log.h"

#include <QCoroFuture>
#include <QDeadlineTimer>
#include <QMutex>
#include <QPromise>
#include <QWaitCondition>

struct KeychainService::State
{
    State(QString serviceName, std::chrono::milliseconds pause)
        : service(std::move(serviceName))
        , retryPause(pause)
    {}

    const QString service;
    const std::chrono::milliseconds retryPause;
    QMutex mutex;
    QWaitCondition decided;
    // Known once the keyring answered, or a save or delete of this run decided.
    bool known = false;
    std::optional<AuthTokens> tokens;
    // Counts saves and deletes, so an answer to a read sent before one of them is dropped.
    quint64 changes = 0;
    bool reading = false;
    // Finished when the read answers, or earlier when a change makes its answer moot.
    std::shared_ptr<QPromise<void>> readPromise;
    QFuture<void> readFinished;
    // After a failed read, a need asks again only once this has expired.
    QDeadlineTimer nextReadAfterFailure{0};
    bool inMemoryOnly = false;
    bool reportedUnremembered = false;
};

namespace {

using State = KeychainService::State;
using Outcome = KeychainThread::Outcome;

QString accountName()
{
    return QString::fromLatin1(KeychainService::account);
}

// Under the state's lock.
void reportUnremembered(State &state, const QString &reason)
{
    if (state.reportedUnremembered)
        return;
    state.reportedUnremembered = true;
    zuvError(lcAuth).noquote() << "No usable keyring (" + reason +
                                      "): the sign-in cannot be remembered; it is kept for this "
                                      "run only and the next launch asks for it again";
}

// On the keychain thread.
void applyRead(State &state, quint64 changesAtStart, const KeychainThread::Result &result)
{
    const QMutexLocker locker(&state.mutex);
    state.reading = false;
    // A save or delete since the read was sent decided the question; the answer is older.
    if (state.known || state.changes != changesAtStart)
        return;
    switch (result.outcome) {
    case Outcome::Done:
        state.tokens = AuthTokens::fromJsonBytes(result.data);
        state.known = true;
        break;
    case Outcome::NotFound:
        state.tokens.reset();
        state.known = true;
        break;
    case Outcome::NoKeyring:
        state.tokens.reset();
        state.known = true;
        state.inMemoryOnly = true;
        reportUnremembered(state, result.errorText);
        break;
    case Outcome::Failed:
        state.nextReadAfterFailure.setRemainingTime(state.retryPause);
        zuvError(lcAuth).noquote() << "Could not read the sign-in from the keyring (" +
                                          result.errorText + "); it is asked again when needed";
        break;
    }
    state.decided.wakeAll();
}

// On the keychain thread.
void applyWrite(const std::shared_ptr<State> &state, quint64 change, bool save,
                const KeychainThread::Result &result)
{
    const QMutexLocker locker(&state->mutex);
    const bool latest = change == state->changes;
    if (result.outcome == Outcome::Done || (!save && result.outcome == Outcome::NotFound)) {
        if (latest)
            state->inMemoryOnly = false;
        return;
    }
    if (!save) {
        if (!state->inMemoryOnly)
            zuvError(lcAuth).noquote()
                << "Could not delete the sign-in from the keyring:" << result.errorText;
        return;
    }
    zuvError(lcAuth).noquote() << "Could not write the sign-in to the keyring:" << result.errorText;
    reportUnremembered(*state, result.errorText);
    state->inMemoryOnly = true;
    // An older item must not bring back a sign-in this run has already replaced. A later save or
    // delete, already queued behind this write, sees to the item itself.
    if (latest)
        KeychainThread::instance().submit(KeychainThread::JobKind::Remove, state->service,
                                          accountName());
}

// Starts a read unless the answer is known, one is out (it is joined) or, unless forced, a
// failed one is too recent. The future finishes when there is nothing more to wait for.
QFuture<void> startRead(const std::shared_ptr<State> &state, bool force)
{
    quint64 changesAtStart = 0;
    auto finished = std::make_shared<QPromise<void>>();
    {
        const QMutexLocker locker(&state->mutex);
        if (state->known)
            return QtFuture::makeReadyFuture();
        if (state->reading)
            return state->readFinished;
        if (!force && !state->nextReadAfterFailure.hasExpired())
            return QtFuture::makeReadyFuture();
        state->reading = true;
        changesAtStart = state->changes;
        finished->start();
        state->readPromise = finished;
        state->readFinished = finished->future();
    }
    KeychainThread::instance()
        .submit(KeychainThread::JobKind::Read, state->service, accountName())
        .then(QtFuture::Launch::Sync,
              [state, changesAtStart, finished](const KeychainThread::Result &result) {
                  applyRead(*state, changesAtStart, result);
                  finished->finish();
              });
    return state->readFinished;
}

void change(const std::shared_ptr<State> &state, std::optional<AuthTokens> tokens)
{
    const bool save = tokens.has_value();
    const QByteArray data = save ? tokens->toJsonBytes() : QByteArray();
    quint64 change = 0;
    QFuture<KeychainThread::Result> written;
    {
        const QMutexLocker locker(&state->mutex);
        state->tokens = std::move(tokens);
        state->known = true;
        change = ++state->changes;
        // Whoever awaits the read has the answer now.
        if (state->reading && state->readPromise)
            state->readPromise->finish();
        // Submitted under the lock, so the keyring sees the changes in the order they were made.
        written = KeychainThread::instance().submit(save ? KeychainThread::JobKind::Write
                                                         : KeychainThread::JobKind::Remove,
                                                    state->service, accountName(), data);
        state->decided.wakeAll();
    }
    written.then(QtFuture::Launch::Sync, [state, change, save](const KeychainThread::Result &r) {
        applyWrite(state, change, save, r);
    });
}

} // namespace

KeychainService &KeychainService::shared()
{
    static KeychainService instance(configuredServiceName());
    return instance;
}

QString KeychainService::configuredServiceName()
{
    const QString configured = qEnvironmentVariable(serviceEnvironmentVariable).trimmed();
    return configured.isEmpty() ? QString::fromLatin1(serviceName) : configured;
}

KeychainService::KeychainService(QString service, std::chrono::milliseconds retryPause)
    : m_state(std::make_shared<State>(std::move(service), retryPause))
{
    // Made before any job is submitted, so it is destroyed after every service object.
    KeychainThread::instance();
}

KeychainService::~KeychainService() = default;

std::optional<AuthTokens> KeychainService::getAuthTokens()
{
    {
        const QMutexLocker locker(&m_state->mutex);
        if (m_state->known)
            return m_state->tokens;
    }
    startRead(m_state, false);
    return std::nullopt;
}

QCoro::Task<std::optional<AuthTokens>> KeychainService::loadAuthTokens()
{
    const std::shared_ptr<State> state = m_state;
    co_await startRead(state, false);
    const QMutexLocker locker(&state->mutex);
    co_return state->known ? state->tokens : std::nullopt;
}

std::optional<AuthTokens> KeychainService::waitForKnownTokens()
{
    // Its own share of the state: a wait that outlasts this object never touches freed memory.
    const std::shared_ptr<State> state = m_state;
    startRead(state, true);
    QMutexLocker locker(&state->mutex);
    while (!state->known)
        state->decided.wait(&state->mutex);
    return state->tokens;
}

void KeychainService::retryFailedRead()
{
    startRead(m_state, true);
}

void KeychainService::saveAuthTokens(const AuthTokens &tokens)
{
    change(m_state, tokens);
}

void KeychainService::deleteAuthTokens()
{
    change(m_state, std::nullopt);
}

bool KeychainService::remembersSignIn() const
{
    const QMutexLocker locker(&m_state->mutex);
    return !m_state->inMemoryOnly;
}
