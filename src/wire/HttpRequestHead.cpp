// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "wire/HttpRequestHead.h"

#include <algorithm>
#include <cctype>

namespace kavora {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kHeadEnd = "\r\n\r\n";

// The characters of an RFC 9110 token (methods, field names).
bool isTokenChar(unsigned char c)
{
    return std::isalnum(c) != 0
        || std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

bool isToken(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return isTokenChar(static_cast<unsigned char>(c));
    });
}

// Field values may hold visible characters, spaces, tabs and bytes of UTF-8 (obs-text), no
// controls.
bool isFieldValue(std::string_view text)
{
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t') || byte == 0x7F;
    });
}

std::string lowerCase(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

HttpHeadParse refuse(HttpHeadParse::Status status, std::string problem)
{
    HttpHeadParse result;
    result.status = status;
    result.problem = std::move(problem);
    return result;
}

bool parseRequestLine(std::string_view line, HttpRequestHead& head)
{
    const auto firstSpace = line.find(' ');
    const auto lastSpace = line.rfind(' ');
    if (firstSpace == std::string_view::npos || lastSpace == firstSpace)
        return false;
    const auto method = line.substr(0, firstSpace);
    const auto target = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    const auto version = line.substr(lastSpace + 1);
    if (!isToken(method) || target.empty() || target.find(' ') != std::string_view::npos)
        return false;
    if (std::any_of(target.begin(), target.end(),
                    [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }))
        return false;
    if (version != "HTTP/1.1" && version != "HTTP/1.0")
        return false;
    head.method = method;
    head.target = target;
    head.minorVersion = version.back() - '0';
    return true;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const auto lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower >= 'a' && lower <= 'f')
        return lower - 'a' + 10;
    return -1;
}

bool isHostNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-';
}

bool isIpv6Char(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
}

// A port as written after a host: 1 to 65535 in at most five digits.
bool isPort(std::string_view text)
{
    if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        }))
        return false;
    const auto value = std::stoi(std::string(text));
    return value >= 1 && value <= 0xFFFF;
}

// Splits a Host field into its host and port ("" when it names none), or nothing when the host
// is not a plain name or address: no user information, path, zone or other characters that could
// point the redirect elsewhere or break the header it is written into.
std::optional<std::pair<std::string_view, std::string_view>> splitHost(std::string_view field)
{
    constexpr std::size_t kMaxHostField = 261; // a 253-character name and ":65535"
    if (field.empty() || field.size() > kMaxHostField)
        return std::nullopt;
    std::string_view host;
    std::string_view rest;
    if (field.front() == '[') {
        const auto close = field.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        const auto inside = field.substr(1, close - 1);
        if (inside.find(':') == std::string_view::npos
            || !std::all_of(inside.begin(), inside.end(), isIpv6Char))
            return std::nullopt;
        host = field.substr(0, close + 1);
        rest = field.substr(close + 1);
    } else {
        const auto colon = field.find(':');
        host = field.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : field.substr(colon);
        if (host.empty() || host.front() == '.' || host.front() == '-'
            || !std::all_of(host.begin(), host.end(), isHostNameChar))
            return std::nullopt;
    }
    if (rest.empty())
        return std::pair { host, std::string_view() };
    if (rest.front() != ':' || !isPort(rest.substr(1)))
        return std::nullopt;
    return std::pair { host, rest.substr(1) };
}

} // namespace

std::optional<std::string> HttpRequestHead::field(std::string_view lowerCaseName) const
{
    std::optional<std::string> value;
    for (const auto& [name, text] : fields) {
        if (name != lowerCaseName)
            continue;
        value = value ? *value + ", " + text : text;
    }
    return value;
}

bool HttpRequestHead::fieldHasToken(std::string_view lowerCaseName, std::string_view token) const
{
    const auto value = field(lowerCaseName);
    if (!value)
        return false;
    const auto wanted = lowerCase(token);
    std::string_view rest = *value;
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        if (lowerCase(trimmed(rest.substr(0, comma))) == wanted)
            return true;
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return false;
}

bool HttpRequestHead::keepsAlive() const
{
    if (fieldHasToken("connection", "close"))
        return false;
    return minorVersion == 1 || fieldHasToken("connection", "keep-alive");
}

