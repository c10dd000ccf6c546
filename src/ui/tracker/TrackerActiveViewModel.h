#pragma once

#include "ui/design/ShownNotifier.h"
#include "ui/tracker/TrackerServices.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQmlIntegration>

#include <optional>

// Every decision of the tracking screen and its daily target card: the clock, the motivational
// line, the recent activity, the progress toward the target, the card's flip between progress
// and "Set Target", and the target form with its digits-only fields.
class TrackerActiveViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(TrackerServices *services READ services WRITE setServices NOTIFY servicesChanged)
    // Whether a window shows the screen; while it does not, the clock's figures stand still.
    Q_PROPERTY(bool shown READ shown WRITE setShown NOTIFY shownChanged)
    Q_PROPERTY(int motivationalPhraseIndex READ motivationalPhraseIndex WRITE
                   setMotivationalPhraseIndex NOTIFY figuresChanged)
    Q_PROPERTY(QString taskName READ taskName NOTIFY taskNameChanged)
    Q_PROPERTY(bool paused READ paused NOTIFY pausedChanged)
    Q_PROPERTY(QString clockText READ clockText NOTIFY figuresChanged)
    Q_PROPERTY(QString motivationalLine READ motivationalLine NOTIFY figuresChanged)
    Q_PROPERTY(QString activityRateText READ activityRateText NOTIFY activityChanged)
    Q_PROPERTY(double progress READ progress NOTIFY figuresChanged)
    Q_PROPERTY(QString percentText READ percentText NOTIFY figuresChanged)
    Q_PROPERTY(QString goalText READ goalText NOTIFY figuresChanged)
    Q_PROPERTY(QString timeChipText READ timeChipText NOTIFY figuresChanged)
    Q_PROPERTY(bool flipped READ flipped NOTIFY flippedChanged)
    Q_PROPERTY(bool showTargetForm READ showTargetForm NOTIFY showTargetFormChanged)
    Q_PROPERTY(QString hoursText READ hoursText NOTIFY hoursInputChanged)
    Q_PROPERTY(QString minutesText READ minutesText NOTIFY minutesInputChanged)

public:
    static constexpr int maximumHoursInput = 24;
    static constexpr int maximumMinutesInput = 59;

    explicit TrackerActiveViewModel(QObject *parent = nullptr);

    // "%02d:%02d:%02d" of whole seconds; hours go past 24.
    static QString formatDuration(double seconds);
    // "%02d:%02d" of whole seconds' hours and minutes; hours go past 24.
    static QString formatHoursMinutes(double seconds);
    // The rate rounded as printf rounds it ("86.5" gives "86%"), or an en dash for none.
    static QString activityRateTextFor(std::optional<double> rate);
    static double progressFor(double todaySeconds, int targetSeconds);
    // The truncated whole percentage of whole seconds: 28799 s of 28800 s is 99 %, not 100 %,
    // and 8352 s is exactly 29 %.
    static QString percentTextFor(double todaySeconds, int targetSeconds);
    static QString goalTextFor(int targetSeconds);
    // The numeric characters of the text, the first two, as a number up to the maximum; text
    // that is not plain decimal digits counts as 0.
    static int digitsValue(const QString &text, int maximum);

    TrackerServices *services() const { return m_services; }
    void setServices(TrackerServices *services);
    int motivationalPhraseIndex() const { return m_motivationalPhraseIndex; }
    void setMotivationalPhraseIndex(int index);
    bool shown() const { return m_clockNotice.isShown(); }
    void setShown(bool shown);

    QString taskName() const;
    bool paused() const;
    double todaySeconds() const;
    QString clockText() const { return formatDuration(todaySeconds()); }
    QString motivationalLine() const;
    QString activityRateText() const;
    int dailyTargetSeconds() const { return m_dailyTargetSeconds; }
    double progress() const { return progressFor(todaySeconds(), m_dailyTargetSeconds); }
    QString percentText() const { return percentTextFor(todaySeconds(), m_dailyTargetSeconds); }
    QString goalText() const { return goalTextFor(m_dailyTargetSeconds); }
    QString timeChipText() const;

    bool flipped() const { return m_flipped; }
    bool showTargetForm() const { return m_showTargetForm; }
    int hoursInput() const { return m_hoursInput; }
    int minutesInput() const { return m_minutesInput; }
    QString hoursText() const { return QString::number(m_hoursInput); }
    QString minutesText() const { return QString::number(m_minutesInput); }

    Q_INVOKABLE void pause();
    Q_INVOKABLE void resume();
    Q_INVOKABLE void stop();

    // The pointer over the target card.
    Q_INVOKABLE void pointerEntered();
    Q_INVOKABLE void pointerExited();
    // "Set Target": the form opens filled with the current target.
    Q_INVOKABLE void openTargetForm();
    // "Cancel", or a click outside the form: nothing is stored.
    Q_INVOKABLE void closeTargetForm();
    Q_INVOKABLE void saveTarget();
    // The fields' edits and the steppers' steps.
    Q_INVOKABLE void editHours(const QString &text);
    Q_INVOKABLE void editMinutes(const QString &text);
    Q_INVOKABLE void stepHours(int delta);
    Q_INVOKABLE void stepMinutes(int delta);

Q_SIGNALS:
    void servicesChanged();
    void shownChanged();
    void taskNameChanged();
    void pausedChanged();
    void figuresChanged();
    void activityChanged();
    void flippedChanged();
    void showTargetFormChanged();
    void hoursInputChanged();
    void minutesInputChanged();

private:
    void setFlipped(bool flipped);
    void setShowTargetForm(bool show);
    void setHoursInput(int hours);
    void setMinutesInput(int minutes);

    QPointer<TrackerServices> m_services;
    ShownNotifier m_clockNotice{[this] {
        Q_EMIT figuresChanged();
    }};
    int m_motivationalPhraseIndex = 0;
    int m_dailyTargetSeconds = 8 * 3600;
    bool m_flipped = false;
    bool m_showTargetForm = false;
    int m_hoursInput = 8;
    int m_minutesInput = 0;
};
