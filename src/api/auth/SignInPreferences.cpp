#include "api/auth/SignInPreferences.h"

#include "foundation/SettingsStore.h"

#include <QCollator>

#include <algorithm>

namespace RememberedLoginStorage {

bool isEnabled(const SettingsStore &defaults)
{
    return defaults.boolean(QLatin1String(enabledKey)).value_or(true);
}

std::optional<QString> savedEmail(const SettingsStore &defaults)
{
    if (!isEnabled(defaults))
        return std::nullopt;
    const std::optional<QString> stored = defaults.string(QLatin1String(emailKey));
    if (!stored)
        return std::nullopt;
    const QString email = stored->trimmed();
    if (email.isEmpty())
        return std::nullopt;
    return email;
}

void save(const QString &email, SettingsStore &defaults)
{
    if (!isEnabled(defaults))
        return;
    defaults.setString(QLatin1String(emailKey), email.trimmed());
}

} // namespace RememberedLoginStorage

namespace UserProfileStorage {

namespace {

void setOrRemove(const QString &key, const std::optional<QString> &value, SettingsStore &defaults)
{
    if (value)
        defaults.setString(key, *value);
    else
        defaults.remove(key);
}

} // namespace

void set(const std::optional<QString> &userName, const std::optional<QString> &companyName,
         SettingsStore &defaults)
{
    setOrRemove(QLatin1String(userNameKey), userName, defaults);
    setOrRemove(QLatin1String(companyNameKey), companyName, defaults);
}

} // namespace UserProfileStorage

namespace LastCompanyStorage {

std::optional<QString> lastEndpoint(const SettingsStore &defaults)
{
    const std::optional<QString> endpoint = defaults.string(QLatin1String(lastEndpointKey));
    if (!endpoint || endpoint->isEmpty())
        return std::nullopt;
    return endpoint;
}

} // namespace LastCompanyStorage

namespace CompanyListOrder {

Ordered ordered(QList<LoginCompany> companies, const std::optional<QString> &lastEndpoint)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(companies.begin(), companies.end(),
                     [&collator](const LoginCompany &a, const LoginCompany &b) {
                         return collator.compare(a.name, b.name) < 0;
                     });
    if (!lastEndpoint || companies.isEmpty())
        return {companies, std::nullopt};

    const auto recent = std::find_if(
        companies.begin(), companies.end(),
        [&lastEndpoint](const LoginCompany &company) { return company.endpoint == *lastEndpoint; });
    if (recent == companies.end())
        return {companies, std::nullopt};
    std::rotate(companies.begin(), recent, recent + 1);
    return {companies, companies.first().endpoint};
}

} // namespace CompanyListOrder
