#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects every message logged while it lives (all categories, all levels, debug included), so a
// test can search what the program wrote. One at a time; installs and restores Qt's handler.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList messages() const;
    QString text() const;
    bool contains(const QString &fragment) const;
    int count(const QString &fragment) const;

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);

    QtMessageHandler m_previous = nullptr;
    QString m_previousRules;
};
