#include "StandInControlChannel.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {
constexpr int controlTimeoutMs = 20000;
}

StandInControlChannel::StandInControlChannel(const QSslConfiguration &ssl)
    : m_ssl(ssl)
{
    m_thread.setObjectName(QStringLiteral("stand-in control"));
    m_thread.start();
    m_context = new QObject; // deleted on its own thread in the destructor
    m_context->moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        m_context, [this] { m_network = new QNetworkAccessManager(m_context); },
        Qt::BlockingQueuedConnection);
}

StandInControlChannel::~StandInControlChannel()
{
    QMetaObject::invokeMethod(
        m_context, [this] { delete m_context; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

StandInControlChannel::Answer StandInControlChannel::call(const QByteArray &method, const QUrl &url,
                                                          const QByteArray &body)
{
    Answer answer;
    QMetaObject::invokeMethod(
        m_context,
        [&] {
            QNetworkRequest request(url);
            request.setSslConfiguration(m_ssl);
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                              QByteArrayLiteral("application/json"));
            request.setTransferTimeout(controlTimeoutMs);
            QNetworkReply *reply = m_network->sendCustomRequest(request, method, body);
            QEventLoop loop;
            QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
            loop.exec();
            answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            answer.body = reply->readAll();
            if (reply->error() != QNetworkReply::NoError && answer.status == 0)
                answer.error = reply->errorString();
            reply->deleteLater();
        },
        Qt::BlockingQueuedConnection);
    return answer;
}
