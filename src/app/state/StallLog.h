#pragma once

#include <QString>

class Clock;

// The small local record of main-thread stalls: one "time,milliseconds" line per stall, kept to
// two generations so it never grows without bound.
class StallLog
{
public:
    static constexpr const char *fileName = "mainthread-stalls.log";
    // The file is rolled over once a write leaves it larger than this.
    static constexpr qint64 rollOverSize = 1'000'000;

    StallLog(QString filePath, const Clock &clock);

    // Logs the stall, then appends its line; every file-system failure is ignored, so the system
    // log always has the stall even when the file cannot be written.
    void record(double stallSeconds) const;

    QString filePath() const { return m_filePath; }
    // The previous generation: the file's extension replaced by "old.log".
    QString previousGenerationPath() const;

    // Whole milliseconds, truncated toward zero.
    static qint64 milliseconds(double stallSeconds);
    static QByteArray line(const QString &isoTime, double stallSeconds);

private:
    void rollOverIfTooLarge(qint64 size) const;

    QString m_filePath;
    const Clock &m_clock;
};
