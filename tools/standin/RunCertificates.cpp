#include "RunCertificates.h"

#include <openssl/bn.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <fstream>
#include <stdexcept>

namespace {

constexpr long validityBackdateSeconds = 60L * 60;   // tolerate small clock differences
constexpr long validitySeconds = 30L * 24 * 60 * 60; // far longer than any run

void check(bool ok, const char *what)
{
    if (!ok)
        throw std::runtime_error(std::string("certificate generation failed: ") + what);
}

void setRandomSerial(X509 *certificate)
{
    unsigned char bytes[16];
    check(RAND_bytes(bytes, sizeof bytes) == 1, "random serial");
    bytes[0] &= 0x7f; // a positive serial
    BIGNUM *number = BN_bin2bn(bytes, sizeof bytes, nullptr);
    check(number != nullptr, "serial number");
    const bool ok = BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate)) != nullptr;
    BN_free(number);
    check(ok, "serial assignment");
}

void setCommonName(X509_NAME *name, const char *commonName)
{
    check(X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char *>("Stand-in HR service"),
                                     -1, -1, 0) == 1,
          "organisation");
    check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char *>(commonName), -1, -1,
                                     0) == 1,
          "common name");
}

void addExtension(X509 *certificate, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION *extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    check(extension != nullptr, value);
    const bool ok = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    check(ok, value);
}

} // namespace

RunCertificates::RunCertificates()
    : m_authorityKey(generateKey())
    , m_authorityCertificate(makeAuthorityCertificate())
    , m_serverKey(generateKey())
    , m_serverCertificate(makeServerCertificate())
{}

RunCertificates::Key RunCertificates::generateKey()
{
    Key key(EVP_EC_gen("P-256"));
    check(key != nullptr, "key generation");
    return key;
}

RunCertificates::Certificate RunCertificates::makeAuthorityCertificate() const
{
    Certificate certificate(X509_new());
    check(certificate != nullptr, "authority allocation");
    X509 *raw = certificate.get();
    check(X509_set_version(raw, 2) == 1, "version");
    setRandomSerial(raw);
    X509_gmtime_adj(X509_getm_notBefore(raw), -validityBackdateSeconds);
    X509_gmtime_adj(X509_getm_notAfter(raw), validitySeconds);
    setCommonName(X509_get_subject_name(raw), "Stand-in HR service run authority");
    check(X509_set_issuer_name(raw, X509_get_subject_name(raw)) == 1, "issuer");
    check(X509_set_pubkey(raw, m_authorityKey.get()) == 1, "public key");
    addExtension(raw, raw, NID_basic_constraints, "critical,CA:TRUE,pathlen:0");
    addExtension(raw, raw, NID_key_usage, "critical,keyCertSign,cRLSign");
    addExtension(raw, raw, NID_subject_key_identifier, "hash");
    check(X509_sign(raw, m_authorityKey.get(), EVP_sha256()) > 0, "authority signature");
    return certificate;
}

RunCertificates::Certificate RunCertificates::makeServerCertificate() const
{
    Certificate certificate(X509_new());
    check(certificate != nullptr, "server allocation");
    X509 *raw = certificate.get();
    X509 *issuer = m_authorityCertificate.get();
    check(X509_set_version(raw, 2) == 1, "version");
    setRandomSerial(raw);
    X509_gmtime_adj(X509_getm_notBefore(raw), -validityBackdateSeconds);
    X509_gmtime_adj(X509_getm_notAfter(raw), validitySeconds);
    setCommonName(X509_get_subject_name(raw), "localhost");
    check(X509_set_issuer_name(raw, X509_get_subject_name(issuer)) == 1, "issuer");
    check(X509_set_pubkey(raw, m_serverKey.get()) == 1, "public key");
    addExtension(raw, issuer, NID_basic_constraints, "critical,CA:FALSE");
    addExtension(raw, issuer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
    addExtension(raw, issuer, NID_ext_key_usage, "serverAuth");
    addExtension(raw, issuer, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    addExtension(raw, issuer, NID_subject_key_identifier, "hash");
    addExtension(raw, issuer, NID_authority_key_identifier, "keyid:always");
    check(X509_sign(raw, m_authorityKey.get(), EVP_sha256()) > 0, "server signature");
    return certificate;
}

std::string RunCertificates::authorityPem() const
{
    BIO *memory = BIO_new(BIO_s_mem());
    check(memory != nullptr, "memory buffer");
    const bool ok = PEM_write_bio_X509(memory, m_authorityCertificate.get()) == 1;
    char *data = nullptr;
    const long length = BIO_get_mem_data(memory, &data);
    std::string pem = ok && length > 0 ? std::string(data, static_cast<size_t>(length)) : "";
    BIO_free(memory);
    check(!pem.empty(), "PEM encoding");
    return pem;
}

void RunCertificates::writeAuthorityPem(const std::string &filePath) const
{
    const std::string pem = authorityPem();
    std::ofstream file(filePath, std::ios::binary | std::ios::trunc);
    file << pem;
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + filePath);
}
