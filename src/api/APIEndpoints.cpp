#include "api/APIEndpoints.h"

#include "api/DomainStorage.h"
#include "foundation/Log.h"

#include <cstdio>

#ifndef ZUV_API_BASE_URL
#define ZUV_API_BASE_URL ""
#endif

APIEndpoints::APIEndpoints(const DomainStorage &domainStorage)
    : m_domainStorage(domainStorage)
{
    // Worked out now, so an ignored environment value is reported at start-up rather than at
    // the first request.
    bundleDefault();
}

QUrl APIEndpoints::baseURL() const
{
    if (std::optional<QUrl> stored = m_domainStorage.getBaseURL())
        return *stored;
    if (std::optional<QUrl> configured = bundleDefault())
        return *configured;
    return fallbackURL();
}

QUrl APIEndpoints::fallbackURL()
{
    return QUrl(QStringLiteral("https://api.zuvevivezid.example/api/v1/"));
}

std::optional<QUrl> APIEndpoints::bundleDefault()
{
    static const std::optional<QUrl> address = [] {
        const QString fromEnvironment = qEnvironmentVariable(baseURLEnvironmentVariable);
        std::optional<QUrl> checked = checkedConfiguredAddress(
            fromEnvironment.isEmpty() ? QString::fromUtf8(ZUV_API_BASE_URL) : fromEnvironment);
        if (!fromEnvironment.isEmpty() && !checked)
            reportIgnoredEnvironmentValue(fromEnvironment);
        return checked;
    }();
    return address;
}

std::optional<QUrl> APIEndpoints::checkedConfiguredAddress(const QString &raw)
{
    if (raw.isEmpty() || raw.startsWith(QLatin1String("$(")))
        return std::nullopt;
    const QString normalized = normalizeBaseURLString(raw);
    // The parser folds the scheme to lower case; the configured text itself must say "https".
    if (!normalized.startsWith(QLatin1String("https:")))
        return std::nullopt;
    return DomainStorage::parseBaseURL(normalized);
}

QString APIEndpoints::normalizeBaseURLString(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start) == QLatin1Char('"'))
        ++start;
    while (end > start && text.at(end - 1) == QLatin1Char('"'))
        --end;
    const QString unquoted = text.mid(start, end - start);

    if (!unquoted.startsWith(QLatin1String("https:/")) ||
        unquoted.startsWith(QLatin1String("https://")))
        return unquoted;
    return QLatin1String("https://") + unquoted.mid(7);
}

void APIEndpoints::reportIgnoredEnvironmentValue(const QString &raw)
{
    // The value may carry a user and password; neither belongs on a terminal or in the log.
    const QUrl parsed(normalizeBaseURLString(raw));
    const QString shown =
        parsed.isValid() ? parsed.toString(QUrl::RemoveUserInfo) : QStringLiteral("(unreadable)");
    const QString message =
        QStringLiteral("%1=%2 is ignored: only an https address with a host is accepted, so "
                       "requests go to %3")
            .arg(QString::fromLatin1(baseURLEnvironmentVariable), shown,
                 checkedConfiguredAddress(QString::fromUtf8(ZUV_API_BASE_URL))
                     .value_or(fallbackURL())
                     .toString(QUrl::RemoveUserInfo));
    std::fprintf(stderr, "%s\n", qUtf8Printable(message));
    std::fflush(stderr);
    zuvError(lcUpload).noquote() << message;
}
