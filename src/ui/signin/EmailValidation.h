#pragma once

#include <QString>

// The one e-mail rule of the sign-in screens: the address, trimmed of white space and line
// breaks at both ends, matches ^[A-Z0-9._%+-]+@[A-Z0-9.-]+\.[A-Z]{2,}$ without regard to case.
bool isValidEmail(const QString &email);
