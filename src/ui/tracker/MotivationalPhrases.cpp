#include "ui/tracker/MotivationalPhrases.h"

#include <cmath>

namespace {

const QString timePlaceholder = QStringLiteral("{time}");

QString counted(qint64 count, const char *singular, const char *plural)
{
    if (count == 1)
        return QStringLiteral("1 ") + QLatin1String(singular);
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(plural);
}

} // namespace

const QStringList &MotivationalPhrases::all()
{
    static const QStringList phrases = {
        QStringLiteral("{time} making something awesome today"),
        QStringLiteral("{time} of focused work today"),
        QStringLiteral("{time} of meaningful progress today"),
        QStringLiteral("{time} well spent today"),
        QStringLiteral("{time} of deep focus today"),
        QStringLiteral("{time} getting things done today"),
        QStringLiteral("{time} of building momentum today"),
        QStringLiteral("{time} in the zone today"),
        QStringLiteral("{time} closer to your goals today"),
        QStringLiteral("{time} of pure productivity today"),
        QStringLiteral("{time} putting in the work today"),
        QStringLiteral("{time} of doing great work today"),
        QStringLiteral("{time} of small wins adding up today"),
        QStringLiteral("{time} of moving the needle today"),
        QStringLiteral("{time} of making it count today"),
        QStringLiteral("{time} of staying in flow today"),
        QStringLiteral("{time} of showing up today"),
        QStringLiteral("{time} of consistent effort today"),
        QStringLiteral("{time} of pushing forward today"),
        QStringLiteral("{time} of crafting something great today"),
        QStringLiteral("{time} of staying on track today"),
        QStringLiteral("{time} of intentional effort today"),
        QStringLiteral("{time} of creative flow today"),
        QStringLiteral("{time} of dedicated focus today"),
        QStringLiteral("{time} sharpening your craft today"),
        QStringLiteral("{time} of turning ideas into reality today"),
        QStringLiteral("{time} of laser-focused work today"),
        QStringLiteral("{time} of effort that pays off today"),
        QStringLiteral("{time} of leveling up today"),
        QStringLiteral("{time} of finding your rhythm today"),
    };
    return phrases;
}

const QStringList &MotivationalPhrases::idle()
{
    static const QStringList greetings = {
        QStringLiteral("Let's get started"),
        QStringLiteral("Let's make something memorable"),
        QStringLiteral("Let's make today count"),
        QStringLiteral("Let's do great work today"),
        QStringLiteral("Let's build something amazing"),
        QStringLiteral("Let's get into the zone"),
        QStringLiteral("Let's create something great"),
        QStringLiteral("Let's make every minute count"),
        QStringLiteral("Let's dive in"),
        QStringLiteral("Let's roll up our sleeves"),
        QStringLiteral("Let's turn ideas into reality"),
        QStringLiteral("Let's chase that goal"),
        QStringLiteral("Let's stay consistent today"),
        QStringLiteral("Let's go all in"),
        QStringLiteral("Let's make some progress"),
        QStringLiteral("Let's build momentum"),
        QStringLiteral("Let's sharpen the focus"),
        QStringLiteral("Let's make it a great day"),
        QStringLiteral("Let's start strong"),
        QStringLiteral("Let's hit the ground running"),
        QStringLiteral("Let's keep moving forward"),
        QStringLiteral("Let's make something worth being proud of"),
        QStringLiteral("Let's set the pace"),
        QStringLiteral("Let's give it everything"),
        QStringLiteral("Let's earn today's win"),
        QStringLiteral("Let's craft something special"),
        QStringLiteral("Let's stay sharp today"),
        QStringLiteral("Let's make today legendary"),
        QStringLiteral("Let's bring the energy"),
        QStringLiteral("Let's create something worth remembering"),
        QStringLiteral("Time to focus"),
        QStringLiteral("Time to make progress"),
        QStringLiteral("Time to level up"),
        QStringLiteral("Time to do your best work"),
        QStringLiteral("Time to make it happen"),
        QStringLiteral("Time to put in the work"),
        QStringLiteral("Time to find your flow"),
        QStringLiteral("Time to deliver"),
        QStringLiteral("Time to focus and ship"),
        QStringLiteral("Time to lock in"),
        QStringLiteral("Ready when you are"),
        QStringLiteral("Ready to crush it?"),
        QStringLiteral("Ready to make magic happen?"),
        QStringLiteral("Ready to stack some wins?"),
        QStringLiteral("Ready to bring your A-game?"),
        QStringLiteral("Today's the day"),
        QStringLiteral("Today is yours to shape"),
        QStringLiteral("Today, let's be unstoppable"),
        QStringLiteral("Today, let's do meaningful work"),
        QStringLiteral("Today, show up and shine"),
    };
    return greetings;
}

std::optional<QString> MotivationalPhrases::formatTime(double seconds)
{
    // "Not at least a minute" also catches NaN; an infinite total has no words either.
    if (!(seconds >= 60.0) || !std::isfinite(seconds))
        return std::nullopt;
    const auto minutes = static_cast<qint64>(seconds / 60.0);
    if (minutes <= 59)
        return counted(minutes, "minute", "minutes");
    // std::round takes halves away from zero, as the wording wants (5400 s is 2 hours).
    const auto hours = static_cast<qint64>(std::round(seconds / 3600.0));
    return counted(hours, "hour", "hours");
}

QString MotivationalPhrases::trackingLine(int phraseIndex, double todaySeconds)
{
    const std::optional<QString> words = formatTime(todaySeconds);
    if (!words)
        return idle().first();
    const auto count = static_cast<int>(all().size());
    int index = phraseIndex % count;
    if (index < 0)
        index += count;
    return fill(all().at(index), *words);
}

QString MotivationalPhrases::fill(QString phrase, const QString &words)
{
    return phrase.replace(timePlaceholder, words);
}
