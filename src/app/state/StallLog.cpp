#include "app/state/StallLog.h"

#include "foundation/Clock.h"
#include "foundation/Iso8601.h"
#include "foundation/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

StallLog::StallLog(QString filePath, const Clock &clock)
    : m_filePath(std::move(filePath))
    , m_clock(clock)
{}

QString StallLog::previousGenerationPath() const
{
    const QFileInfo info(m_filePath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".old.log"));
}

qint64 StallLog::milliseconds(double stallSeconds)
{
    return static_cast<qint64>(std::trunc(stallSeconds * 1000.0));
}

QByteArray StallLog::line(const QString &isoTime, double stallSeconds)
{
    return isoTime.toUtf8() + ',' + QByteArray::number(milliseconds(stallSeconds)) + '\n';
}

void StallLog::record(double stallSeconds) const
{
    const QString now = Iso8601::format(m_clock.now(), QTimeZone::utc());
    const QByteArray text = line(now, stallSeconds);
    zuvError(lcSession).noquote()
        << QStringLiteral("Main thread stall: %1ms").arg(milliseconds(stallSeconds));

    if (!QFileInfo::exists(m_filePath)) {
        QDir().mkpath(QFileInfo(m_filePath).path());
        QFile created(m_filePath);
        if (created.open(QIODevice::WriteOnly))
            created.close();
    }
    QFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(text);
    file.flush();
    const qint64 size = file.size();
    file.close();
    rollOverIfTooLarge(size);
}

void StallLog::rollOverIfTooLarge(qint64 size) const
{
    if (size <= rollOverSize)
        return;
    const QString previous = previousGenerationPath();
    QFile::remove(previous);
    QFile::rename(m_filePath, previous);
}
