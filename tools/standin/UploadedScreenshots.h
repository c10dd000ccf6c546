#pragma once

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

// The screenshots the client uploaded, the newest few hundred of them, kept so that the report
// of a day an employee tracked shows what was uploaded and the media address serves the images.
// Not thread-safe: the HR service guards it with its own lock.
class UploadedScreenshots
{
public:
    static constexpr size_t maximumKept = 300;

    struct Shot
    {
        size_t id = 0;
        std::string account;
        QDateTime capturedAt;
        std::string image;
    };

    // The capture moment an upload name carries: "<SESSION>_<time>_<display>.jpg", the time
    // being ISO-8601 text with every ":" written as "-".
    static std::optional<QDateTime> captureMoment(const std::string &fileName);

    void add(std::string account, QDateTime capturedAt, std::string image);
    // The account's screenshots taken on the day as the zone counts days, oldest first.
    std::vector<const Shot *> takenOn(const std::string &account, const QDate &day,
                                      const QTimeZone &zone) const;
    const Shot *find(size_t id) const;
    void clear();

private:
    std::deque<Shot> m_shots;
    size_t m_nextId = 1;
};
