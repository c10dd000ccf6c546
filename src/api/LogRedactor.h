#pragma once

#include <QString>
#include <QStringList>

// Masks secrets in a text that is about to be logged: the string values of JSON members named like
// a credential, bearer tokens and the user information of addresses. Safe from any thread.
namespace LogRedactor {

// The member names whose string values are masked, compared without regard to letter case.
const QStringList &sensitiveJSONKeys();

QString redact(const QString &text);
// redact() for the beginning of a longer text: a secret's value that the cut left unterminated
// at the end is masked too.
QString redactBeginning(const QString &text);

} // namespace LogRedactor
