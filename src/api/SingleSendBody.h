#pragma once

#include <QByteArray>
#include <QIODevice>

// A request body that can be read once and never rewound after its first byte has gone out.
//
// Qt's HTTP/1 layer quietly sends a request again when its connection closes before any answer
// byte arrives, and it rewinds the body to do so. The service may well have handled the first
// copy (a screenshot stored, a session started, a one-time code mailed, a refresh token rotated),
// so one send has to be one request on the wire: with this body the rewind fails, and the reply
// ends with an error instead of a second copy. A rewind before anything was read
// still succeeds, as nothing has reached the server then.
class SingleSendBody final : public QIODevice
{
    Q_OBJECT

public:
    explicit SingleSendBody(QByteArray bytes, QObject *parent = nullptr);

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_bytes.size(); }
    bool seek(qint64 position) override;
    bool reset() override { return seek(0); }
    bool atEnd() const override { return pos() >= m_bytes.size(); }

    // True once any byte has been handed out.
    bool wasRead() const { return m_wasRead; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    const QByteArray m_bytes;
    bool m_wasRead = false;
};