int HttpHeadParse::httpStatus() const
{
    switch (status) {
    case Status::NeedMore:
    case Status::Complete:
        return 200;
    case Status::Bad:
        return 400;
    case Status::TooLarge:
        return 431;
    case Status::BodyNotAllowed:
        return 413;
    }
    return 400;
}

HttpHeadParse parseHttpRequestHead(std::string_view bytes, std::size_t maxHeadBytes)
{
    const auto end = bytes.find(kHeadEnd);
    if (end == std::string_view::npos || end + kHeadEnd.size() > maxHeadBytes) {
        if (end != std::string_view::npos || bytes.size() >= maxHeadBytes)
            return refuse(HttpHeadParse::Status::TooLarge, "the request head is too large");
        // A bare LF or CR is refused as soon as it is seen, not when the head is complete.
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const bool bareLf = bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r');
            const bool bareCr = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] != '\n';
            if (bareLf || bareCr)
                return refuse(HttpHeadParse::Status::Bad, "a line does not end with CR LF");
        }
        return {};
    }

    HttpHeadParse result;
    auto& head = result.head;
    const auto text = bytes.substr(0, end + kLineEnd.size()); // every line with its CR LF
    std::size_t lineStart = 0;
    bool firstLine = true;
    while (lineStart < text.size()) {
        const auto lineEnd = text.find(kLineEnd, lineStart);
        const auto line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + kLineEnd.size();
        if (line.find_first_of("\r\n") != std::string_view::npos)
            return refuse(HttpHeadParse::Status::Bad, "a line does not end with CR LF");
        if (firstLine) {
            firstLine = false;
            if (!parseRequestLine(line, head))
                return refuse(HttpHeadParse::Status::Bad, "malformed request line");
            continue;
        }
        if (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            return refuse(HttpHeadParse::Status::Bad, "folded header line");
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || !isToken(line.substr(0, colon)))
            return refuse(HttpHeadParse::Status::Bad, "malformed header field");
        const auto value = trimmed(line.substr(colon + 1));
        if (!isFieldValue(value))
            return refuse(HttpHeadParse::Status::Bad, "control character in a header field");
        head.fields.emplace_back(lowerCase(line.substr(0, colon)), std::string(value));
    }

    const auto hosts = std::count_if(head.fields.begin(), head.fields.end(),
                                     [](const auto& field) { return field.first == "host"; });
    if (hosts > 1 || (hosts == 0 && head.minorVersion == 1))
        return refuse(HttpHeadParse::Status::Bad, "missing or repeated Host");
    if (head.field("transfer-encoding"))
        return refuse(HttpHeadParse::Status::BodyNotAllowed, "requests carry no body");
    if (const auto length = head.field("content-length"); length && *length != "0")
        return refuse(HttpHeadParse::Status::BodyNotAllowed, "requests carry no body");

    result.status = HttpHeadParse::Status::Complete;
    result.consumed = end + kHeadEnd.size();
    return result;
}

std::optional<std::string> requestPath(std::string_view target)
{
    if (target.empty() || target.front() != '/' || target.find('#') != std::string_view::npos)
        return std::nullopt;
    const auto path = target.substr(0, target.find('?'));
    std::string decoded;
    decoded.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '%') {
            decoded.push_back(path[i]);
            continue;
        }
        if (i + 2 >= path.size())
            return std::nullopt;
        const int high = hexDigit(path[i + 1]);
        const int low = hexDigit(path[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return decoded;
}

std::string httpsRedirectLocation(const HttpRequestHead& head, std::string_view ownHost,
                                  std::uint16_t ownPort)
{
    const auto field = head.field("host");
    const auto given = field ? splitHost(*field) : std::nullopt;
    std::string location = "https://";
    location += given ? given->first : ownHost;
    std::string port
        = given && !given->second.empty() ? std::string(given->second) : std::to_string(ownPort);
    if (port != "443")
        location += ":" + port;

    if (head.target.empty() || head.target.front() != '/') {
        location += '/';
        return location;
    }
    constexpr std::string_view kHex = "0123456789ABCDEF";
    for (const char c : head.target) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F) {
            location += c;
            continue;
        }
        location += '%';
        location += kHex[byte >> 4U];
        location += kHex[byte & 0x0FU];
    }
    return location;
}

std::string_view httpReasonPhrase(int status)
{
    switch (status) {
    case 101:
        return "Switching Protocols";
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 413:
        return "Content Too Large";
    case 426:
        return "Upgrade Required";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Error";
    }
}

} // namespace kavora
