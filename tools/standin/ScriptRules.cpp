#include "ScriptRules.h"

#include <stdexcept>

namespace {

std::vector<std::string> splitSegments(const std::string &path)
{
    std::vector<std::string> segments;
    size_t start = 0;
    while (true) {
        const size_t slash = path.find('/', start);
        segments.push_back(path.substr(start, slash - start));
        if (slash == std::string::npos)
            return segments;
        start = slash + 1;
    }
}

ScriptRules::Action actionFromText(const std::string &text)
{
    if (text == "respond")
        return ScriptRules::Action::Respond;
    if (text == "delay")
        return ScriptRules::Action::Delay;
    if (text == "drop")
        return ScriptRules::Action::Drop;
    if (text == "malformed")
        return ScriptRules::Action::Malformed;
    if (text == "huge")
        return ScriptRules::Action::Huge;
    if (text == "trickle")
        return ScriptRules::Action::Trickle;
    throw std::invalid_argument("unknown action: " + text);
}

} // namespace

ScriptRules::Rule ScriptRules::fromJson(const nlohmann::json &object)
{
    if (!object.is_object())
        throw std::invalid_argument("a rule is a JSON object");
    Rule rule;
    rule.method = object.value("method", std::string());
    rule.path = object.value("path", std::string());
    if (rule.path.empty() || rule.path.front() == '/')
        throw std::invalid_argument("path must be relative to the API base");
    rule.action = actionFromText(object.value("action", std::string("respond")));
    rule.status = object.value("status", 200);
    if (rule.status < 100 || rule.status > 599)
        throw std::invalid_argument("status out of range");
    if (object.contains("bodyText"))
        rule.body = object.at("bodyText").get<std::string>();
    else if (object.contains("body"))
        rule.body = object.at("body").dump();
    rule.contentType = object.value("contentType", std::string("application/json"));
    rule.location = object.value("location", std::string());
    rule.delayMs = object.value("delayMs", 0);
    rule.remaining = object.value("times", 1);
    rule.bodyBytes = object.value("bodyBytes", 0LL);
    rule.intervalMs = object.value("intervalMs", 0);
    if (rule.delayMs < 0 || rule.remaining < 0 || rule.bodyBytes < 0 || rule.intervalMs < 0)
        throw std::invalid_argument("delayMs and times must not be negative");
    return rule;
}

bool ScriptRules::pathMatches(const std::string &pattern, const std::string &path)
{
    const auto wanted = splitSegments(pattern);
    const auto actual = splitSegments(path);
    if (wanted.size() != actual.size())
        return false;
    for (size_t i = 0; i < wanted.size(); ++i) {
        if (wanted[i] != "*" && wanted[i] != actual[i])
            return false;
    }
    return true;
}

void ScriptRules::add(Rule rule)
{
    const std::lock_guard lock(m_mutex);
    m_rules.push_back(std::move(rule));
}

std::optional<ScriptRules::Rule> ScriptRules::take(const std::string &method,
                                                   const std::string &path)
{
    const std::lock_guard lock(m_mutex);
    for (auto it = m_rules.begin(); it != m_rules.end(); ++it) {
        if ((!it->method.empty() && it->method != method) || !pathMatches(it->path, path))
            continue;
        Rule taken = *it;
        if (it->remaining > 0 && --it->remaining == 0)
            m_rules.erase(it);
        return taken;
    }
    return std::nullopt;
}

void ScriptRules::clear()
{
    const std::lock_guard lock(m_mutex);
    m_rules.clear();
}
