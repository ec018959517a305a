// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

/* The floor the receiver is measured against: the least a program can do to take the same
 * messages over the same link and post the same input. It speaks the link as a controller
 * meets it (TCP, TLS 1.3 with a self-signed P-256 certificate, length-prefixed frames, the
 * invitation answered), looks at each frame only as far as it must, and posts through XTest at
 * once: a delta moves the pointer relatively (no smoothing, no frame timer), a click presses or
 * releases the button, a keyDown of Return presses and releases the key, a heartbeat is echoed.
 * Everything else is dropped. One controller at a time, one thread, blocking TLS.
 *
 * Usage: floor_receiver [--listen ADDRESS] [--port N]; prints "floor: listening on port N". */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

enum { kMaxFrame = 1 << 20 };

static SSL_CTX* makeContext(void)
{
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* certificate = X509_new();
    if (!context || !key || !certificate)
        return NULL;
    SSL_CTX_set_min_proto_version(context, TLS1_3_VERSION);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate), 0);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 86400L);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, (const unsigned char*)"floor", -1, -1, 0);
    X509_set_issuer_name(certificate, name);
    if (!X509_sign(certificate, key, EVP_sha256()) || !SSL_CTX_use_certificate(context, certificate)
        || !SSL_CTX_use_PrivateKey(context, key))
        return NULL;
    X509_free(certificate);
    EVP_PKEY_free(key);
    return context;
}

static int readAll(SSL* ssl, unsigned char* into, size_t length)
{
    size_t done = 0;
    while (done < length) {
        const int got = SSL_read(ssl, into + done, (int)(length - done));
        if (got <= 0)
            return 0;
        done += (size_t)got;
    }
    return 1;
}

static int sendFrame(SSL* ssl, const char* payload)
{
    const size_t length = strlen(payload);
    unsigned char frame[256];
    if (length + 4 > sizeof frame)
        return 0;
    frame[0] = (unsigned char)(length >> 24);
    frame[1] = (unsigned char)(length >> 16);
    frame[2] = (unsigned char)(length >> 8);
    frame[3] = (unsigned char)length;
    memcpy(frame + 4, payload, length);
    return SSL_write(ssl, frame, (int)(length + 4)) > 0;
}

static int startsWith(const char* text, const char* prefix)
{
    return strncmp(text, prefix, strlen(prefix)) == 0;
}

static double numberAfter(const char* text, const char* key)
{
    const char* at = strstr(text, key);
    return at ? strtod(at + strlen(key), NULL) : 0;
}

static void handle(Display* display, SSL* ssl, const char* message)
{
    static double carryX;
    static double carryY;
    if (startsWith(message, "{\"mouseDelta\"")) {
        carryX += numberAfter(message, "\"dx\":");
        carryY += numberAfter(message, "\"dy\":");
        const int dx = (int)carryX;
        const int dy = (int)carryY;
        carryX -= dx;
        carryY -= dy;
        XTestFakeRelativeMotionEvent(display, dx, dy, CurrentTime);
    } else if (startsWith(message, "{\"leftClickDown\"")) {
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
    } else if (startsWith(message, "{\"leftClickUp\"")) {
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
    } else if (startsWith(message, "{\"rightClickDown\"")) {
        XTestFakeButtonEvent(display, 3, True, CurrentTime);
    } else if (startsWith(message, "{\"rightClickUp\"")) {
        XTestFakeButtonEvent(display, 3, False, CurrentTime);
    } else if (startsWith(message, "{\"keyDown\"")) {
        /* Only the Return key (usage 0x28) is known here. */
        if ((int)numberAfter(message, "\"keyCode\":") != 0x28)
            return;
        static KeyCode keycode;
        if (!keycode)
            keycode = XKeysymToKeycode(display, XK_Return);
        XTestFakeKeyEvent(display, keycode, True, CurrentTime);
        XTestFakeKeyEvent(display, keycode, False, CurrentTime);
    } else if (startsWith(message, "{\"heartbeat\"")) {
        sendFrame(ssl, "{\"heartbeat\":{}}");
        return;
    } else {
        return;
    }
    XFlush(display);
}

static void serve(Display* display, SSL* ssl)
{
    static unsigned char payload[kMaxFrame + 1];
    int invited = 0;
    for (;;) {
        unsigned char header[4];
        if (!readAll(ssl, header, sizeof header))
            return;
        const uint32_t length = ((uint32_t)header[0] << 24) | ((uint32_t)header[1] << 16)
            | ((uint32_t)header[2] << 8) | header[3];
        if (length == 0 || length > kMaxFrame || !readAll(ssl, payload, length))
            return;
        payload[length] = 0;
        if (!invited) {
            if (!startsWith((const char*)payload, "{\"invitation\""))
                return;
            invited = sendFrame(ssl, "{\"invitationAnswer\":{\"accepted\":true}}");
            continue;
        }
        handle(display, ssl, (const char*)payload);
    }
}

int main(int argc, char** argv)
{
    const char* address = "127.0.0.1";
    int port = 0;
    for (int i = 1; i + 1 < argc; ++i) {
        if (strcmp(argv[i], "--listen") == 0)
            address = argv[++i];
        else if (strcmp(argv[i], "--port") == 0)
            port = atoi(argv[++i]);
    }
    signal(SIGPIPE, SIG_IGN);
    Display* display = XOpenDisplay(NULL);
    int eventBase, errorBase, major, minor;
    if (!display || !XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        fputs("floor: no X display with XTEST\n", stderr);
        return 1;
    }
    SSL_CTX* context = makeContext();
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in local = { .sin_family = AF_INET, .sin_port = htons((uint16_t)port) };
    const int one = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (!context || inet_pton(AF_INET, address, &local.sin_addr) != 1
        || bind(listener, (struct sockaddr*)&local, sizeof local) != 0
        || listen(listener, 4) != 0) {
        fputs("floor: cannot listen\n", stderr);
        return 1;
    }
    socklen_t size = sizeof local;
    getsockname(listener, (struct sockaddr*)&local, &size);
    printf("floor: listening on port %u\n", (unsigned)ntohs(local.sin_port));
    fflush(stdout);
    for (;;) {
        const int connection = accept4(listener, NULL, NULL, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        SSL* ssl = SSL_new(context);
        SSL_set_fd(ssl, connection);
        if (SSL_accept(ssl) == 1)
            serve(display, ssl);
        SSL_shutdown(ssl);
        SSL_free(ssl);
        close(connection);
    }
}
