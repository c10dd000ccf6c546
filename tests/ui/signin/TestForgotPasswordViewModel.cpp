#include "app/state/FakeDelayScheduler.h"
#include "support/LogCapture.h"
#include "ui/signin/ForgotPasswordViewModel.h"
#include "ui/signin/SignInBackend.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QTest>

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// One recovery request waiting for the test to answer it.
class PendingAnswer : public QObject
{
    Q_OBJECT

public:
    QString email;

Q_SIGNALS:
    void answered(bool accepted);
};

// A backend whose recovery requests wait until the test answers them, in any order.
class ReleasableRecoveryBackend final : public SignInBackend
{
public:
    QCoro::Task<SingleLoginResult> login(QString, QString) override { throw unused(); }
    QCoro::Task<SingleLoginResult> verifyOtp(QString, QString) override { throw unused(); }
    QCoro::Task<> generateOtp(QString) override { throw unused(); }

    QCoro::Task<> requestPasswordRecovery(QString email) override
    {
        auto pending = std::make_shared<PendingAnswer>();
        pending->email = email;
        m_pending.push_back(pending);
        const bool accepted = co_await qCoro(pending.get(), &PendingAnswer::answered);
        if (!accepted)
            throw std::runtime_error("recovery refused");
    }

    int requestCount() const { return static_cast<int>(m_pending.size()); }
    QString emailOf(int request) const { return m_pending.at(request)->email; }
    // The answer reaches the screen through the event loop, as the real one does.
    void answer(int request, bool accepted)
    {
        Q_EMIT m_pending.at(request)->answered(accepted);
        QCoreApplication::processEvents();
    }

private:
    static std::logic_error unused() { return std::logic_error("not part of this screen"); }

    std::vector<std::shared_ptr<PendingAnswer>> m_pending;
};

const QString failure =
    QStringLiteral("Failed to send the reset link. Check your email and connection.");

} // namespace

class TestForgotPasswordViewModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void sendsTrimmedAddressOnce();
    void refusesAddressesThatAreNotValid_data();
    void refusesAddressesThatAreNotValid();
    void countdownAfterSuccess();
    void returnSendsDuringTheCountdown();
    void failureAfterSuccess();
    void editingClearsOnlyTheStatus();
    void answerAfterTheScreenWasLeft();
    void backendGoneFailsAndIsLogged();

private:
    std::unique_ptr<FakeDelayScheduler> m_scheduler;
    std::unique_ptr<ReleasableRecoveryBackend> m_backend;
    std::unique_ptr<ForgotPasswordViewModel> m_model;

    void succeedOnce();
};

void TestForgotPasswordViewModel::init()
{
    m_scheduler = std::make_unique<FakeDelayScheduler>();
    m_backend = std::make_unique<ReleasableRecoveryBackend>();
    m_model = std::make_unique<ForgotPasswordViewModel>(*m_scheduler);
    m_model->setBackend(m_backend.get());
}

void TestForgotPasswordViewModel::cleanup()
{
    m_model.reset();
    m_backend.reset();
    m_scheduler.reset();
}

void TestForgotPasswordViewModel::succeedOnce()
{
    m_model->setEmail(QStringLiteral("anna@example.com"));
    m_model->sendResetLink();
    m_backend->answer(m_backend->requestCount() - 1, true);
}

void TestForgotPasswordViewModel::sendsTrimmedAddressOnce()
{
    m_model->setEmail(QStringLiteral(" \n anna@example.com \t"));
    QVERIFY(m_model->canPressSend());
    QCOMPARE(m_model->sendButtonText(), QStringLiteral("Send Reset Link"));

    m_model->sendResetLink();
    m_model->sendResetLink();
    QCOMPARE(m_backend->requestCount(), 1);
    QCOMPARE(m_backend->emailOf(0), QStringLiteral("anna@example.com"));
    QVERIFY(m_model->isSending());
    QVERIFY(!m_model->canPressSend());
    QVERIFY(m_model->sendButtonText().isEmpty());

    m_backend->answer(0, true);
    QVERIFY(!m_model->isSending());
    QVERIFY(!m_model->statusIsError());
    QCOMPARE(
        m_model->statusMessage(),
        QStringLiteral("A reset link has been sent to anna@example.com. Please check your email."));
    QVERIFY(m_model->didSendSuccessfully());
}

void TestForgotPasswordViewModel::refusesAddressesThatAreNotValid_data()
{
    QTest::addColumn<QString>("email");
    QTest::newRow("empty") << QString();
    QTest::newRow("domain without a dot") << QStringLiteral("anna@example");
    QTest::newRow("one-letter top level") << QStringLiteral("anna@example.c");
}

