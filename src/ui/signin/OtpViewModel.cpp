#include "ui/signin/OtpViewModel.h"

#include "app/state/DelayScheduler.h"

#include <QTextBoundaryFinder>

#include <algorithm>

OtpViewModel::OtpViewModel(QObject *parent)
    : OtpViewModel(systemDelayScheduler(), parent)
{}

OtpViewModel::OtpViewModel(DelayScheduler &scheduler, QObject *parent)
    : QObject(parent)
    , m_digits(codeLength, QString())
    , m_countdown(scheduler, ResendCountdown::defaultSeconds)
{
    connect(&m_countdown, &ResendCountdown::secondsChanged, this,
            &OtpViewModel::resendCooldownChanged);
}

QStringList OtpViewModel::numericCharacters(const QString &text)
{
    QStringList kept;
    // By code point, so that digits beyond the basic plane are kept whole.
    for (const char32_t codePoint : text.toUcs4()) {
        if (QChar::isNumber(codePoint))
            kept.append(QString::fromUcs4(&codePoint, 1));
    }
    return kept;
}

QString OtpViewModel::normalizedCode(const QStringList &digits)
{
    QString code;
    for (const QString &box : digits) {
        for (const char32_t codePoint : box.toUcs4()) {
            // An employee with an Arabic or Devanagari keyboard types the code the service
            // e-mailed in its own digits; the service compares against ASCII ones.
            const int value = QChar::digitValue(codePoint);
            if (value >= 0 && value <= 9)
                code.append(QChar(u'0' + value));
            else
                code.append(QString::fromUcs4(&codePoint, 1));
        }
    }
    return code;
}

int OtpViewModel::graphemeCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

void OtpViewModel::setEmail(const QString &email)
{
    if (m_email == email)
        return;
    m_email = email;
    Q_EMIT emailChanged();
}

void OtpViewModel::setIsVerifying(bool verifying)
{
    if (m_isVerifying == verifying)
        return;
    m_isVerifying = verifying;
    Q_EMIT isVerifyingChanged();
    Q_EMIT canVerifyChanged();
}

bool OtpViewModel::isCodeComplete() const
{
    return graphemeCount(enteredCode()) == codeLength;
}

QString OtpViewModel::explanation() const
{
    return QStringLiteral("We've sent a verification code to your email ") + m_email +
           QStringLiteral(". This is required to keep your account secure.");
}

QString OtpViewModel::resendCountdownText() const
{
    return QStringLiteral("Resend code to the registered contact (%1s)").arg(m_countdown.seconds());
}

void OtpViewModel::appeared()
{
    setFocusedField(0);
    m_countdown.start();
}

void OtpViewModel::setDigit(int index, const QString &text)
{
    if (index < 0 || index >= codeLength)
        return;
    const QStringList kept = numericCharacters(text);
    QStringList digits = m_digits;
    if (kept.size() <= 1) {
        digits[index] = kept.value(0);
        const bool moveOn = !kept.isEmpty() && index < codeLength - 1;
        writeDigits(digits, moveOn ? index + 1 : m_focusedField);
        return;
    }
    // A paste, or a second digit typed into a filled box: the code is spread from the first box.
    const int taken = std::min<int>(static_cast<int>(kept.size()), codeLength);
    for (int k = 0; k < taken; ++k)
        digits[k] = kept.at(k);
    // A box past the spread code keeps what was put into it, without the characters that are
    // not digits: no box ever shows a letter.
    if (index >= taken)
        digits[index] = kept.join(QString());
    writeDigits(digits, std::min(taken, codeLength - 1));
}

void OtpViewModel::commitBox(int index)
{
    if (index >= 0 && index < codeLength - 1)
        setFocusedField(index + 1);
}

void OtpViewModel::focusBox(int index)
{
    if (index >= 0 && index < codeLength)
        setFocusedField(index);
}

void OtpViewModel::verify()
{
    if (!canVerify())
        return;
    Q_EMIT verifyRequested(normalizedCode(m_digits));
}

void OtpViewModel::resend()
{
    if (!canResend())
        return;
    Q_EMIT resendRequested();
    m_countdown.start();
}

void OtpViewModel::writeDigits(const QStringList &digits, int focus)
{
    const bool wasComplete = canVerify();
    m_digits = digits;
    // Always announced: a box whose text was refused must be redrawn with the kept text even
    // when that text did not change.
    Q_EMIT digitsChanged();
    if (canVerify() != wasComplete)
        Q_EMIT canVerifyChanged();
    setFocusedField(focus);
}

void OtpViewModel::setFocusedField(int index)
{
    if (m_focusedField == index)
        return;
    m_focusedField = index;
    Q_EMIT focusedFieldChanged();
}
