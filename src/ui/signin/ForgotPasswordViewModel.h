#pragma once

#include "ui/signin/ResendCountdown.h"
#include "ui/signin/SignInBackend.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQmlIntegration>

#include <QCoroTask>

class DelayScheduler;

// The forgotten-password screen's decisions: whether the address may be sent, the one request
// under way, the status line, and the minute before the button offers a second link.
class ForgotPasswordViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(SignInBackend *backend READ backend WRITE setBackend NOTIFY backendChanged)
    Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY emailChanged)
    Q_PROPERTY(bool isEmailValid READ isEmailValid NOTIFY emailChanged)
    Q_PROPERTY(bool isSending READ isSending NOTIFY stateChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY stateChanged)
    Q_PROPERTY(bool statusIsError READ statusIsError NOTIFY stateChanged)
    Q_PROPERTY(bool didSendSuccessfully READ didSendSuccessfully NOTIFY stateChanged)
    Q_PROPERTY(int resendCooldown READ resendCooldown NOTIFY stateChanged)
    Q_PROPERTY(bool canPressSend READ canPressSend NOTIFY stateChanged)
    Q_PROPERTY(QString sendButtonText READ sendButtonText NOTIFY stateChanged)

public:
    explicit ForgotPasswordViewModel(QObject *parent = nullptr);
    explicit ForgotPasswordViewModel(DelayScheduler &scheduler, QObject *parent = nullptr);

    SignInBackend *backend() const { return m_backend; }
    void setBackend(SignInBackend *backend);
    QString email() const { return m_email; }
    // Every edit hides the status line; the countdown and the help box stay.
    void setEmail(const QString &email);
    bool isEmailValid() const;
    bool isSending() const { return m_isSending; }
    // Empty hides the line.
    QString statusMessage() const { return m_statusMessage; }
    bool statusIsError() const { return m_statusIsError; }
    bool didSendSuccessfully() const { return m_didSendSuccessfully; }
    int resendCooldown() const { return m_countdown.seconds(); }
    // The button waits out the countdown; Return in the field does not.
    bool canPressSend() const;
    // Empty while sending: the button shows a spinner instead.
    QString sendButtonText() const;

    // From the button and from Return in the e-mail field.
    Q_INVOKABLE void sendResetLink();

Q_SIGNALS:
    void backendChanged();
    void emailChanged();
    void stateChanged();

private:
    QCoro::Task<> send(QString address);
    void finishSending(bool succeeded, const QString &address);

    QPointer<SignInBackend> m_backend;
    QString m_email;
    bool m_isSending = false;
    QString m_statusMessage;
    bool m_statusIsError = false;
    bool m_didSendSuccessfully = false;
    ResendCountdown m_countdown;
};
