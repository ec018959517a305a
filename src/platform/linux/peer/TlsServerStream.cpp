// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/TlsServerStream.h"

#include "platform/linux/peer/TlsServerContext.h"

#include <QMetaObject>

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kavora {

namespace {

bool wouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

// OpenSSL's own socket BIO writes with write(2), which raises SIGPIPE on a connection the peer
// reset; this one sends with MSG_NOSIGNAL and otherwise behaves the same (its control
// operations are the socket BIO's).
int sendToSocket(BIO* bio, const char* data, int size)
{
    BIO_clear_retry_flags(bio);
    const auto sent = ::send(static_cast<int>(BIO_get_fd(bio, nullptr)), data,
                             static_cast<std::size_t>(size), MSG_NOSIGNAL);
    if (sent < 0 && wouldBlock(errno))
        BIO_set_retry_write(bio);
    return static_cast<int>(sent);
}

int receiveFromSocket(BIO* bio, char* data, int size)
{
    BIO_clear_retry_flags(bio);
    const auto received = ::recv(static_cast<int>(BIO_get_fd(bio, nullptr)), data,
                                 static_cast<std::size_t>(size), 0);
    if (received < 0 && wouldBlock(errno))
        BIO_set_retry_read(bio);
    else if (received == 0)
        BIO_set_flags(bio, BIO_FLAGS_IN_EOF); // how the socket BIO tells an end from an error
    return static_cast<int>(received);
}

BIO_METHOD* socketMethod()
{
    static BIO_METHOD* const method = [] {
        const BIO_METHOD* plain = BIO_s_socket();
        auto* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK | BIO_TYPE_DESCRIPTOR,
                                  "kavora socket");
        BIO_meth_set_write(made, sendToSocket);
        BIO_meth_set_read(made, receiveFromSocket);
        BIO_meth_set_ctrl(made, BIO_meth_get_ctrl(plain));
        BIO_meth_set_create(made, BIO_meth_get_create(plain));
        BIO_meth_set_destroy(made, BIO_meth_get_destroy(plain));
        return made;
    }();
    return method;
}

QHostAddress peerAddressOf(int descriptor)
{
    sockaddr_storage address {};
    socklen_t size = sizeof address;
    if (::getpeername(descriptor, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return {};
    return QHostAddress(reinterpret_cast<const sockaddr*>(&address));
}

} // namespace

TlsServerStream::TlsServerStream(int descriptor, SSL_CTX* context, QObject* parent)
    : QObject(parent)
    , descriptor_(descriptor)
    , peerAddress_(peerAddressOf(descriptor))
    , readNotifier_(descriptor, QSocketNotifier::Read)
    , writeNotifier_(descriptor, QSocketNotifier::Write)
{
    writeNotifier_.setEnabled(false);
    ::fcntl(descriptor_, F_SETFL, ::fcntl(descriptor_, F_GETFL) | O_NONBLOCK);
    BIO* bio = BIO_new(socketMethod());
    ssl_ = bio != nullptr ? SSL_new(context) : nullptr;
    if (ssl_ == nullptr) {
        BIO_free(bio);
        ERR_clear_error();
        readNotifier_.setEnabled(false);
        ::close(descriptor_);
        state_ = State::Closed;
        return;
    }
    BIO_set_fd(bio, descriptor_, BIO_NOCLOSE);
    SSL_set_bio(ssl_, bio, bio);
    SSL_set_accept_state(ssl_);
    connect(&readNotifier_, &QSocketNotifier::activated, this, &TlsServerStream::socketReadable);
    connect(&writeNotifier_, &QSocketNotifier::activated, this, &TlsServerStream::socketWritable);
}

TlsServerStream::~TlsServerStream()
{
    onEncrypted = nullptr;
    onEnded = nullptr;
    abort();
    SSL_free(ssl_);
}

void TlsServerStream::startReading(std::function<void()> readable)
{
    readable_ = std::move(readable);
    drained_ = false;
    if (state_ != State::Closed)
        readNotifier_.setEnabled(true);
}

std::size_t TlsServerStream::read(char* into, std::size_t size)
{
    if (endAfterRead_) {
        // The bytes before the end were taken; now the end.
        auto reason = std::move(*endAfterRead_);
        endAfterRead_.reset();
        end(reason);
        return 0;
    }
    if (drained_ || state_ == State::Handshaking || state_ == State::Closed)
        return 0;
    // Record after record while OpenSSL holds more, so that a burst of small frames is taken in
    // one piece; with nothing more buffered, the socket is asked again only when it says it has
    // something.
    std::size_t total = 0;
    while (total < size) {
        ERR_clear_error();
        std::size_t read = 0;
        const int result = SSL_read_ex(ssl_, into + total, size - total, &read);
        if (result == 1) {
            total += read;
            if (SSL_has_pending(ssl_) == 0) {
                drained_ = true;
                break;
            }
            continue;
        }
        const int savedErrno = errno;
        drained_ = true;
        switch (SSL_get_error(ssl_, result)) {
        case SSL_ERROR_WANT_READ:
            break;
        case SSL_ERROR_WANT_WRITE: // an answer to the peer's key update waits for room
            writeNotifier_.setEnabled(true);
            break;
        case SSL_ERROR_ZERO_RETURN:
            ERR_clear_error();
            endAfterRead_ = std::string();
            break;
        default: {
            auto reason = problem(result, savedErrno);
            // Once this end has said its last word, however the peer ends is an orderly end.
            endAfterRead_ = state_ == State::ShutDown ? std::string() : std::move(reason);
            break;
        }
        }
        break;
    }
    if (total == 0 && endAfterRead_)
        return read(into, size);
    return total;
}

std::size_t TlsServerStream::write(std::string_view bytes)
{
    if (state_ != State::Open || failing_)
        return outgoing_.size() - outgoingOffset_;
    // What a slow reader took so far goes, so the buffer stays near what waits.
    if (outgoingOffset_ != 0 && outgoingOffset_ >= outgoing_.size() / 2) {
        outgoing_.erase(0, outgoingOffset_);
        outgoingOffset_ = 0;
    }
    outgoing_.append(bytes);
    // Answers to what one read brought go out together once it is handled.
    if (!handlingRead_)
        flush();
    return outgoing_.size() - outgoingOffset_;
}

void TlsServerStream::closeWhenWritten()
{
    if (state_ == State::Handshaking) {
        end({});
        return;
    }
    if (state_ != State::Open)
        return;
    state_ = State::Closing;
    if (outgoingOffset_ == outgoing_.size())
        shutDown();
}

void TlsServerStream::abort()
{
    if (state_ == State::Closed)
        return;
    state_ = State::Closed;
    readNotifier_.setEnabled(false);
    writeNotifier_.setEnabled(false);
    ::close(descriptor_);
    descriptor_ = -1;
    outgoing_.clear();
    outgoingOffset_ = 0;
}

QSslCertificate TlsServerStream::peerCertificate() const
{
    const X509* certificate = ssl_ != nullptr ? SSL_get0_peer_certificate(ssl_) : nullptr;
    if (certificate == nullptr)
        return QSslCertificate();
    unsigned char* der = nullptr;
    const int size = i2d_X509(certificate, &der);
    if (size <= 0) {
        ERR_clear_error();
        return QSslCertificate();
    }
    QSslCertificate result(QByteArray(reinterpret_cast<const char*>(der), size), QSsl::Der);
    OPENSSL_free(der);
    return result;
}

void TlsServerStream::socketReadable()
{
    if (state_ == State::Handshaking) {
        handshake();
        return;
    }
    if (state_ == State::Closed)
        return;
    if (outgoingOffset_ != outgoing_.size())
        flush(); // a write that waited for the peer's bytes
    if (!readable_) {
        // Nobody reads yet: the bytes wait in the socket until startReading().
        readNotifier_.setEnabled(false);
        return;
    }
    drained_ = false;
    handlingRead_ = true;
    if (auto readable = readable_)
        readable();
    handlingRead_ = false;
    // Written once the loop has seen to every other socket, so a burst read in several pieces is
    // answered in one.
    if ((state_ == State::Open || state_ == State::Closing) && outgoingOffset_ != outgoing_.size())
        writeNotifier_.setEnabled(true);
}

void TlsServerStream::socketWritable()
{
    switch (state_) {
    case State::Handshaking:
        handshake();
        return;
    case State::ShutDown:
        shutDown();
        return;
    case State::Open:
    case State::Closing:
        if (outgoingOffset_ != outgoing_.size()) {
            flush();
        } else {
            // A read had to write first (see read()); it may go on now.
            writeNotifier_.setEnabled(false);
            socketReadable();
        }
        return;
    case State::Closed:
        return;
    }
}

void TlsServerStream::handshake()
{
    ERR_clear_error();
    const int result = SSL_do_handshake(ssl_);
    if (result == 1) {
        writeNotifier_.setEnabled(false);
        if (SSL_get0_peer_certificate(ssl_) == nullptr) {
            end("the controller gave no certificate");
            return;
        }
        state_ = State::Open;
        // Until the owner reads, what comes waits in the socket.
        readNotifier_.setEnabled(false);
        if (auto encrypted = onEncrypted)
            encrypted();
        return;
    }
    const int savedErrno = errno;
    switch (SSL_get_error(ssl_, result)) {
    case SSL_ERROR_WANT_READ:
        writeNotifier_.setEnabled(false);
        return;
    case SSL_ERROR_WANT_WRITE:
        writeNotifier_.setEnabled(true);
        return;
    default:
        end("TLS handshake failed: " + problem(result, savedErrno));
        return;
    }
}

void TlsServerStream::flush()
{
    while (outgoingOffset_ < outgoing_.size()) {
        ERR_clear_error();
        std::size_t written = 0;
        const int result = SSL_write_ex(ssl_, outgoing_.data() + outgoingOffset_,
                                        outgoing_.size() - outgoingOffset_, &written);
        if (result == 1) {
            outgoingOffset_ += written;
            continue;
        }
        const int savedErrno = errno;
        switch (SSL_get_error(ssl_, result)) {
        case SSL_ERROR_WANT_WRITE:
            writeNotifier_.setEnabled(true);
            return;
        case SSL_ERROR_WANT_READ:
            return; // retried when the socket is readable
        default:
            endLater(problem(result, savedErrno));
            return;
        }
    }
    outgoing_.clear(); // keeps its capacity for the next answer
    outgoingOffset_ = 0;
    writeNotifier_.setEnabled(false);
    if (state_ == State::Closing)
        shutDown();
}

void TlsServerStream::shutDown()
{
    state_ = State::ShutDown;
    ERR_clear_error();
    const int result = SSL_shutdown(ssl_);
    if (result < 0 && SSL_get_error(ssl_, result) == SSL_ERROR_WANT_WRITE) {
        writeNotifier_.setEnabled(true);
        return;
    }
    ERR_clear_error();
    writeNotifier_.setEnabled(false);
    // The peer sees the end of the stream; its own end (or the owner's deadline) closes ours.
    ::shutdown(descriptor_, SHUT_WR);
    readNotifier_.setEnabled(true);
}

void TlsServerStream::end(const std::string& reason)
{
    if (state_ == State::Closed)
        return;
    abort();
    if (auto ended = std::move(onEnded)) {
        onEnded = nullptr;
        ended(reason);
    }
}

void TlsServerStream::endLater(const std::string& reason)
{
    failing_ = true;
    writeNotifier_.setEnabled(false);
    QMetaObject::invokeMethod(
        this, [this, reason] { end(reason); }, Qt::QueuedConnection);
}

std::string TlsServerStream::problem(int result, int savedErrno)
{
    if (auto text = takeOpenSslError(); !text.empty())
        return text;
    if (result < 0 && savedErrno != 0)
        return std::generic_category().message(savedErrno);
    return "the connection ended";
}

} // namespace kavora
