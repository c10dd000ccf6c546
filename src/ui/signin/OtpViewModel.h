#pragma once

#include "ui/signin/ResendCountdown.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQmlIntegration>

class DelayScheduler;

// The one-time-code screen's decisions: six boxes of one digit each, filled by typing or pasting,
// the focus that walks forward as they fill, the Verify button's state and the resend countdown.
// The sign-in flow checks the code and asks for a new one; this model only reports the requests.
class OtpViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY emailChanged)
    Q_PROPERTY(bool isVerifying READ isVerifying WRITE setIsVerifying NOTIFY isVerifyingChanged)
    Q_PROPERTY(QStringList digits READ digits NOTIFY digitsChanged)
    Q_PROPERTY(int focusedField READ focusedField NOTIFY focusedFieldChanged)
    Q_PROPERTY(bool canVerify READ canVerify NOTIFY canVerifyChanged)
    Q_PROPERTY(QString explanation READ explanation NOTIFY emailChanged)
    Q_PROPERTY(int resendCooldownSeconds READ resendCooldownSeconds NOTIFY resendCooldownChanged)
    Q_PROPERTY(bool canResend READ canResend NOTIFY resendCooldownChanged)
    Q_PROPERTY(QString resendCountdownText READ resendCountdownText NOTIFY resendCooldownChanged)

public:
    static constexpr int codeLength = 6;
    static constexpr int noField = -1;

    explicit OtpViewModel(QObject *parent = nullptr);
    explicit OtpViewModel(DelayScheduler &scheduler, QObject *parent = nullptr);

    // The characters of text that count as digits, one string per character, in order: every
    // character with a numeric type, whatever its script.
    static QStringList numericCharacters(const QString &text);
    // The code as the service expects it: digits of any script written as ASCII digits.
    static QString normalizedCode(const QStringList &digits);
    static int graphemeCount(const QString &text);

    QString email() const { return m_email; }
    void setEmail(const QString &email);
    bool isVerifying() const { return m_isVerifying; }
    void setIsVerifying(bool verifying);
    QStringList digits() const { return m_digits; }
    int focusedField() const { return m_focusedField; }
    QString enteredCode() const { return m_digits.join(QString()); }
    bool isCodeComplete() const;
    bool canVerify() const { return isCodeComplete() && !m_isVerifying; }
    QString explanation() const;
    int resendCooldownSeconds() const { return m_countdown.seconds(); }
    bool canResend() const { return m_countdown.seconds() <= 0; }
    QString resendCountdownText() const;

    // The screen is on show: the first box takes the focus and the countdown for the code that
    // came with the sign-in answer starts.
    Q_INVOKABLE void appeared();
    // Box index now holds text (typed, pasted or erased).
    Q_INVOKABLE void setDigit(int index, const QString &text);
    // Return in box index.
    Q_INVOKABLE void commitBox(int index);
    // The user put the focus on a box themselves.
    Q_INVOKABLE void focusBox(int index);
    Q_INVOKABLE void verify();
    Q_INVOKABLE void resend();

Q_SIGNALS:
    void emailChanged();
    void isVerifyingChanged();
    void digitsChanged();
    void focusedFieldChanged();
    void canVerifyChanged();
    void resendCooldownChanged();
    void verifyRequested(const QString &code);
    void resendRequested();

private:
    void writeDigits(const QStringList &digits, int focus);
    void setFocusedField(int index);

    QString m_email;
    bool m_isVerifying = false;
    QStringList m_digits;
    int m_focusedField = noField;
    ResendCountdown m_countdown;
};
