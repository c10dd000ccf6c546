#include "ui/signin/SignInBackend.h"

#include "foundation/Log.h"

void SignInBackend::reportNotSent(const char *request)
{
    zuvError(lcAuth).noquote() << QStringLiteral("%1 not sent: the sign-in screen has no sign-in "
                                                 "service to send it")
                                      .arg(QString::fromLatin1(request));
}
