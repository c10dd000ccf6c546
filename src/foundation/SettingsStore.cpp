#include "foundation/SettingsStore.h"

#include "foundation/ConfirmedFileWrite.h"
#include "foundation/JsonObjectSalvage.h"
#include "foundation/Log.h"
#include "foundation/NotificationHub.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

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
    const QByteArray contents = file.readAll();
    file.close();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(contents, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        zuvError(lcSession) << "Preferences file is not a JSON object:" << m_filePath
                            << parseError.errorString();
        recoverDamagedFile(contents);
        return;
    }
    m_values = document.object();
}

void SettingsStore::recoverDamagedFile(const QByteArray &contents)
{
    // A file cut short still holds the company address, the device id and the heartbeat marks
    // before the cut; losing them would leave the person signed in to no company.
    m_values = JsonObjectSalvage::completeMembers(contents);
    m_damage = Damage{static_cast<int>(m_values.size()), moveDamagedFileAside()};
    zuvError(lcSession) << "Kept" << m_values.size() << "value(s) of the damaged preferences file";
    // Written at once: a run that changes nothing would otherwise leave no file to read them from.
    if (!m_values.isEmpty() && !m_damage->asidePath.isEmpty() && persistLocked())
        postWriteFailure();
}

QString SettingsStore::moveDamagedFileAside() const
{
    // The first change would replace the file; kept aside, the company address and the rest
    // can still be read from it by hand.
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString asidePath = m_filePath + QStringLiteral(".damaged-") + stamp;
    for (int attempt = 2; QFileInfo::exists(asidePath); ++attempt)
        asidePath = m_filePath + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(attempt);
    if (QFile::rename(m_filePath, asidePath)) {
        zuvError(lcSession) << "Moved the unreadable preferences file to" << asidePath;
        return asidePath;
    }
    zuvError(lcSession) << "Cannot move the unreadable preferences file aside:" << m_filePath;
    return QString();
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
    bool failureBegan = false;
    {
        const QMutexLocker locker(&m_mutex);
        if (!m_values.contains(key))
            return;
        m_values.remove(key);
        failureBegan = persistLocked();
    }
    if (failureBegan)
        postWriteFailure();
}

void SettingsStore::setValue(const QString &key, const QJsonValue &value)
{
    bool failureBegan = false;
    {
        const QMutexLocker locker(&m_mutex);
        if (m_values.value(key) == value && m_values.contains(key))
            return;
        m_values.insert(key, value);
        failureBegan = persistLocked();
    }
    if (failureBegan)
        postWriteFailure();
}

bool SettingsStore::persistLocked()
{
    if (m_filePath.isEmpty())
        return false;
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    const QString failure = ConfirmedFileWrite::replace(
        m_filePath, QJsonDocument(m_values).toJson(QJsonDocument::Indented));
    if (failure.isEmpty()) {
        m_reportedWriteFailure = false;
        return false;
    }
    // The values stay in memory and the old file on the disk; the next change tries again. Say
    // so once per failure streak, not on every heartbeat mark.
    if (m_reportedWriteFailure)
        return false;
    zuvError(lcSession) << "Cannot write preferences file" << m_filePath << failure;
    m_reportedWriteFailure = true;
    return true;
}

void SettingsStore::postWriteFailure()
{
    Q_EMIT NotificationHub::instance().preferencesCannotBeWritten();
}
