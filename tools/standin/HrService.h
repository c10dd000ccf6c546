#pragma once

#include "DemoDirectory.h"
#include "RequestRecord.h"
#include "TokenRegistry.h"
#include "UploadedScreenshots.h"

#include <nlohmann/json.hpp>

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

// The HR service's API as the client sees it: sign-in, tokens, configuration, the tracking
// uploads and the screenshot report, over the demo directory. Thread-safe; the HTTP layer calls
// handle() from many threads at once.
class HrService
{
public:
    struct FilePart
    {
        std::string name;
        std::string fileName;
        std::string content;
    };

    struct Request
    {
        std::string method;
        std::string path; // relative to the API base
        std::string host;
        std::string pathPrefix;
        std::string authorization;
        std::map<std::string, std::string> query;
        std::string body;
        std::vector<FilePart> files;
    };

    struct Answer
    {
        int status = 200;
        std::string body;
        std::string contentType = "application/json";
    };

    static constexpr const char *defaultOneTimeCode = "123456";
    static constexpr size_t maximumScreenshotBytes = 10 * 1024 * 1024;

    explicit HrService(int port);

    Answer handle(const Request &request);
    // The account of the valid access token in an "Authorization" header; none without one.
    std::optional<std::string> accountOf(const std::string &authorization) const;

    // Scripting of the service's own behaviour.
    void setOneTimeCode(std::string code);
    void setRefreshRefused(bool refused);
    void markSessionTakenOver(const std::string &sessionId);
    void mergeConfiguration(const nlohmann::json &fields);
    TokenRegistry &tokens() { return m_tokens; }
    void reset();

    // An uploaded screenshot's image, by the number its report address gives.
    std::optional<std::string> uploadedImage(size_t id) const;

    nlohmann::json sessionsJson() const;
    nlohmann::json segmentsJson() const;

private:
    struct Session
    {
        std::string account;
        std::string deviceId;
        std::string taskId;
        std::string startedAt;
        std::string status = "active";
        long long totalSeconds = 0;
        int heartbeats = 0;
        int screenshots = 0;
        bool takenOver = false;
        nlohmann::json lastHeartbeat;
    };

    Answer singleLogin(const Request &request);
    Answer generateOneTimeCode(const Request &request);
    Answer passwordRecovery(const Request &request);
    Answer refresh(const Request &request);
    Answer logout(const Request &request, const std::string &account);
    Answer configuration(const Request &request, const std::string &account);
    Answer screenshotReport(const Request &request, const std::string &account);
    // The report of a day the account tracked, from what it uploaded; none for a day without
    // uploads.
    std::optional<nlohmann::json> trackedDayReportLocked(const std::string &account,
                                                         const QDate &day, const QTimeZone &zone,
                                                         const std::string &host) const;
    Answer startSession(const Request &request, const std::string &account);
    Answer heartbeat(const Request &request, const std::string &account);
    Answer segmentBatch(const Request &request, const std::string &account);
    Answer screenshots(const Request &request, const std::string &sessionId);

    nlohmann::json tokenObject(const TokenRegistry::Issued &issued) const;
    // The tracking answers' today total, as the configuration gives it plus what was tracked.
    nlohmann::json todayTotalLocked(const std::string &account) const;
    std::string apiTimeZoneLocked() const;

    const DemoDirectory m_directory;
    TokenRegistry m_tokens;

    mutable std::mutex m_mutex;
    std::string m_oneTimeCode = defaultOneTimeCode;
    bool m_refreshRefused = false;
    nlohmann::json m_configurationOverrides = nlohmann::json::object();
    std::map<std::string, Session> m_sessions;
    std::set<std::string> m_takenOver;
    // By account, day and segment number: a segment sent again replaces the one stored.
    std::map<std::tuple<std::string, std::string, long long>, nlohmann::json> m_segments;
    UploadedScreenshots m_screenshots;
};
