#pragma once

#include <QJsonObject>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <optional>

// The program's user defaults: typed values under the keys the system names, kept in one JSON
// file in the data folder and rewritten atomically on every change, so a crash or a kill leaves
// the previous or the new file, never a torn one. A write that cannot be confirmed on the disk
// keeps the old file and posts NotificationHub::preferencesCannotBeWritten once per failure
// streak. A file found damaged is moved aside and what still reads in it is kept.
//
// Thread-safe: every call may come from any thread. Values keep their JSON type across runs: a
// text stays a text, a flag a flag, a number a number (integers read back as integers).
class SettingsStore
{
public:
    static constexpr const char *defaultFileName = "preferences.json";

    // A file found damaged at load: how many values were read from it, and where it was kept.
    struct Damage
    {
        int keptValues = 0;
        QString asidePath;
    };

    // Loads the file when it exists; an empty filePath keeps the values in memory only.
    explicit SettingsStore(QString filePath);

    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString filePath() const { return m_filePath; }
    // Set when the file was damaged at load; the store cannot tell the person itself, since it
    // exists before anything that could.
    std::optional<Damage> damageFound() const { return m_damage; }

    bool contains(const QString &key) const;
    QStringList keys() const;

    // Each getter answers a value only when one of that type is stored under the key.
    std::optional<QString> string(const QString &key) const;
    std::optional<qint64> integer(const QString &key) const;
    std::optional<double> real(const QString &key) const;
    std::optional<bool> boolean(const QString &key) const;

    void setString(const QString &key, const QString &value);
    void setInteger(const QString &key, qint64 value);
    void setReal(const QString &key, double value);
    void setBoolean(const QString &key, bool value);
    void remove(const QString &key);

private:
    void load();
    void recoverDamagedFile(const QByteArray &contents);
    QString moveDamagedFileAside() const;
    void setValue(const QString &key, const QJsonValue &value);
    // Answers whether this write began a failure streak, to be posted once the lock is released.
    bool persistLocked();
    static void postWriteFailure();

    const QString m_filePath;
    mutable QMutex m_mutex;
    QJsonObject m_values;
    bool m_reportedWriteFailure = false;
    std::optional<Damage> m_damage;
};
