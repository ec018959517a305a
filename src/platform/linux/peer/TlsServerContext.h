// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Result.h"

#include <QSslCertificate>
#include <QSslKey>

#include <memory>
#include <string>

#include <openssl/types.h>

namespace kavora {

struct FreeServerContext {
    void operator()(SSL_CTX* context) const;
};
using ServerContext = std::unique_ptr<SSL_CTX, FreeServerContext>;

// The OpenSSL settings of the link's listener for the receiver's identity: TLS 1.3 only, no
// renegotiation, no session tickets or resumption (every connection shows its certificate), and
// a client certificate required. Any certificate is taken, self-signed ones too: its
// fingerprint is who the controller is, and whether it is trusted is decided after the
// invitation. Records are read ahead, so that one read takes a whole frame.
Result<ServerContext> makeServerContext(const QSslCertificate& certificate, const QSslKey& key);

// The first error in OpenSSL's error queue as text (empty when there is none), with the queue
// emptied.
std::string takeOpenSslError();

} // namespace kavora
