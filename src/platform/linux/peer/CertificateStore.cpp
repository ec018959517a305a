// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/CertificateStore.h"
#include "platform/linux/settings/UserFolders.h"

#include <QCryptographicHash>
#include <QDateTime>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavora {

namespace {

constexpr long kValiditySeconds = 20L * 365 * 24 * 60 * 60;
constexpr std::size_t kFingerprintHexDigits = 64;
constexpr std::uint32_t kCodeModulus = 1'000'000;

template <class T, void (*Free)(T*)> struct Deleter {
    void operator()(T* pointer) const { Free(pointer); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

std::optional<QByteArray> readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return QByteArray::fromStdString(bytes);
}

std::string pemOf(int (*write)(BIO*, void*), void* object)
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || write(bio.get(), object) != 1)
        return {};
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return { data, static_cast<std::size_t>(size) };
}

int writeKey(BIO* bio, void* key)
{
    return PEM_write_bio_PrivateKey(bio, static_cast<EVP_PKEY*>(key), nullptr, nullptr, 0, nullptr,
                                    nullptr);
}

int writeCertificate(BIO* bio, void* certificate)
{
    return PEM_write_bio_X509(bio, static_cast<X509*>(certificate));
}

// A new EC P-256 key and a certificate for it, signed by itself, in PEM.
Result<std::pair<std::string, std::string>> makeIdentityPem(const char* commonName)
{
    KeyPtr key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    X509Ptr certificate(X509_new());
    if (!key || !certificate)
        return Error { "cannot make a key" };

    std::array<unsigned char, 16> serial {};
    if (RAND_bytes(serial.data(), static_cast<int>(serial.size())) != 1)
        return Error { "no randomness for the certificate" };
    serial[0] &= 0x7F; // a positive serial number
    auto* serialNumber = BN_bin2bn(serial.data(), static_cast<int>(serial.size()), nullptr);
    const bool serialSet = serialNumber != nullptr
        && BN_to_ASN1_INTEGER(serialNumber, X509_get_serialNumber(certificate.get())) != nullptr;
    BN_free(serialNumber);

    auto* name = X509_get_subject_name(certificate.get());
    const bool made = serialSet && X509_set_version(certificate.get(), 2) == 1
        && X509_gmtime_adj(X509_getm_notBefore(certificate.get()), 0) != nullptr
        && X509_gmtime_adj(X509_getm_notAfter(certificate.get()), kValiditySeconds) != nullptr
        && X509_set_pubkey(certificate.get(), key.get()) == 1
        && X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                      reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0)
            == 1
        && X509_set_issuer_name(certificate.get(), name) == 1
        && X509_sign(certificate.get(), key.get(), EVP_sha256()) > 0;
    if (!made)
        return Error { "cannot make a certificate" };

    auto keyPem = pemOf(writeKey, key.get());
    auto certificatePem = pemOf(writeCertificate, certificate.get());
    if (keyPem.empty() || certificatePem.empty())
        return Error { "cannot encode the certificate" };
    return std::make_pair(std::move(certificatePem), std::move(keyPem));
}

bool keyMatchesCertificate(const QByteArray& certificatePem, const QByteArray& keyPem)
{
    BioPtr certificateBio(
        BIO_new_mem_buf(certificatePem.constData(), static_cast<int>(certificatePem.size())));
    BioPtr keyBio(BIO_new_mem_buf(keyPem.constData(), static_cast<int>(keyPem.size())));
    if (!certificateBio || !keyBio)
        return false;
    X509Ptr certificate(PEM_read_bio_X509(certificateBio.get(), nullptr, nullptr, nullptr));
    KeyPtr key(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
    return certificate && key && X509_check_private_key(certificate.get(), key.get()) == 1;
}

// The identity in the two PEM texts, when both load, belong together and are still valid.
std::optional<TlsIdentity> parseIdentity(const QByteArray& certificatePem, const QByteArray& keyPem)
{
    TlsIdentity identity { QSslCertificate(certificatePem, QSsl::Pem),
                           QSslKey(keyPem, QSsl::Ec, QSsl::Pem, QSsl::PrivateKey) };
    if (identity.certificate.isNull() || identity.privateKey.isNull()
        || identity.certificate.expiryDate() <= QDateTime::currentDateTimeUtc()
        || !keyMatchesCertificate(certificatePem, keyPem)) {
        return std::nullopt;
    }
    return identity;
}

} // namespace

