#include "api/BoundedReply.h"

#include <QNetworkRequest>

BoundedReply::BoundedReply(QNetworkReply &reply, Limits limits)
    : m_reply(reply)
    , m_limits(limits)
{
    // Qt's network thread reads ahead only this far, so no more than the limit (and the byte
    // that breaks it) is ever held for an answer.
    reply.setReadBufferSize(limits.maxAnswerBytes + 1);
    connect(&reply, &QNetworkReply::metaDataChanged, this, &BoundedReply::checkDeclaredSize);
    connect(&reply, &QNetworkReply::downloadProgress, this,
            [this](qint64 received, qint64) { checkReceived(received); });
    connect(&reply, &QNetworkReply::finished, &m_deadline, &QTimer::stop);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        end(QNetworkReply::TimeoutError, QStringLiteral("no complete answer within %1 s")
                                             .arg(m_limits.deadlineMilliseconds / 1000.0));
    });
    m_deadline.start(m_limits.deadlineMilliseconds);
}

void BoundedReply::checkDeclaredSize()
{
    const QVariant declared = m_reply.header(QNetworkRequest::ContentLengthHeader);
    if (declared.isValid())
        checkReceived(declared.toLongLong());
}

void BoundedReply::checkReceived(qint64 received)
{
    if (received > m_limits.maxAnswerBytes) {
        end(QNetworkReply::UnknownContentError,
            QStringLiteral("the answer is larger than the %1 bytes allowed for it")
                .arg(m_limits.maxAnswerBytes));
    }
}

void BoundedReply::end(QNetworkReply::NetworkError code, const QString &why)
{
    if (failed())
        return;
    m_failure = why;
    m_failureCode = code;
    m_deadline.stop();
    if (m_reply.isFinished())
        return;
    // Later, not from inside the reply's own signal: its end resumes the awaiting coroutine,
    // which may destroy this object.
    QMetaObject::invokeMethod(&m_reply, &QNetworkReply::abort, Qt::QueuedConnection);
}
