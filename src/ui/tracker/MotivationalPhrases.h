#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The tracker tab's encouraging texts: the tracking phrases, whose "{time}" is today's total in
// words, and the greetings of the not-tracking screen.
class MotivationalPhrases
{
public:
    MotivationalPhrases() = delete;

    static const QStringList &all();
    static const QStringList &idle();

    // Today's total in words ("1 minute", "59 minutes", "2 hours"); none under a minute.
    static std::optional<QString> formatTime(double seconds);
    // The tracking phrase at the index (wrapped into the table, negatives too) with today's
    // total in it, or the opening greeting while the total is under a minute.
    static QString trackingLine(int phraseIndex, double todaySeconds);
    // Every "{time}" of the phrase replaced by the words.
    static QString fill(QString phrase, const QString &words);
};
