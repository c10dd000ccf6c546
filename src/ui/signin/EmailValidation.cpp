#include "ui/signin/EmailValidation.h"

#include <QRegularExpression>

bool isValidEmail(const QString &email)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^[A-Z0-9._%+-]+@[A-Z0-9.-]+\.[A-Z]{2,}$)"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern.match(email.trimmed()).hasMatch();
}
