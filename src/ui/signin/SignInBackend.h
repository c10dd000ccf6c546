#pragma once

#include "api/auth/SingleLoginResult.h"

#include <QObject>
#include <QString>
#include <QtQmlIntegration>

#include <QCoroTask>

// What the sign-in screens ask of the authentication service. The application hands the real
// service behind it; tests hand a fake whose answers they release in any order.
class SignInBackend : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application provides the sign-in backend")

public:
    using QObject::QObject;
    ~SignInBackend() override = default;

    virtual QCoro::Task<SingleLoginResult> login(QString email, QString password) = 0;
    virtual QCoro::Task<SingleLoginResult> verifyOtp(QString email, QString otpCode) = 0;
    virtual QCoro::Task<> generateOtp(QString email) = 0;
    virtual QCoro::Task<> requestPasswordRecovery(QString email) = 0;

    // For a screen that has no backend to ask: its request fails without being sent, and the log
    // says so, or the screen's one failure sentence would be all there is to go on.
    static void reportNotSent(const char *request);
};
