#pragma once

#include <QByteArray>
#include <QSslConfiguration>
#include <QString>
#include <QThread>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;

// Sends control calls to the stand-in from a thread of its own and blocks the caller until the
// answer is in, so a test's scripting never spins the event loop of the code under test.
class StandInControlChannel
{
public:
    struct Answer
    {
        int status = 0; // 0: no HTTP answer
        QByteArray body;
        QString error;
    };

    explicit StandInControlChannel(const QSslConfiguration &ssl);
    ~StandInControlChannel();

    Answer call(const QByteArray &method, const QUrl &url, const QByteArray &body);

private:
    QSslConfiguration m_ssl;
    QThread m_thread;
    QObject *m_context = nullptr;               // lives in m_thread
    QNetworkAccessManager *m_network = nullptr; // lives in m_thread
};
