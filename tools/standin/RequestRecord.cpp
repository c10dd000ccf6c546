#include "RequestRecord.h"

#include "ScriptRules.h"

namespace {

std::string base64(const std::string &bytes)
{
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned value = (static_cast<unsigned char>(bytes[i]) << 16) |
                               (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                               static_cast<unsigned char>(bytes[i + 2]);
        text += alphabet[(value >> 18) & 0x3f];
        text += alphabet[(value >> 12) & 0x3f];
        text += alphabet[(value >> 6) & 0x3f];
        text += alphabet[value & 0x3f];
    }
    const size_t rest = bytes.size() - i;
    if (rest > 0) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2)
            value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        text += alphabet[(value >> 18) & 0x3f];
        text += alphabet[(value >> 12) & 0x3f];
        text += rest == 2 ? alphabet[(value >> 6) & 0x3f] : '=';
        text += '=';
    }
    return text;
}

// Texts from the wire may hold anything; the record must stay valid JSON.
nlohmann::json safeText(const std::string &text)
{
    return nlohmann::json::parse(
        nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

} // namespace

std::int64_t RequestRecord::add(Entry entry)
{
    const std::lock_guard lock(m_mutex);
    entry.sequence = m_nextSequence++;
    m_entries.push_back(std::move(entry));
    return m_entries.back().sequence;
}

void RequestRecord::complete(std::int64_t sequence, int status, bool dropped)
{
    const std::lock_guard lock(m_mutex);
    for (auto &entry : m_entries) {
        if (entry.sequence == sequence) {
            entry.status = status;
            entry.dropped = dropped;
            return;
        }
    }
}

nlohmann::json RequestRecord::toJson(const std::string &method,
                                     const std::string &pathPattern) const
{
    const std::lock_guard lock(m_mutex);
    nlohmann::json list = nlohmann::json::array();
    for (const auto &entry : m_entries) {
        if ((!method.empty() && entry.method != method) ||
            (!pathPattern.empty() && !ScriptRules::pathMatches(pathPattern, entry.path)))
            continue;
        nlohmann::json headers = nlohmann::json::object();
        for (const auto &[name, value] : entry.headers) {
            const std::string key = safeText(name).get<std::string>();
            const std::string text = safeText(value).get<std::string>();
            headers[key] =
                headers.contains(key) ? headers[key].get<std::string>() + ", " + text : text;
        }
        nlohmann::json parts = nlohmann::json::array();
        for (const auto &part : entry.parts) {
            parts.push_back({{"name", safeText(part.name)},
                             {"fileName", safeText(part.fileName)},
                             {"contentType", safeText(part.contentType)},
                             {"size", part.size}});
        }
        list.push_back({{"sequence", entry.sequence},
                        {"method", entry.method},
                        {"path", safeText(entry.path)},
                        {"query", safeText(entry.query)},
                        {"pathPrefix", safeText(entry.pathPrefix)},
                        {"host", safeText(entry.host)},
                        {"account", safeText(entry.account)},
                        {"headers", headers},
                        {"bodyBase64", base64(entry.body)},
                        {"parts", parts},
                        {"status", entry.status},
                        {"dropped", entry.dropped},
                        {"receivedAt", entry.receivedAt}});
    }
    return list;
}

void RequestRecord::clear()
{
    const std::lock_guard lock(m_mutex);
    m_entries.clear();
}
