#include "UploadedScreenshots.h"

#include <QRegularExpression>
#include <QString>

#include <algorithm>

std::optional<QDateTime> UploadedScreenshots::captureMoment(const std::string &fileName)
{
    static const QRegularExpression name(QStringLiteral(
        R"(^[0-9A-Fa-f-]{36}_(\d{4}-\d\d-\d\d)T(\d\d)-(\d\d)-(\d\d)(\.\d+)?(Z|[+-]\d\d-\d\d)_[^_]+\.jpg$)"));
    const QRegularExpressionMatch match = name.match(QString::fromStdString(fileName));
    if (!match.hasMatch())
        return std::nullopt;
    // "+05-45" is "+05:45"; the sign stays as it is.
    const QString zone = match.captured(6);
    const QString offset = zone.left(1) + zone.mid(1).replace(QLatin1Char('-'), QLatin1Char(':'));
    const QString text = match.captured(1) + QLatin1Char('T') + match.captured(2) +
                         QLatin1Char(':') + match.captured(3) + QLatin1Char(':') +
                         match.captured(4) + match.captured(5) + offset;
    const QDateTime moment = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!moment.isValid())
        return std::nullopt;
    return moment;
}

void UploadedScreenshots::add(std::string account, QDateTime capturedAt, std::string image)
{
    m_shots.push_back({m_nextId++, std::move(account), std::move(capturedAt), std::move(image)});
    while (m_shots.size() > maximumKept)
        m_shots.pop_front();
}

std::vector<const UploadedScreenshots::Shot *>
UploadedScreenshots::takenOn(const std::string &account, const QDate &day,
                             const QTimeZone &zone) const
{
    std::vector<const Shot *> found;
    for (const Shot &shot : m_shots) {
        if (shot.account == account && shot.capturedAt.toTimeZone(zone).date() == day)
            found.push_back(&shot);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Shot *a, const Shot *b) { return a->capturedAt < b->capturedAt; });
    return found;
}

const UploadedScreenshots::Shot *UploadedScreenshots::find(size_t id) const
{
    const auto found = std::find_if(m_shots.begin(), m_shots.end(),
                                    [id](const Shot &shot) { return shot.id == id; });
    return found == m_shots.end() ? nullptr : &*found;
}

void UploadedScreenshots::clear()
{
    m_shots.clear();
}
