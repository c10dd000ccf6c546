#include "api/DomainStorage.h"

#include "foundation/DataPartition.h"
#include "foundation/SettingsStore.h"

#include <QHostAddress>

namespace {

bool isSafeFolderName(const QString &host)
{
    if (host.isEmpty() || host == QLatin1String(".") || host == QLatin1String(".."))
        return false;
    for (const QChar character : host) {
        if (character == QLatin1Char('/') || character == QLatin1Char('\\') || character.isNull() ||
            character.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

} // namespace

DomainStorage::DomainStorage(SettingsStore &settings)
    : m_settings(settings)
{}

std::optional<QUrl> DomainStorage::getBaseURL() const
{
    const std::optional<QString> stored = m_settings.string(QString::fromLatin1(baseURLKey));
    if (!stored || stored->isEmpty())
        return std::nullopt;
    return parseBaseURL(*stored);
}

void DomainStorage::setBaseURL(const std::optional<QUrl> &url)
{
    if (!url) {
        m_settings.remove(QString::fromLatin1(baseURLKey));
        return;
    }
    m_settings.setString(QString::fromLatin1(baseURLKey), url->toString(QUrl::FullyEncoded));
}

QString DomainStorage::domainKey() const
{
    const std::optional<QUrl> url = getBaseURL();
    const QString host = url ? url->host(QUrl::FullyEncoded) : QString();
    return isSafeFolderName(host) ? host : QString::fromLatin1(globalDomainKey);
}

std::optional<QString> DomainStorage::employee() const
{
    const std::optional<QString> stored = m_settings.string(QString::fromLatin1(employeeKey));
    if (!stored)
        return std::nullopt;
    const QString identity = DataPartition::employeeIdentity(*stored);
    return identity.isEmpty() ? std::nullopt : std::optional<QString>(identity);
}

void DomainStorage::setEmployee(const std::optional<QString> &email)
{
    const QString identity = email ? DataPartition::employeeIdentity(*email) : QString();
    if (identity.isEmpty())
        m_settings.remove(QString::fromLatin1(employeeKey));
    else
        m_settings.setString(QString::fromLatin1(employeeKey), identity);
}

QString DomainStorage::partitionKey() const
{
    return DataPartition::key(domainKey(), employee().value_or(QString()));
}

std::optional<QUrl> DomainStorage::buildBaseURL(const QString &endpoint)
{
    QString text = endpoint.trimmed();
    if (text.isEmpty())
        return std::nullopt;

    const QString lower = text.toLower();
    if (!lower.startsWith(QLatin1String("http://")) && !lower.startsWith(QLatin1String("https://")))
        text.prepend(QLatin1String("https://"));

    if (text.endsWith(QLatin1Char('/')))
        text.chop(1);

    if (!text.endsWith(QLatin1String("/api/v1")) && !text.endsWith(QLatin1String("/api/v1/")))
        text.append(QLatin1String("/api/v1/"));

    const std::optional<QUrl> url = parseBaseURL(text);
    if (!url)
        return std::nullopt;
    const QString absolute = url->toString(QUrl::FullyEncoded);
    if (absolute.endsWith(QLatin1Char('/')))
        return url;
    return parseBaseURL(absolute + QLatin1Char('/'));
}

std::optional<QUrl> DomainStorage::parseURL(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.isEmpty())
        return std::nullopt;
    return url;
}

std::optional<QUrl> DomainStorage::parseBaseURL(const QString &text)
{
    std::optional<QUrl> url = parseURL(text);
    if (!url || url->host().isEmpty())
        return std::nullopt;
    return url;
}

bool DomainStorage::mayCarryCredentials(const QUrl &url)
{
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("https"))
        return true;
    if (scheme != QLatin1String("http"))
        return false;
    const QString host = url.host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}
