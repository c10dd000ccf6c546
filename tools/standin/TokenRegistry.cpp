#include "TokenRegistry.h"

#include <nlohmann/json.hpp>
#include <openssl/rand.h>

#include <ctime>
#include <stdexcept>

namespace {

constexpr auto refreshLifetime = std::chrono::hours(24 * 30);

std::string base64Url(const std::string &bytes)
{
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string text;
    unsigned value = 0;
    int bits = 0;
    for (const unsigned char byte : bytes) {
        value = (value << 8) | byte;
        bits += 8;
        while (bits >= 6) {
            bits -= 6;
            text += alphabet[(value >> bits) & 0x3f];
        }
    }
    if (bits > 0)
        text += alphabet[(value << (6 - bits)) & 0x3f];
    return text;
}

std::string randomBytes(size_t count)
{
    std::string bytes(count, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char *>(bytes.data()), static_cast<int>(count)) != 1)
        throw std::runtime_error("no random bytes");
    return bytes;
}

// Shaped like a signed JWT, as the service's tokens are ("use_jwt": 1); nothing checks the
// signature, the random part alone makes each token unique.
std::string makeToken(const std::string &email, const char *kind,
                      TokenRegistry::Clock::time_point expiresAt)
{
    const nlohmann::json header = {{"alg", "HS256"}, {"typ", "JWT"}};
    const nlohmann::json claims = {
        {"sub", email},
        {"kind", kind},
        {"exp",
         std::chrono::duration_cast<std::chrono::seconds>(expiresAt.time_since_epoch()).count()},
        {"jti", base64Url(randomBytes(9))}};
    return base64Url(header.dump()) + "." + base64Url(claims.dump()) + "." +
           base64Url(randomBytes(32));
}

} // namespace

TokenRegistry::Issued TokenRegistry::issue(const std::string &email)
{
    const std::lock_guard lock(m_mutex);
    return issueLocked(email);
}

TokenRegistry::Issued TokenRegistry::issueLocked(const std::string &email)
{
    const auto now = Clock::now();
    Issued issued;
    issued.accessExpiresAt = now + m_accessLifetime;
    issued.refreshExpiresAt = now + refreshLifetime;
    issued.accessToken = makeToken(email, "access", issued.accessExpiresAt);
    issued.refreshToken = makeToken(email, "refresh", issued.refreshExpiresAt);
    m_access[issued.accessToken] = {email, issued.refreshToken, issued.accessExpiresAt};
    m_refresh[issued.refreshToken] = {email, issued.refreshExpiresAt};
    return issued;
}

std::optional<std::string> TokenRegistry::accountForAccessToken(const std::string &token) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_access.find(token);
    if (found == m_access.end() || found->second.revoked || found->second.expiresAt <= Clock::now())
        return std::nullopt;
    return found->second.account;
}

std::optional<TokenRegistry::Issued> TokenRegistry::refresh(const std::string &refreshToken)
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_refresh.find(refreshToken);
    if (found == m_refresh.end() || found->second.expiresAt <= Clock::now())
        return std::nullopt;
    const std::string account = found->second.account;
    m_refresh.erase(found);
    return issueLocked(account);
}

void TokenRegistry::revoke(const std::string &refreshToken)
{
    const std::lock_guard lock(m_mutex);
    m_refresh.erase(refreshToken);
    for (auto &[token, entry] : m_access) {
        if (entry.refreshToken == refreshToken)
            entry.revoked = true;
    }
}

void TokenRegistry::revokeAllAccessTokens()
{
    const std::lock_guard lock(m_mutex);
    for (auto &[token, entry] : m_access)
        entry.revoked = true;
}

void TokenRegistry::setAccessLifetime(std::chrono::seconds lifetime)
{
    const std::lock_guard lock(m_mutex);
    m_accessLifetime = lifetime;
}

void TokenRegistry::clear()
{
    const std::lock_guard lock(m_mutex);
    m_access.clear();
    m_refresh.clear();
    m_accessLifetime = std::chrono::hours(1);
}

std::string TokenRegistry::isoText(Clock::time_point when)
{
    const std::time_t seconds = Clock::to_time_t(when);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}
