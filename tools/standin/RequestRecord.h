#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// Everything the stand-in received on the API, in arrival order, for tests to read back.
class RequestRecord
{
public:
    struct Part
    {
        std::string name;
        std::string fileName;
        std::string contentType;
        size_t size = 0;
    };

    struct Entry
    {
        std::int64_t sequence = 0;
        std::string method;
        std::string path; // relative to the API base, without the query
        std::string query;
        std::string pathPrefix;
        std::string host;
        // The account whose valid access token the request carried; empty when it carried none.
        std::string account;
        std::vector<std::pair<std::string, std::string>> headers; // names in lower case
        std::string body;
        std::vector<Part> parts;
        int status = 0;
        bool dropped = false;
        double receivedAt = 0;
    };

    // Stores the entry (its sequence is assigned here) and returns its sequence.
    std::int64_t add(Entry entry);
    void complete(std::int64_t sequence, int status, bool dropped);
    // The entries with this method (empty: any) whose path matches the pattern (empty: any; "*"
    // stands for one segment).
    nlohmann::json toJson(const std::string &method = {},
                          const std::string &pathPattern = {}) const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
    std::int64_t m_nextSequence = 1;
};
