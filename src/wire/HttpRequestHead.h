// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavora {

// The head of one HTTP/1.x request as the browser controller's server reads it: the request line
// and the header fields, up to the empty line. Bodies are not taken: the server serves files and
// upgrades to a WebSocket, and neither needs one.
struct HttpRequestHead {
    std::string method;
    std::string target; // as sent, e.g. "/app.js?v=2"
    int minorVersion = 1; // HTTP/1.0 or HTTP/1.1
    // Field names in lower case, values without the white space around them, in arrival order.
    std::vector<std::pair<std::string, std::string>> fields;

    // The value of the field, or nothing; a field sent more than once reads as its values joined
    // by ", " (which is what the grammar of the lists among them allows).
    std::optional<std::string> field(std::string_view lowerCaseName) const;
    // Whether the comma-separated list field holds this token, compared case-insensitively.
    bool fieldHasToken(std::string_view lowerCaseName, std::string_view token) const;
    // The connection stays open for another request after the answer.
    bool keepsAlive() const;
};

// What parseHttpRequestHead made of the bytes received so far. A status other than Complete and
// NeedMore is the HTTP status code the server answers with before it closes the connection.
struct HttpHeadParse {
    enum class Status { NeedMore, Complete, Bad, TooLarge, BodyNotAllowed };
    Status status = Status::NeedMore;
    HttpRequestHead head; // when Complete
    std::size_t consumed = 0; // bytes of the head, its empty line included, when Complete
    std::string problem; // why, when refused

    int httpStatus() const;
};

// Reads the request head at the start of bytes. A head, its empty line included, longer than
// maxHeadBytes is TooLarge as soon as that many bytes have arrived without its end. Lines end
// with CR LF; a bare LF or CR, folded lines, control characters, a field name that is not a token
// and a missing or repeated Host (HTTP/1.1) are Bad. A body announced by Content-Length other than
// 0 or by Transfer-Encoding is BodyNotAllowed.
HttpHeadParse parseHttpRequestHead(std::string_view bytes, std::size_t maxHeadBytes);

// The file a request target names among the page's files: the path, percent-decoded, without the
// query. Nothing for a target in another form (absolute "http://...", "*", authority) or with a
// malformed escape or a fragment; the caller answers 400. Any path that comes out is looked up as
// it is, so "/../", "%2e%2e" and the like simply name no file (404).
std::optional<std::string> requestPath(std::string_view target);

// Where a request that came over plain HTTP is sent: "https://", the request's Host and its target.
// The Host is taken only when it is a host name, an IPv4 address or a bracketed IPv6 address, with
// at most a port after it; without a port it gets ownPort (the port it was sent to, not 80).
// Anything else, or no Host, is replaced by ownHost (an IPv6 address in brackets) and ownPort. A
// target that is not a path becomes "/"; bytes outside visible ASCII in it are percent-encoded.
// Port 443 is left out as the scheme's own.
std::string httpsRedirectLocation(const HttpRequestHead& head, std::string_view ownHost,
                                  std::uint16_t ownPort);

// The reason phrase of the status codes the server sends.
std::string_view httpReasonPhrase(int status);

} // namespace kavora
