#include "platform/ThreadName.h"

#include <QByteArray>
#include <QThread>

#include <sys/prctl.h>

namespace ThreadName {

void setForCurrentThread(const char *fullName)
{
    const QByteArray name(fullName);
    QThread::currentThread()->setObjectName(QString::fromLatin1(name));
    const qsizetype lastDot = name.lastIndexOf("zuvevivezid.");
    QByteArray shortName =
        lastDot >= 0 ? name.mid(lastDot + static_cast<qsizetype>(sizeof("zuvevivezid.")) - 1)
                     : name;
    shortName.truncate(15);
    prctl(PR_SET_NAME, shortName.constData(), 0, 0, 0);
}

} // namespace ThreadName