void TestForgotPasswordViewModel::refusesAddressesThatAreNotValid()
{
    QFETCH(QString, email);
    m_model->setEmail(email);
    QVERIFY(!m_model->canPressSend());
    m_model->sendResetLink();
    QCOMPARE(m_backend->requestCount(), 0);
    QVERIFY(m_model->statusMessage().isEmpty());
}

void TestForgotPasswordViewModel::countdownAfterSuccess()
{
    succeedOnce();
    QCOMPARE(m_model->resendCooldown(), 60);
    QCOMPARE(m_model->sendButtonText(), QStringLiteral("Resend (60s)"));
    QVERIFY(!m_model->canPressSend());

    m_scheduler->advance(59.0);
    QCOMPARE(m_model->sendButtonText(), QStringLiteral("Resend (1s)"));
    QVERIFY(!m_model->canPressSend());
    m_scheduler->advance(1.0);
    QCOMPARE(m_model->resendCooldown(), 0);
    QCOMPARE(m_model->sendButtonText(), QStringLiteral("Resend Reset Link"));
    QVERIFY(m_model->canPressSend());
    QCOMPARE(m_scheduler->pendingCount(), 0);
}

void TestForgotPasswordViewModel::returnSendsDuringTheCountdown()
{
    succeedOnce();
    m_scheduler->advance(20.0);
    QVERIFY(!m_model->canPressSend());

    // Return in the field is not held back by the countdown, only the button is.
    m_model->sendResetLink();
    QCOMPARE(m_backend->requestCount(), 2);
    m_backend->answer(1, true);
    QCOMPARE(m_model->resendCooldown(), 60);
    QCOMPARE(m_scheduler->pendingCount(), 1);
    m_scheduler->advance(60.0);
    QCOMPARE(m_model->resendCooldown(), 0);
}

void TestForgotPasswordViewModel::failureAfterSuccess()
{
    succeedOnce();
    m_scheduler->advance(60.0);

    m_model->sendResetLink();
    m_backend->answer(1, false);
    QVERIFY(m_model->statusIsError());
    QCOMPARE(m_model->statusMessage(), failure);
    QVERIFY(m_model->didSendSuccessfully());
    QCOMPARE(m_model->resendCooldown(), 0);
    QCOMPARE(m_model->sendButtonText(), QStringLiteral("Resend Reset Link"));
    QVERIFY(m_model->canPressSend());

    // A first request that fails leaves the button as it was, ready again at once.
    ForgotPasswordViewModel fresh(*m_scheduler);
    fresh.setBackend(m_backend.get());
    fresh.setEmail(QStringLiteral("anna@example.com"));
    fresh.sendResetLink();
    m_backend->answer(2, false);
    QCOMPARE(fresh.statusMessage(), failure);
    QCOMPARE(fresh.sendButtonText(), QStringLiteral("Send Reset Link"));
    QVERIFY(fresh.canPressSend());

    // Without a backend nothing can be sent, and the screen says so rather than claim success.
    ForgotPasswordViewModel unconnected(*m_scheduler);
    unconnected.setEmail(QStringLiteral("anna@example.com"));
    unconnected.sendResetLink();
    QVERIFY(unconnected.statusIsError());
    QVERIFY(!unconnected.didSendSuccessfully());
}

void TestForgotPasswordViewModel::editingClearsOnlyTheStatus()
{
    succeedOnce();
    m_scheduler->advance(10.0);
    m_model->setEmail(QStringLiteral("anna@example.co"));
    QVERIFY(m_model->statusMessage().isEmpty());
    QVERIFY(m_model->didSendSuccessfully());
    QCOMPARE(m_model->resendCooldown(), 50);
    m_scheduler->advance(1.0);
    QCOMPARE(m_model->resendCooldown(), 49);
}

void TestForgotPasswordViewModel::answerAfterTheScreenWasLeft()
{
    m_model->setEmail(QStringLiteral("anna@example.com"));
    m_model->sendResetLink();
    m_model.reset();
    m_backend->answer(0, true);
    QCOMPARE(m_scheduler->pendingCount(), 0);
}

void TestForgotPasswordViewModel::backendGoneFailsAndIsLogged()
{
    m_backend.reset();
    m_model->setEmail(QStringLiteral("anna@example.com"));
    const LogCapture log;
    m_model->sendResetLink();
    QTRY_VERIFY(!m_model->isSending());
    QVERIFY(m_model->statusIsError());
    QCOMPARE(log.count(QStringLiteral("Password recovery request not sent: the sign-in screen has "
                                      "no sign-in service")),
             1);
}

QTEST_GUILESS_MAIN(TestForgotPasswordViewModel)
#include "TestForgotPasswordViewModel.moc"
