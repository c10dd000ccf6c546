#pragma once

#include <QObject>

#include <atomic>

class QNetworkInformation;

// Whether the system currently reports a usable network path. Advisory only: the queue pass logs
// when it is false and runs anyway, learning the truth from its own transport errors.
//
// The platform's reachability comes from QNetworkInformation: its default backend, else any
// backend that reports reachability, else none, in which case the machine counts as online.
class NetworkMonitor : public QObject
{
    Q_OBJECT

public:
    explicit NetworkMonitor(QObject *parent = nullptr);

    // True until the first report arrives, and while no backend exists.
    bool isOnline() const { return m_online.load(); }
    // Whether a backend reports reachability at all.
    bool hasBackend() const { return m_information != nullptr; }

    // Feeds one reachability report; the backend's signal lands here too.
    void applyReachability(bool online);

private:
    std::atomic<bool> m_online{true};
    QNetworkInformation *m_information = nullptr;
};
