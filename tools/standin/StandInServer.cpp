#include "StandInServer.h"

#include <httplib.h>

#include <QBuffer>
#include <QImage>

#include <sys/socket.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace {

using Json = nlohmann::json;

const std::string apiMarker = "/api/v1/";
const std::string controlPrefix = "/__control/";
const std::string mediaPrefix = "/media/";
// Enough for twenty concurrent requests held by a delay plus the kept-alive connections of a few
// clients; every connection occupies a thread of the pool while it is open.
constexpr size_t workerThreads = 96;

std::string lowerCase(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool isPseudoHeader(const std::string &name)
{
    // cpp-httplib adds the peer's address among the request headers; nothing sent them.
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
           name == "LOCAL_PORT";
}

void reply(httplib::Response &response, int status, const Json &body)
{
    response.status = status;
    response.set_content(body.dump(), "application/json");
}

// A soft gradient picture, so the report's screenshots load and look like something.
std::string pngImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(40 + 120 * x / width, 90 + 100 * y / height, 170);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

std::string queryOf(const std::string &target)
{
    const size_t mark = target.find('?');
    return mark == std::string::npos ? std::string() : target.substr(mark + 1);
}

const char *actionName(ScriptRules::Action action)
{
    switch (action) {
    case ScriptRules::Action::Respond:
        return "respond";
    case ScriptRules::Action::Delay:
        return "delay";
    case ScriptRules::Action::Drop:
        return "drop";
    case ScriptRules::Action::Malformed:
        return "malformed";
    case ScriptRules::Action::Huge:
        return "huge";
    case ScriptRules::Action::Trickle:
        return "trickle";
    }
    return "?";
}

} // namespace

StandInServer::StandInServer(const RunCertificates &certificates)
    : m_server(std::make_unique<httplib::SSLServer>(certificates.serverCertificate(),
                                                    certificates.serverKey()))
    , m_fullImage(pngImage(1280, 720))
    , m_thumbnailImage(pngImage(320, 180))
{
    if (!m_server->is_valid())
        throw std::runtime_error("the TLS server could not be set up");
    m_server->new_task_queue = [] {
        return new httplib::ThreadPool(workerThreads);
    };
    m_server->set_payload_max_length(64 * 1024 * 1024);
    m_server->set_keep_alive_timeout(2);
    // Headers and body go out in two writes; without this the second one waits for the client's
    // acknowledgement of the first (about 40 ms a request on loopback).
    m_server->set_tcp_nodelay(true);
    // A client that drains a long queue keeps one connection instead of a new TLS handshake
    // every few requests.
    m_server->set_keep_alive_max_count(1000);
    const auto handler = [this](const httplib::Request &request, httplib::Response &response) {
        handle(request, response);
    };
    m_server->Get(".*", handler);
    m_server->Post(".*", handler);
    m_server->Put(".*", handler);
    m_server->Patch(".*", handler);
    m_server->Delete(".*", handler);
}

StandInServer::~StandInServer() = default;

int StandInServer::bind(int port)
{
    const int bound = port == 0 ? m_server->bind_to_any_port("127.0.0.1")
                                : (m_server->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound > 0)
        m_service = std::make_unique<HrService>(bound);
    return bound;
}

bool StandInServer::serve()
{
    return m_server->listen_after_bind();
}

