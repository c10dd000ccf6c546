#pragma once

#include <QList>
#include <QString>

#include <optional>

#include "api/auth/SingleLoginResponse.h"

class SettingsStore;

// The small remembered choices of the sign-in flow. All of it lives in the user defaults; none of
// these helpers keeps state of its own.

namespace RememberedLoginStorage {

inline constexpr const char *enabledKey = "rememberLoginEmailEnabled";
inline constexpr const char *emailKey = "rememberedLoginEmail";

// On unless a flag saying otherwise is stored.
bool isEnabled(const SettingsStore &defaults);
// The e-mail that pre-fills the sign-in form, trimmed; nothing when it is off or blank.
std::optional<QString> savedEmail(const SettingsStore &defaults);
void save(const QString &email, SettingsStore &defaults);

} // namespace RememberedLoginStorage

namespace UserProfileStorage {

inline constexpr const char *userNameKey = "com.wendoka.zuvevivezid.userName";
inline constexpr const char *companyNameKey = "com.wendoka.zuvevivezid.companyName";

// A present name is stored (an empty one too); an absent one is removed.
void set(const std::optional<QString> &userName, const std::optional<QString> &companyName,
         SettingsStore &defaults);

} // namespace UserProfileStorage

namespace LastCompanyStorage {

inline constexpr const char *lastEndpointKey = "lastSelectedCompanyEndpoint";

std::optional<QString> lastEndpoint(const SettingsStore &defaults);

} // namespace LastCompanyStorage

namespace CompanyListOrder {

struct Ordered
{
    QList<LoginCompany> companies;
    // The endpoint of the company moved to the front because it was used last.
    std::optional<QString> recentEndpoint;
};

// The companies by name as the user's locale compares names, case ignored, with the company of
// exactly the last-used endpoint moved to the front.
Ordered ordered(QList<LoginCompany> companies, const std::optional<QString> &lastEndpoint);

} // namespace CompanyListOrder
