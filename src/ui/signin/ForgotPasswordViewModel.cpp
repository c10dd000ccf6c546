#include "ui/signin/ForgotPasswordViewModel.h"

#include "app/state/DelayScheduler.h"
#include "ui/signin/EmailValidation.h"
#include "ui/signin/SignInBackend.h"

ForgotPasswordViewModel::ForgotPasswordViewModel(QObject *parent)
    : ForgotPasswordViewModel(systemDelayScheduler(), parent)
{}

ForgotPasswordViewModel::ForgotPasswordViewModel(DelayScheduler &scheduler, QObject *parent)
    : QObject(parent)
    , m_countdown(scheduler)
{
    connect(&m_countdown, &ResendCountdown::secondsChanged, this,
            &ForgotPasswordViewModel::stateChanged);
}

void ForgotPasswordViewModel::setBackend(SignInBackend *backend)
{
    if (m_backend == backend)
        return;
    m_backend = backend;
    Q_EMIT backendChanged();
}

void ForgotPasswordViewModel::setEmail(const QString &email)
{
    if (m_email == email)
        return;
    m_email = email;
    m_statusMessage.clear();
    Q_EMIT emailChanged();
    Q_EMIT stateChanged();
}

bool ForgotPasswordViewModel::isEmailValid() const
{
    return isValidEmail(m_email);
}

bool ForgotPasswordViewModel::canPressSend() const
{
    return !m_isSending && isEmailValid() && m_countdown.seconds() <= 0;
}

QString ForgotPasswordViewModel::sendButtonText() const
{
    if (m_isSending)
        return {};
    if (m_countdown.seconds() >= 1)
        return QStringLiteral("Resend (%1s)").arg(m_countdown.seconds());
    return m_didSendSuccessfully ? QStringLiteral("Resend Reset Link")
                                 : QStringLiteral("Send Reset Link");
}

void ForgotPasswordViewModel::sendResetLink()
{
    if (!isEmailValid() || m_isSending)
        return;
    m_isSending = true;
    m_statusMessage.clear();
    Q_EMIT stateChanged();
    send(m_email.trimmed());
}

QCoro::Task<> ForgotPasswordViewModel::send(QString address)
{
    QPointer<ForgotPasswordViewModel> self(this);
    bool succeeded = false;
    if (QPointer<SignInBackend> backend = m_backend) {
        try {
            co_await backend->requestPasswordRecovery(address);
            succeeded = true;
        } catch (...) {
            // Whatever went wrong, the screen shows one sentence for it.
        }
    } else {
        SignInBackend::reportNotSent("Password recovery request");
    }
    // The screen may have been left while the request was under way.
    if (self)
        self->finishSending(succeeded, address);
}

void ForgotPasswordViewModel::finishSending(bool succeeded, const QString &address)
{
    m_isSending = false;
    m_statusIsError = !succeeded;
    if (succeeded) {
        m_statusMessage = QStringLiteral("A reset link has been sent to ") + address +
                          QStringLiteral(". Please check your email.");
        m_didSendSuccessfully = true;
    } else {
        m_statusMessage =
            QStringLiteral("Failed to send the reset link. Check your email and connection.");
    }
    Q_EMIT stateChanged();
    if (succeeded)
        m_countdown.start();
}