void StandInServer::stop()
{
    {
        const std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopped.notify_all();
    m_server->stop();
    // An idle kept-alive connection would keep its worker waiting for the next request; a closed
    // socket ends the wait at once. A number reused since is at worst another connection.
    const std::lock_guard lock(m_connectionsMutex);
    for (const int socket : m_connections)
        ::shutdown(socket, SHUT_RDWR);
}

void StandInServer::pause(int milliseconds)
{
    std::unique_lock lock(m_stopMutex);
    m_stopped.wait_for(lock, std::chrono::milliseconds(milliseconds),
                       [this] { return m_stopping; });
}

void StandInServer::handle(const httplib::Request &request, httplib::Response &response)
{
    if (request.ssl != nullptr) {
        const std::lock_guard lock(m_connectionsMutex);
        m_connections.insert(SSL_get_fd(request.ssl));
    }
    const std::string &path = request.path;
    if (path.rfind(controlPrefix, 0) == 0) {
        handleControl(request, response, path.substr(controlPrefix.size()));
        return;
    }
    if (path.rfind(mediaPrefix, 0) == 0 && request.method == "GET") {
        handleMedia(request, response);
        return;
    }
    const size_t marker = path.find(apiMarker);
    if (marker == std::string::npos) {
        reply(response, 404, {{"message", "Not found."}});
        return;
    }
    handleApi(request, response, path.substr(0, marker), path.substr(marker + apiMarker.size()));
}

void StandInServer::handleApi(const httplib::Request &request, httplib::Response &response,
                              const std::string &pathPrefix, const std::string &apiPath)
{
    RequestRecord::Entry entry;
    entry.method = request.method;
    entry.path = apiPath;
    entry.query = queryOf(request.target);
    entry.pathPrefix = pathPrefix;
    entry.host = request.get_header_value("Host");
    entry.account = m_service->accountOf(request.get_header_value("Authorization")).value_or("");
    for (const auto &[name, value] : request.headers) {
        if (!isPseudoHeader(name))
            entry.headers.emplace_back(lowerCase(name), value);
    }
    // A multipart body is recorded as its parts; uploads would otherwise fill the memory.
    if (!request.is_multipart_form_data())
        entry.body = request.body;
    for (const auto &[field, file] : request.files)
        entry.parts.push_back({file.name, file.filename, file.content_type, file.content.size()});
    entry.receivedAt =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();

    HrService::Request call;
    call.method = request.method;
    call.path = apiPath;
    call.host = entry.host;
    call.pathPrefix = pathPrefix;
    call.authorization = request.get_header_value("Authorization");
    for (const auto &[key, value] : request.params)
        call.query.emplace(key, value);
    call.body = request.body;
    for (const auto &[field, file] : request.files)
        call.files.push_back({file.name, file.filename, file.content});

    const std::int64_t sequence = m_record.add(std::move(entry));
    if (m_verbose)
        std::fprintf(stderr, "%s %s\n", request.method.c_str(), request.target.c_str());

    const std::optional<ScriptRules::Rule> rule = m_rules.take(request.method, apiPath);
    if (rule && rule->delayMs > 0)
        pause(rule->delayMs);
    if (rule && rule->action == ScriptRules::Action::Drop) {
        // Shut the socket under the TLS session: the client sees the connection close without
        // a byte of answer, and cpp-httplib's own write of the response below fails quietly.
        if (request.ssl != nullptr)
            ::shutdown(SSL_get_fd(request.ssl), SHUT_RDWR);
        response.status = 500;
        m_record.complete(sequence, 0, true);
        return;
    }
    if (rule && rule->action == ScriptRules::Action::Malformed) {
        response.status = 200;
        response.set_content(R"({"data": {"access_token": "cut-off)", "application/json");
    } else if (rule && rule->action == ScriptRules::Action::Huge) {
        response.status = 200;
        sendHugeBody(response, rule->bodyBytes);
    } else if (rule && rule->action == ScriptRules::Action::Trickle) {
        const HrService::Answer answer = m_service->handle(call);
        response.status = answer.status;
        sendTrickled(response, answer.body, answer.contentType, rule->intervalMs);
    } else if (rule && rule->action == ScriptRules::Action::Respond) {
        response.status = rule->status;
        if (!rule->location.empty())
            response.set_header("Location", rule->location);
        response.set_content(rule->body, rule->contentType.c_str());
    } else {
        const HrService::Answer answer = m_service->handle(call);
        response.status = answer.status;
        response.set_content(answer.body, answer.contentType.c_str());
    }
    m_record.complete(sequence, response.status, false);
}

void StandInServer::sendHugeBody(httplib::Response &response, long long bodyBytes)
{
    // A JSON array of zeros, streamed: the stand-in never holds the body, and a client that
    // stops reading ends the stream.
    const std::string chunk(64 * 1024, '0');
    response.set_chunked_content_provider(
        "application/json", [bodyBytes, chunk](size_t offset, httplib::DataSink &sink) {
            const long long left = bodyBytes - static_cast<long long>(offset);
            if (left <= 0) {
                sink.done();
                return true;
            }
            const size_t size = static_cast<size_t>(std::min<long long>(left, chunk.size()));
            return sink.write(chunk.data(), size);
        });
}

void StandInServer::sendTrickled(httplib::Response &response, const std::string &body,
                                 const std::string &contentType, int intervalMs)
{
    response.set_chunked_content_provider(
        contentType, [this, body, intervalMs](size_t offset, httplib::DataSink &sink) {
            if (offset >= body.size()) {
                sink.done();
                return true;
            }
            pause(intervalMs);
            return sink.is_writable() && sink.write(body.data() + offset, 1);
        });
}

void StandInServer::handleControl(const httplib::Request &request, httplib::Response &response,
                                  const std::string &command)
{
    const std::string &method = request.method;
    Json body = request.body.empty() ? Json::object() : Json::parse(request.body, nullptr, false);
    if (body.is_discarded()) {
        reply(response, 400, {{"message", "the control body is not JSON"}});
        return;
    }
    try {
        if (command == "requests" && method == "GET") {
            const Json matching =
                m_record.toJson(request.get_param_value("method"), request.get_param_value("path"));
            if (request.get_param_value("countOnly") == "1")
                reply(response, 200, {{"count", matching.size()}});
            else
                reply(response, 200, {{"requests", matching}});
        } else if (command == "requests" && method == "DELETE") {
            m_record.clear();
            reply(response, 200, {{"ok", true}});
        } else if (command == "rules" && method == "POST") {
            const ScriptRules::Rule rule = ScriptRules::fromJson(body);
            m_rules.add(rule);
            reply(response, 200, {{"ok", true}, {"action", actionName(rule.action)}});
        } else if (command == "rules" && method == "DELETE") {
            m_rules.clear();
            reply(response, 200, {{"ok", true}});
        } else if (command == "otp" && method == "POST") {
            m_service->setOneTimeCode(body.at("code").get<std::string>());
            reply(response, 200, {{"ok", true}});
        } else if (command == "refresh" && method == "POST") {
            m_service->setRefreshRefused(body.at("refuse").get<bool>());
            reply(response, 200, {{"ok", true}});
        } else if (command == "tokens" && method == "POST") {
            if (body.value("revokeAccess", false))
                m_service->tokens().revokeAllAccessTokens();
            if (body.contains("accessLifetimeSeconds")) {
                const int seconds = body.at("accessLifetimeSeconds").get<int>();
                if (seconds < 1)
                    throw std::invalid_argument("accessLifetimeSeconds must be positive");
                m_service->tokens().setAccessLifetime(std::chrono::seconds(seconds));
            }
            reply(response, 200, {{"ok", true}});
        } else if (command == "takeover" && method == "POST") {
            m_service->markSessionTakenOver(body.at("session_uuid").get<std::string>());
            reply(response, 200, {{"ok", true}});
        } else if (command == "config" && method == "POST") {
            if (!body.is_object())
                throw std::invalid_argument("the configuration fields are a JSON object");
            m_service->mergeConfiguration(body);
            reply(response, 200, {{"ok", true}});
        } else if (command == "reset" && method == "POST") {
            m_rules.clear();
            m_record.clear();
            m_service->reset();
            reply(response, 200, {{"ok", true}});
        } else if (command == "sessions" && method == "GET") {
            reply(response, 200, {{"sessions", m_service->sessionsJson()}});
        } else if (command == "segments" && method == "GET") {
            reply(response, 200, {{"segments", m_service->segmentsJson()}});
        } else {
            reply(response, 404,
                  {{"message", "unknown control command: " + method + " " + command}});
        }
    } catch (const std::exception &error) {
        reply(response, 400, {{"message", error.what()}});
    }
}

void StandInServer::handleMedia(const httplib::Request &request, httplib::Response &response)
{
    const std::string &path = request.path;
    const auto endsWith = [&path](const std::string &suffix) {
        return path.size() > suffix.size() &&
               path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    static const std::string uploadsPrefix = mediaPrefix + "uploads/";
    if (path.rfind(uploadsPrefix, 0) == 0) {
        // An uploaded screenshot serves as its own thumbnail; the client scales it.
        const std::string name = path.substr(uploadsPrefix.size());
        size_t id = 0;
        const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), id);
        const std::string rest(end, name.data() + name.size());
        const std::optional<std::string> image =
            error == std::errc() && (rest == ".jpg" || rest == "-thumb.jpg")
                ? m_service->uploadedImage(id)
                : std::nullopt;
        if (!image) {
            reply(response, 404, {{"message", "Not found."}});
            return;
        }
        response.status = 200;
        response.set_content(*image, "image/jpeg");
        return;
    }
    if (!endsWith(".png")) {
        reply(response, 404, {{"message", "Not found."}});
        return;
    }
    response.status = 200;
    response.set_content(endsWith("-thumb.png") ? m_thumbnailImage : m_fullImage, "image/png");
}
