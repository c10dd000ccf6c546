#include "api/APIEndpoints.h"

#include "api/DomainStorage.h"

#ifndef ZUV_API_BASE_URL
#define ZUV_API_BASE_URL ""
#endif

APIEndpoints::APIEndpoints(const DomainStorage &domainStorage)
    : m_domainStorage(domainStorage)
{}

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
        return checkedConfiguredAddress(
            fromEnvironment.isEmpty() ? QString::fromUtf8(ZUV_API_BASE_URL) : fromEnvironment);
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
    return DomainStorage::parseURL(normalized);
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
