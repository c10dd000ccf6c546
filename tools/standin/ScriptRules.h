#pragma once

#include <nlohmann/json.hpp>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Behaviours a test has scripted for matching API requests: a canned answer, a delay, a dropped
// connection, a malformed, huge or trickled body. The first rule that matches and still has uses
// left applies.
class ScriptRules
{
public:
    enum class Action
    {
        Respond,   // answer with status, body and content type instead of the normal answer
        Delay,     // wait, then answer normally
        Drop,      // close the connection without an answer
        Malformed, // answer 200 with a JSON object cut off in the middle
        Huge,      // answer 200 with bodyBytes of JSON text, chunked, with no length announced
        Trickle,   // answer normally, one byte of the body every intervalMs
    };

    struct Rule
    {
        std::string method; // empty: any method
        std::string path;   // relative API path; "*" matches exactly one segment
        Action action = Action::Respond;
        int status = 200;
        std::string body;
        std::string contentType = "application/json";
        std::string location;    // a Location header for a Respond, e.g. with a 3xx status
        int delayMs = 0;         // also applies before Respond, Drop and Malformed
        long long bodyBytes = 0; // Huge
        int intervalMs = 0;      // Trickle
        int remaining = 1;       // 0: until cleared
    };

    // Reads a rule from its control form; throws std::invalid_argument with the reason.
    static Rule fromJson(const nlohmann::json &object);
    static bool pathMatches(const std::string &pattern, const std::string &path);

    void add(Rule rule);
    // Takes one use of the first matching rule.
    std::optional<Rule> take(const std::string &method, const std::string &path);
    void clear();

private:
    std::mutex m_mutex;
    std::vector<Rule> m_rules;
};
