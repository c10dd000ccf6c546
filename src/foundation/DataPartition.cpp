#include "foundation/DataPartition.h"

#include <QUrl>

namespace DataPartition {

namespace {

const QLatin1String globalKey("global");

} // namespace

QString employeeIdentity(const QString &email)
{
    return email.trimmed().toCaseFolded();
}

QString key(const QString &domainKey, const QString &email)
{
    const QString identity = employeeIdentity(email);
    if (domainKey.isEmpty() || domainKey == globalKey)
        return QString(globalKey);
    if (identity.isEmpty())
        return domainKey;
    // "@" and "+" stay readable; "/", the separator and anything else a folder name or the key's
    // own shape could trip over are encoded.
    const QByteArray encoded = QUrl::toPercentEncoding(identity, "@+");
    return domainKey + separator + QString::fromLatin1(encoded);
}

QString companyOf(const QString &partitionKey)
{
    const qsizetype at = partitionKey.indexOf(separator);
    return at < 0 ? partitionKey : partitionKey.left(at);
}

bool namesEmployee(const QString &partitionKey)
{
    return partitionKey.contains(separator);
}

} // namespace DataPartition
