#include "platform/logind/TerminationSignalQuitter.h"

#include "foundation/Log.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Written by the signal handler, which may touch nothing but these.
int signalPipe[2] = {-1, -1};
struct sigaction previousTerm;
struct sigaction previousInt;

extern "C" void writeSignalToPipe(int signalNumber)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

bool installHandler(int signalNumber, struct sigaction *previous)
{
    struct sigaction action
    {};
    action.sa_handler = writeSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(signalNumber, &action, previous) == 0;
}

} // namespace

TerminationSignalQuitter::TerminationSignalQuitter(QObject *parent)
    : QObject(parent)
{
    if (signalPipe[0] >= 0) {
        zuvError(lcSession) << "Termination signals are already handled by another quitter";
        return;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
        signalPipe[0] = signalPipe[1] = -1;
        zuvError(lcSession) << "Cannot create the termination signal pipe; SIGTERM ends abruptly";
        return;
    }
    m_ownsPipe = true;
    m_notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this,
            &TerminationSignalQuitter::readPendingSignals);
    m_installed = installHandler(SIGTERM, &previousTerm) && installHandler(SIGINT, &previousInt);
}

TerminationSignalQuitter::~TerminationSignalQuitter()
{
    if (!m_ownsPipe)
        return;
    if (m_installed) {
        sigaction(SIGTERM, &previousTerm, nullptr);
        sigaction(SIGINT, &previousInt, nullptr);
    }
    m_notifier.reset();
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void TerminationSignalQuitter::readPendingSignals()
{
    unsigned char byte = 0;
    while (::read(signalPipe[0], &byte, 1) == 1) {
        zuvInfo(lcSession).noquote()
            << QStringLiteral("Signal %1 received; quitting").arg(static_cast<int>(byte));
        Q_EMIT terminationRequested(byte);
        QCoreApplication::quit();
    }
}
