// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/TlsServerContext.h"

#include <array>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace kavora {

namespace {

std::string openSslProblem(const char* what)
{
    const auto error = takeOpenSslError();
    return error.empty() ? std::string(what) : std::string(what) + ": " + error;
}

int acceptAnyCertificate(int /*preverified*/, X509_STORE_CTX* /*store*/)
{
    return 1;
}

} // namespace

std::string takeOpenSslError()
{
    std::string text;
    if (const auto code = ERR_get_error(); code != 0) {
        std::array<char, 256> buffer {};
        ERR_error_string_n(code, buffer.data(), buffer.size());
        text = buffer.data();
    }
    ERR_clear_error();
    return text;
}

void FreeServerContext::operator()(SSL_CTX* context) const
{
    SSL_CTX_free(context);
}

Result<ServerContext> makeServerContext(const QSslCertificate& certificate, const QSslKey& key)
{
    ServerContext context(SSL_CTX_new(TLS_server_method()));
    if (!context)
        return Error { openSslProblem("cannot make a TLS context") };
    auto* raw = context.get();
    SSL_CTX_set_min_proto_version(raw, TLS1_3_VERSION);
    SSL_CTX_set_options(raw,
                        SSL_OP_NO_RENEGOTIATION | SSL_OP_NO_TICKET | SSL_OP_NO_COMPRESSION
                            | SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_num_tickets(raw, 0);
    SSL_CTX_set_session_cache_mode(raw, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_mode(raw, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_read_ahead(raw, 1);
    SSL_CTX_set_verify(raw, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT,
                       acceptAnyCertificate);

    const auto der = certificate.toDer();
    const auto* derBytes = reinterpret_cast<const unsigned char*>(der.constData());
    X509* x509 = d2i_X509(nullptr, &derBytes, der.size());
    const bool certificateTaken = x509 != nullptr && SSL_CTX_use_certificate(raw, x509) == 1;
    X509_free(x509);
    if (!certificateTaken)
        return Error { openSslProblem("the receiver's certificate does not load") };

    const auto pem = key.toPem();
    BIO* memory = BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size()));
    EVP_PKEY* privateKey
        = memory != nullptr ? PEM_read_bio_PrivateKey(memory, nullptr, nullptr, nullptr) : nullptr;
    BIO_free(memory);
    const bool keyTaken = privateKey != nullptr && SSL_CTX_use_PrivateKey(raw, privateKey) == 1
        && SSL_CTX_check_private_key(raw) == 1;
    EVP_PKEY_free(privateKey);
    if (!keyTaken)
        return Error { openSslProblem("the receiver's key does not load") };
    return context;
}

} // namespace kavora
