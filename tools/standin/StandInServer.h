#pragma once

#include "HrService.h"
#include "RequestRecord.h"
#include "RunCertificates.h"
#include "ScriptRules.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace httplib {
class SSLServer;
struct Request;
struct Response;
} // namespace httplib

// The HTTPS front of the stand-in: routes "/api/v1/" requests (under any path prefix) to the HR
// service after the scripted rules have had their say, records them, serves the report's images
// under "/media/", and offers the control interface under "/__control/".
class StandInServer
{
public:
    explicit StandInServer(const RunCertificates &certificates);
    ~StandInServer();

    // Binds 127.0.0.1 on the port (0: any free one); returns the port, or -1.
    int bind(int port);
    // Serves until stop(); the HR service exists once bind() succeeded.
    bool serve();
    // Safe from any thread (and from a signal-waiting one).
    void stop();
    void setVerbose(bool verbose) { m_verbose = verbose; }

private:
    void handle(const httplib::Request &request, httplib::Response &response);
    void handleApi(const httplib::Request &request, httplib::Response &response,
                   const std::string &pathPrefix, const std::string &apiPath);
    void handleControl(const httplib::Request &request, httplib::Response &response,
                       const std::string &command);
    void handleMedia(const httplib::Request &request, httplib::Response &response);
    // Waits, unless the server stops first.
    void pause(int milliseconds);
    static void sendHugeBody(httplib::Response &response, long long bodyBytes);
    void sendTrickled(httplib::Response &response, const std::string &body,
                      const std::string &contentType, int intervalMs);

    std::unique_ptr<httplib::SSLServer> m_server;
    std::unique_ptr<HrService> m_service;
    ScriptRules m_rules;
    RequestRecord m_record;
    std::string m_fullImage;
    std::string m_thumbnailImage;
    bool m_verbose = false;

    // Sockets of connections that carried a request; kept-alive ones would hold the stop back.
    std::mutex m_connectionsMutex;
    std::set<int> m_connections;

    std::mutex m_stopMutex;
    std::condition_variable m_stopped;
    bool m_stopping = false;
};
