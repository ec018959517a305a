#pragma once

#include "core/Result.h"

#include <QSslCertificate>
#include <QSslKey>

#include <filesystem>

namespace kavora {

// The receiver's TLS identity: a self-signed certificate over an EC P-256 key.
struct TlsIdentity {
    QSslCertificate certificate;
    QSslKey privateKey;
};

inline constexpr const char* kCertificateFileName = "receiver-certificate.pem";
inline constexpr const char* kPrivateKeyFileName = "receiver-key.pem";

// Loads the receiver's identity from the folder, or makes a new one there when it is missing or
// unreadable, so that controllers see the same certificate on every run. The folder is made
// private to the user (0700) and the key file is written 0600, atomically.
Result<TlsIdentity> loadOrCreateTlsIdentity(const std::filesystem::path& folder);

// SHA-256 of the certificate's DER form as upper-case hex pairs joined by ':', the form shown to
// users who compare it with what a controller reports.
std::string certificateFingerprint(const QSslCertificate& certificate);

} // namespace kavora
