#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

// A certificate authority and a server certificate for 127.0.0.1 and localhost, made afresh for
// one run of the stand-in, so no key outlives the process and nothing trusts it by accident.
class RunCertificates
{
public:
    // Generates both key pairs and certificates; throws std::runtime_error on an OpenSSL failure.
    RunCertificates();

    X509 *serverCertificate() const { return m_serverCertificate.get(); }
    EVP_PKEY *serverKey() const { return m_serverKey.get(); }

    std::string authorityPem() const;
    // Writes the authority's certificate as PEM; throws std::runtime_error when it cannot.
    void writeAuthorityPem(const std::string &filePath) const;

private:
    struct KeyDeleter
    {
        void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
    };
    struct CertificateDeleter
    {
        void operator()(X509 *certificate) const { X509_free(certificate); }
    };
    using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;
    using Certificate = std::unique_ptr<X509, CertificateDeleter>;

    static Key generateKey();
    Certificate makeAuthorityCertificate() const;
    Certificate makeServerCertificate() const;

    Key m_authorityKey;
    Certificate m_authorityCertificate;
    Key m_serverKey;
    Certificate m_serverCertificate;
};
