#pragma once

#include <QString>
#include <QUrl>

#include <optional>

class SettingsStore;

// The stored company address and the signed-in employee: the base address of the company the
// user signed in to and the e-mail they signed in with, both kept in the user defaults until
// sign-out. Together they name the partition of the local data (DataPartition).
class DomainStorage
{
public:
    static constexpr const char *baseURLKey = "com.wendoka.zuvevivezid.apiBaseURL";
    static constexpr const char *employeeKey = "com.wendoka.zuvevivezid.signedInEmployee";
    static constexpr const char *globalDomainKey = "global";

    explicit DomainStorage(SettingsStore &settings);

    // The stored address, or none when nothing usable is stored.
    std::optional<QUrl> getBaseURL() const;
    // Stores the address as its absolute text; none removes it.
    void setBaseURL(const std::optional<QUrl> &url);

    // The host of the stored address, or "global". The key names folders on disk, so it is only
    // ever a host as the URL parser accepted it (never empty, never "." or "..", no separators).
    QString domainKey() const;

    // The signed-in employee's identity (DataPartition::employeeIdentity of the e-mail), or none
    // when nobody has signed in since the sign-out (or since before employees were recorded).
    std::optional<QString> employee() const;
    // Stores the e-mail's identity; none (or a blank e-mail) removes it.
    void setEmployee(const std::optional<QString> &email);
    // The key the signed-in employee's rows, captures and cached configuration are kept under.
    QString partitionKey() const;

    // Turns a company endpoint as the sign-in answer names it into a base address ending in
    // "/api/v1/": "https://" is put in front of a bare host, a given scheme is kept as written.
    static std::optional<QUrl> buildBaseURL(const QString &endpoint);

    // Parses an address text strictly; none when it is not a valid URL.
    static std::optional<QUrl> parseURL(const QString &text);
    // The same for a base address, which must also name a host: "https:///" or
    // "https:api.example/api/v1/" parse, but nothing could ever be requested under them.
    static std::optional<QUrl> parseBaseURL(const QString &text);

    // Whether a request to this address may carry the sign-in: https, or plain http to the
    // loopback host (a developer's own service), never plain http across a network.
    static bool mayCarryCredentials(const QUrl &url);

private:
    SettingsStore &m_settings;
};
