#pragma once

#include <QByteArrayView>
#include <QString>

// Replaces a file with new contents only once they are known to be on the disk. A temporary file
// beside the target is written, flushed to the disk and read back; only then does it take the
// target's name, and the folder is flushed so the new name survives a power cut. A full disk can
// let a plain save report success and leave an empty file (seen with QSaveFile on Qt 6.4): here
// any shortfall fails the write and the old file stays as it was.
class ConfirmedFileWrite
{
public:
    // Empty on success; otherwise why it failed, for the log.
    static QString replace(const QString &filePath, QByteArrayView contents);
};
