#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QTimer>

// Holds one network reply to the limits of its kind: an answer larger than maxAnswerBytes, or a
// request not answered in full within the deadline, is ended and its connection closed. Qt's own
// transfer time-out starts again with every byte, so an answer trickled a byte at a time would
// never end; and an answer is kept whole in memory, so without a bound a service (or anything
// posing as one) decides how much memory the tracker takes.
//
// Lives no longer than the reply; the caller asks failed() once the reply has finished.
class BoundedReply : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        qint64 maxAnswerBytes = 0;
        int deadlineMilliseconds = 0;
    };

    BoundedReply(QNetworkReply &reply, Limits limits);

    bool failed() const { return !m_failure.isEmpty(); }
    // Why the reply was ended, for the log and the error; empty while it was not.
    QString failure() const { return m_failure; }
    QNetworkReply::NetworkError failureCode() const { return m_failureCode; }

private:
    void checkDeclaredSize();
    void checkReceived(qint64 received);
    void end(QNetworkReply::NetworkError code, const QString &why);

    QNetworkReply &m_reply;
    const Limits m_limits;
    QTimer m_deadline;
    QString m_failure;
    QNetworkReply::NetworkError m_failureCode = QNetworkReply::NoError;
};
