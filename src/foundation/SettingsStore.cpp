#include "foundation/SettingsStore.h"

#include "foundation/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

#include <cmath>

namespace {

// JSON numbers are doubles; integers beyond 2^53 would lose digits, so they are refused.
constexpr double largestExactInteger = 9007199254740992.0;

} // namespace

SettingsStore::SettingsStore(QString filePath)
    : m_filePath(std::move(filePath))
{
    load();
}

void SettingsStore::load()
{
    if (m_filePath.isEmpty())
        return;
    QFile file(m_filePath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        zuvError(lcSession) << "Cannot read preferences file" << m_filePath << file.errorString();
        return;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        zuvError(lcSession) << "Preferences file is not a JSON object; starting from defaults:"
                            << m_filePath << parseError.errorString();
        file.close();
        moveDamagedFileAside();
        return;
    }
    m_values = document.object();
}

void SettingsStore::moveDamagedFileAside() const
{
    // The first change would replace the file; kept aside, the company address and the rest
    // can still be read from it by hand.
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString asidePath = m_filePath + QStringLiteral(".damaged-") + stamp;
    for (int attempt = 2; QFileInfo::exists(asidePath); ++attempt)
        asidePath = m_filePath + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(attempt);
    if (QFile::rename(m_filePath, asidePath))
        zuvError(lcSession) << "Moved the unreadable preferences file to" << asidePath;
    else
        zuvError(lcSession) << "Cannot move the unreadable preferences file aside:" << m_filePath;
}

bool SettingsStore::contains(const QString &key) const
{
    const QMutexLocker locker(&m_mutex);
    return m_values.contains(key);
}

QStringList SettingsStore::keys() const
{
    const QMutexLocker locker(&m_mutex);
    return m_values.keys();
}

std::optional<QString> SettingsStore::string(const QString &key) const
{
    const QMutexLocker locker(&m_mutex);
    const QJsonValue value = m_values.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<qint64> SettingsStore::integer(const QString &key) const
{
    const QMutexLocker locker(&m_mutex);
    const QJsonValue value = m_values.value(key);
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number ||
        std::fabs(number) > largestExactInteger)
        return std::nullopt;
    return static_cast<qint64>(number);
}

std::optional<double> SettingsStore::real(const QString &key) const
{
    const QMutexLocker locker(&m_mutex);
    const QJsonValue value = m_values.value(key);
    if (!value.isDouble())
        return std::nullopt;
    return value.toDouble();
}

std::optional<bool> SettingsStore::boolean(const QString &key) const
{
    const QMutexLocker locker(&m_mutex);
    const QJsonValue value = m_values.value(key);
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}

void SettingsStore::setString(const QString &key, const QString &value)
{
    setValue(key, value);
}

void SettingsStore::setInteger(const QString &key, qint64 value)
{
    const auto clamped =
        std::clamp(static_cast<double>(value), -largestExactInteger, largestExactInteger);
    setValue(key, clamped);
}

void SettingsStore::setReal(const QString &key, double value)
{
    // JSON has no NaN or infinity; storing one would make the whole file unreadable.
    if (!std::isfinite(value)) {
        zuvError(lcSession) << "Refusing to store a non-finite number under" << key;
        return;
    }
    setValue(key, value);
}

void SettingsStore::setBoolean(const QString &key, bool value)
{
    setValue(key, value);
}

void SettingsStore::remove(const QString &key)
{
    const QMutexLocker locker(&m_mutex);
    if (!m_values.contains(key))
        return;
    m_values.remove(key);
    persistLocked();
}

void SettingsStore::setValue(const QString &key, const QJsonValue &value)
{
    const QMutexLocker locker(&m_mutex);
    if (m_values.value(key) == value && m_values.contains(key))
        return;
    m_values.insert(key, value);
    persistLocked();
}

void SettingsStore::persistLocked()
{
    if (m_filePath.isEmpty())
        return;
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSaveFile file(m_filePath);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(QJsonDocument(m_values).toJson(QJsonDocument::Indented)) >= 0 &&
                         file.commit();
    if (written) {
        m_reportedWriteFailure = false;
        return;
    }
    // The values stay in memory; the next change tries the file again. Say so once per failure
    // streak, not on every heartbeat mark.
    if (!m_reportedWriteFailure)
        zuvError(lcSession) << "Cannot write preferences file" << m_filePath << file.errorString();
    m_reportedWriteFailure = true;
}
