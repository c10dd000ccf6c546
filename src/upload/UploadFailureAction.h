#pragma once

#include "store/UploadTask.h"

#include <QNetworkReply>

#include <exception>
#include <optional>

// What becomes of a task whose send failed: the session was taken over by another device, the
// server refused the task for good, the send is retried with back-off, or the machine is offline
// and the task simply waits.
struct UploadFailureAction
{
    enum class Kind
    {
        TakenOver,
        Drop,
        Retry,
        Offline,
    };

    Kind kind = Kind::Retry;
    // The HTTP status: always for TakenOver, when the server answered for Retry.
    std::optional<int> statusCode;
    // Drop only: the task's local file goes too.
    bool deleteFile = false;

    static UploadFailureAction takenOver(int status) { return {Kind::TakenOver, status, false}; }
    static UploadFailureAction drop(bool deleteFile)
    {
        return {Kind::Drop, std::nullopt, deleteFile};
    }
    static UploadFailureAction retry(std::optional<int> status)
    {
        return {Kind::Retry, status, false};
    }
    static UploadFailureAction offline() { return {Kind::Offline, std::nullopt, false}; }

    // Classifies the error a send threw, by its kind and, for HTTP answers, status and task type.
    static UploadFailureAction forError(const std::exception_ptr &error, UploadTaskType taskType);
    // Transport failures that mean "no usable network" rather than "the server misbehaved".
    static bool isOfflineTransportError(QNetworkReply::NetworkError code);

    friend bool operator==(const UploadFailureAction &, const UploadFailureAction &) = default;
};
