#include "api/SingleSendBody.h"

#include <algorithm>
#include <cstring>

SingleSendBody::SingleSendBody(QByteArray bytes, QObject *parent)
    : QIODevice(parent)
    , m_bytes(std::move(bytes))
{
    // Unbuffered, so the position readData sees is the one handed out last.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

bool SingleSendBody::seek(qint64 position)
{
    if (m_wasRead && position < pos())
        return false;
    if (position < 0 || position > m_bytes.size())
        return false;
    return QIODevice::seek(position);
}

qint64 SingleSendBody::readData(char *data, qint64 maxSize)
{
    const qint64 count = std::min<qint64>(maxSize, m_bytes.size() - pos());
    if (count <= 0)
        return 0;
    std::memcpy(data, m_bytes.constData() + pos(), static_cast<size_t>(count));
    m_wasRead = true;
    return count;
}
