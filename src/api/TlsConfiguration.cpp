#include "api/TlsConfiguration.h"

#include "foundation/Log.h"

#include <QFile>
#include <QNetworkRequest>
#include <QSslCertificate>

TlsConfiguration::TlsConfiguration()
    : m_configuration(QSslConfiguration::defaultConfiguration())
{
    m_configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
}

const TlsConfiguration &TlsConfiguration::fromEnvironment()
{
    static const TlsConfiguration configuration = [] {
        const QString path = qEnvironmentVariable(extraCaEnvironmentVariable);
        return path.isEmpty() ? TlsConfiguration() : withExtraCertificates(path);
    }();
    return configuration;
}

TlsConfiguration TlsConfiguration::withExtraCertificates(const QString &pemFilePath)
{
    TlsConfiguration configuration;
    QFile file(pemFilePath);
    if (!file.open(QIODevice::ReadOnly)) {
        zuvError(lcUpload).noquote() << "Cannot read the extra certificate authorities in"
                                     << pemFilePath + ":" << file.errorString();
        return configuration;
    }
    const QList<QSslCertificate> certificates =
        QSslCertificate::fromData(file.readAll(), QSsl::Pem);
    if (certificates.isEmpty()) {
        zuvError(lcUpload).noquote() << "No PEM certificate found in" << pemFilePath;
        return configuration;
    }
    configuration.m_configuration.addCaCertificates(certificates);
    configuration.m_extraCertificateCount = certificates.size();
    zuvInfo(lcUpload).noquote() << "Trusting" << certificates.size()
                                << "extra certificate authorities from" << pemFilePath;
    return configuration;
}

void TlsConfiguration::applyTo(QNetworkRequest &request) const
{
    request.setSslConfiguration(m_configuration);
}
