#pragma once

#include <exception>

// The upload service's own failure: the capture file a queued screenshot names is gone.
class UploadServiceError : public std::exception
{
public:
    enum class Kind
    {
        FileNotFound,
    };

    explicit UploadServiceError(Kind kind = Kind::FileNotFound)
        : m_kind(kind)
    {}

    Kind kind() const { return m_kind; }
    const char *what() const noexcept override { return "screenshot file not found"; }

private:
    Kind m_kind;
};
