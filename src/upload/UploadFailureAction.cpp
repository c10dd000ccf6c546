#include "upload/UploadFailureAction.h"

#include "api/APIError.h"
#include "upload/TransportError.h"

namespace {

UploadFailureAction forStatus(int status, UploadTaskType type)
{
    using Type = UploadTaskType;
    const bool screenshot = type == Type::Screenshot;
    switch (status) {
    case 400:
        if (type == Type::Heartbeat || type == Type::ActivitySegment)
            return UploadFailureAction::drop(false);
        break;
    case 404:
    case 409:
        if (type == Type::Heartbeat)
            return UploadFailureAction::takenOver(status);
        if (type == Type::StartSession)
            return UploadFailureAction::drop(false);
        break;
    case 413:
        if (screenshot)
            return UploadFailureAction::drop(true);
        break;
    case 422:
        return UploadFailureAction::drop(screenshot);
    default:
        break;
    }
    return UploadFailureAction::retry(status);
}

} // namespace

bool UploadFailureAction::isOfflineTransportError(QNetworkReply::NetworkError code)
{
    switch (code) {
    case QNetworkReply::NetworkSessionFailedError:    // not connected to the internet
    case QNetworkReply::TemporaryNetworkFailureError: // data not allowed, link gone
    case QNetworkReply::RemoteHostClosedError:        // connection lost
    case QNetworkReply::ConnectionRefusedError:       // cannot connect to host
    case QNetworkReply::HostNotFoundError:            // cannot find host, DNS lookup failed
        return true;
    default:
        return false;
    }
}

UploadFailureAction UploadFailureAction::forError(const std::exception_ptr &error,
                                                  UploadTaskType taskType)
{
    try {
        std::rethrow_exception(error);
    } catch (const TransportError &transport) {
        if (isOfflineTransportError(transport.code()))
            return offline();
        return retry(std::nullopt);
    } catch (const APIError &apiError) {
        if (apiError.kind() != APIError::Kind::ServerError)
            return retry(std::nullopt);
        return forStatus(apiError.statusCode(), taskType);
    } catch (...) {
        return retry(std::nullopt);
    }
}
