#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The running build's version strings and the comparison of dotted version numbers that decides
// whether this client is older than the company allows.
class AppVersion
{
public:
    AppVersion() = delete;

    // The build's version as the project declares it (for example "1.4.0"). The build always
    // provides one: a client that reported "0.0.0" would be older than any configured minimum and
    // be forced to update.
    static QString currentMarketingVersion();
    // The build number, "0" when the build sets none.
    static QString currentBuildVersion();

    // True when lhs is strictly lower than rhs. Missing parts count as 0 (1.2 equals 1.2.0); each
    // part is its leading number ("2beta" is 2, "rc1" is 0).
    static bool isLower(QStringView lhs, QStringView rhs);

    // One integer per non-empty dot-separated field.
    static QList<qint64> parse(QStringView version);

private:
    static qint64 parseField(QStringView field);
};
