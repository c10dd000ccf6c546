#include "support/LogCapture.h"

#include <QLoggingCategory>

namespace {

QMutex captureMutex;
QStringList capturedMessages;
QtMessageHandler forwardTo = nullptr;

const char *levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "error";
    case QtCriticalMsg:
    case QtFatalMsg:
        return "fault";
    }
    return "?";
}

} // namespace

LogCapture::LogCapture()
{
    {
        const QMutexLocker locker(&captureMutex);
        capturedMessages.clear();
    }
    QLoggingCategory::setFilterRules(QStringLiteral("com.wendoka.zuvevivezid.*=true"));
    m_previous = qInstallMessageHandler(&LogCapture::handler);
    forwardTo = m_previous;
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    forwardTo = nullptr;
    QLoggingCategory::setFilterRules(QString());
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        const QMutexLocker locker(&captureMutex);
        capturedMessages.append(
            QStringLiteral("%1 %2: %3")
                .arg(QString::fromLatin1(levelName(type)),
                     QString::fromLatin1(context.category ? context.category : "default"),
                     message));
    }
    // Qt Test's own handler checks expected messages (QTest::ignoreMessage); keep it informed.
    if (forwardTo)
        forwardTo(type, context, message);
}

QStringList LogCapture::messages() const
{
    const QMutexLocker locker(&captureMutex);
    return capturedMessages;
}

QString LogCapture::text() const
{
    return messages().join(QLatin1Char('\n'));
}

bool LogCapture::contains(const QString &fragment) const
{
    return text().contains(fragment);
}

int LogCapture::count(const QString &fragment) const
{
    int found = 0;
    for (const QString &message : messages())
        found += message.contains(fragment) ? 1 : 0;
    return found;
}
