#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a normal quit of the event loop, so that aboutToQuit runs and the
// running session is saved as it is on any other quit. The signal handler only writes the signal
// number into a pipe; everything else happens on the thread the quitter lives in.
//
// One instance per process; its destructor restores the previous handlers.
class TerminationSignalQuitter final : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignalQuitter(QObject *parent = nullptr);
    ~TerminationSignalQuitter() override;

    bool isInstalled() const { return m_installed; }

Q_SIGNALS:
    // Emitted before the quit is requested.
    void terminationRequested(int signalNumber);

private:
    void readPendingSignals();

    bool m_ownsPipe = false;
    bool m_installed = false;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
