// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Result.h"

#include <QSslCertificate>
#include <QSslKey>

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kavora {

// A TLS identity of either end of the link: a self-signed certificate over an EC P-256 key. Who
// a peer is is the fingerprint of its certificate, not a certificate authority.
struct TlsIdentity {
    QSslCertificate certificate;
    QSslKey privateKey;
};

// The files of one identity in its folder, and the common name of a certificate made new.
struct IdentityFiles {
    const char* certificate;
    const char* privateKey;
    const char* commonName;
};

inline constexpr IdentityFiles kReceiverIdentityFiles { "receiver-certificate.pem",
                                                        "receiver-key.pem", "Kavora receiver" };
inline constexpr IdentityFiles kControllerIdentityFiles { "controller-certificate.pem",
                                                          "controller-key.pem",
                                                          "Kavora controller" };
inline constexpr const char* kCertificateFileName = kReceiverIdentityFiles.certificate;
inline constexpr const char* kPrivateKeyFileName = kReceiverIdentityFiles.privateKey;

// Loads the identity from the folder, or makes a new one there when it is missing or unreadable,
// so that the other end sees the same certificate on every run. The folder is made private to
// the user (0700) and the key file is written 0600, atomically.
Result<TlsIdentity> loadOrCreateTlsIdentity(const std::filesystem::path& folder,
                                            const IdentityFiles& files = kReceiverIdentityFiles);

// Writes the file through a temporary one that has the final mode from its creation, syncs it,
// renames it over the old one and syncs the folder, so a crash leaves the old or the new file.
// Returns what went wrong, or nothing.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               const std::string& bytes, mode_t mode);

// SHA-256 of the certificate's DER form as 64 lower-case hex digits: the identity of a peer on
// the link. Empty for a null certificate.
std::string certificateSha256(const QSslCertificate& certificate);

// The six digits both ends show so that the user can compare them: SHA-256 over the receiver's
// fingerprint and then the controller's, each as its 32 raw bytes; the first four bytes of the
// digest, big-endian, modulo 1,000,000, written with leading zeros. Empty when either is not a
// fingerprint (64 hex digits).
std::string verificationCode(std::string_view receiverFingerprint,
                             std::string_view controllerFingerprint);

// SHA-256 of the certificate's DER form as upper-case hex pairs joined by ':', the form shown to
// users who compare it with what a controller reports.
std::string certificateFingerprint(const QSslCertificate& certificate);

} // namespace kavora