Result<TlsIdentity> loadOrCreateTlsIdentity(const std::filesystem::path& folder,
                                            const IdentityFiles& files)
{
    if (auto problem = preparePrivateFolder(folder))
        return Error { *problem };
    const auto certificatePath = folder / files.certificate;
    const auto keyPath = folder / files.privateKey;

    const auto certificatePem = readFile(certificatePath);
    const auto keyPem = readFile(keyPath);
    if (certificatePem && keyPem) {
        if (auto identity = parseIdentity(*certificatePem, *keyPem)) {
            ::chmod(keyPath.c_str(), S_IRUSR | S_IWUSR); // in case someone loosened it
            return *identity;
        }
    }

    auto made = makeIdentityPem(files.commonName);
    if (!made)
        return Error { made.error() };
    const auto& [newCertificate, newKey] = made.value();
    // The key first: a certificate without its key is never left behind as the newer file.
    if (auto problem = writeFileAtomically(keyPath, newKey, S_IRUSR | S_IWUSR))
        return Error { *problem };
    if (auto problem = writeFileAtomically(certificatePath, newCertificate,
                                           S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH))
        return Error { *problem };
    auto identity = parseIdentity(QByteArray::fromStdString(newCertificate),
                                  QByteArray::fromStdString(newKey));
    if (!identity)
        return Error { "the new certificate does not load" };
    return *identity;
}

std::string certificateFingerprint(const QSslCertificate& certificate)
{
    const auto digest = certificate.digest(QCryptographicHash::Sha256).toHex().toUpper();
    std::string text;
    for (qsizetype i = 0; i < digest.size(); i += 2) {
        if (!text.empty())
            text += ':';
        text.append(digest.constData() + i, 2);
    }
    return text;
}

std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               const std::string& bytes, mode_t mode)
{
    const auto temporary = path.string() + ".new";
    ::unlink(temporary.c_str());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        return "cannot create " + temporary;
    ::fchmod(fd, mode); // the umask may have taken bits the mode asked for; never adds any
    std::size_t written = 0;
    while (written < bytes.size()) {
        const auto n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n <= 0) {
            ::close(fd);
            ::unlink(temporary.c_str());
            return "cannot write " + temporary;
        }
        written += static_cast<std::size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return "cannot replace " + path.string();
    }
    const int folder = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return std::nullopt;
}

std::string certificateSha256(const QSslCertificate& certificate)
{
    if (certificate.isNull())
        return {};
    return certificate.digest(QCryptographicHash::Sha256).toHex().toStdString();
}

std::string verificationCode(std::string_view receiverFingerprint,
                             std::string_view controllerFingerprint)
{
    const auto raw = [](std::string_view hex) -> std::optional<QByteArray> {
        const bool isHex = hex.size() == kFingerprintHexDigits
            && std::all_of(hex.begin(), hex.end(),
                           [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
        if (!isHex)
            return std::nullopt;
        return QByteArray::fromHex(QByteArray(hex.data(), static_cast<qsizetype>(hex.size())));
    };
    const auto receiver = raw(receiverFingerprint);
    const auto controller = raw(controllerFingerprint);
    if (!receiver || !controller)
        return {};
    const auto digest
        = QCryptographicHash::hash(*receiver + *controller, QCryptographicHash::Sha256);
    std::uint32_t head = 0;
    for (int i = 0; i < 4; ++i)
        head = (head << 8U) | static_cast<std::uint8_t>(digest[i]);
    auto code = std::to_string(head % kCodeModulus);
    return std::string(6 - code.size(), '0') + code;
}

} // namespace kavora
