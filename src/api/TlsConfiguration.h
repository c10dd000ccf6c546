#pragma once

#include <QSslConfiguration>
#include <QString>

class QNetworkRequest;

// The TLS settings of every request to the HR service: the system's trusted certificates, and an
// extra certificate authority only when one is named explicitly. Certificate checks stay on.
//
// The extra authority comes from the environment variable ZUV_EXTRA_CA_CERTIFICATES, the path of a
// PEM file (the run command and the tests point it at the stand-in service's authority). It is
// read once per process.
class TlsConfiguration
{
public:
    static constexpr const char *extraCaEnvironmentVariable = "ZUV_EXTRA_CA_CERTIFICATES";

    // The system's trusted certificates only.
    TlsConfiguration();

    static const TlsConfiguration &fromEnvironment();
    // Also trusts the authorities in the PEM file; a file that cannot be read or holds none is
    // logged and adds nothing.
    static TlsConfiguration withExtraCertificates(const QString &pemFilePath);

    QSslConfiguration sslConfiguration() const { return m_configuration; }
    qsizetype extraCertificateCount() const { return m_extraCertificateCount; }
    void applyTo(QNetworkRequest &request) const;

private:
    QSslConfiguration m_configuration;
    qsizetype m_extraCertificateCount = 0;
};
