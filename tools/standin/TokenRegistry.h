#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>

// The access and refresh tokens the stand-in has issued. Refresh tokens rotate: each refresh
// retires the token it was given, so a client that refreshes twice with the same token is told
// so (401), as a strict service would.
class TokenRegistry
{
public:
    using Clock = std::chrono::system_clock;

    struct Issued
    {
        std::string accessToken;
        std::string refreshToken;
        Clock::time_point accessExpiresAt;
        Clock::time_point refreshExpiresAt;
    };

    Issued issue(const std::string &email);
    // The account of a valid, unexpired access token.
    std::optional<std::string> accountForAccessToken(const std::string &token) const;
    // A new pair for a valid refresh token (which is retired), or nothing.
    std::optional<Issued> refresh(const std::string &refreshToken);
    // Retires a refresh token and every access token issued with it.
    void revoke(const std::string &refreshToken);
    // Every access token issued so far stops working; refresh tokens keep working.
    void revokeAllAccessTokens();
    void setAccessLifetime(std::chrono::seconds lifetime);
    void clear();

    static std::string isoText(Clock::time_point when);

private:
    struct AccessEntry
    {
        std::string account;
        std::string refreshToken;
        Clock::time_point expiresAt;
        bool revoked = false;
    };
    struct RefreshEntry
    {
        std::string account;
        Clock::time_point expiresAt;
    };

    Issued issueLocked(const std::string &email);

    mutable std::mutex m_mutex;
    std::map<std::string, AccessEntry> m_access;
    std::map<std::string, RefreshEntry> m_refresh;
    std::chrono::seconds m_accessLifetime = std::chrono::hours(1);
};
