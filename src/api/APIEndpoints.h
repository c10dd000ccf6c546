#pragma once

#include <QString>
#include <QUrl>

#include <optional>

class DomainStorage;

// Which base address every API request is resolved against: the stored company address, else the
// address configured for this build, else the built-in default.
//
// The configured address is compiled in (ZUV_API_BASE_URL, a CMake cache value). The run command
// and the tests point a process elsewhere with the environment variable of the same name,
// ZUV_API_BASE_URL; when it is set and not empty it replaces the compiled value and goes through
// the same checks (an https address with a host, or it is ignored, which is reported on
// standard error and in the log).
class APIEndpoints
{
public:
    static constexpr const char *baseURLEnvironmentVariable = "ZUV_API_BASE_URL";

    explicit APIEndpoints(const DomainStorage &domainStorage);

    // Never fails: there is always an address to fall back on.
    QUrl baseURL() const;

    static QUrl fallbackURL();
    // The configured address after its checks, or none; worked out once per process.
    static std::optional<QUrl> bundleDefault();
    // The checks themselves, on a raw configured value.
    static std::optional<QUrl> checkedConfiguredAddress(const QString &raw);
    static QString normalizeBaseURLString(const QString &text);

private:
    static void reportIgnoredEnvironmentValue(const QString &raw);

    const DomainStorage &m_domainStorage;
};
