#include "service/http/request_parser.h"

#include <vector>

#include "service/http/text.h"

namespace httpd {

namespace {

// RFC 9110 token characters: method and header names.
bool IsTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!IsTokenChar(c)) return false;
    }
    return true;
}

// Targets are visible ASCII only: no space, no control, no byte above 0x7E.
bool IsVisibleAscii(std::string_view text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F) return false;
    }
    return true;
}

// Header values may hold tabs and obs-text (bytes >= 0x80), but no other controls.
bool IsFieldValue(std::string_view text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F) return false;
    }
    return true;
}

// Lines end at LF; a CR before it belongs to the line break. A bare CR inside a
// line is left in place and later refused as a control character.
std::vector<std::string_view> SplitLines(std::string_view head) {
    std::vector<std::string_view> lines;
    while (!head.empty()) {
        const std::size_t lf = head.find('\n');
        std::string_view line = head.substr(0, lf);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (lf == std::string_view::npos) break;
        head.remove_prefix(lf + 1);
    }
    return lines;
}

bool ParseRequestLine(std::string_view line, const Limits& limits, Request& request) {
    if (line.size() > limits.maxRequestLine) return false;
    const std::size_t firstSpace = line.find(' ');
    const std::size_t lastSpace = line.rfind(' ');
    if (firstSpace == std::string_view::npos || firstSpace == lastSpace) return false;
    request.method = std::string(line.substr(0, firstSpace));
    request.target = std::string(line.substr(firstSpace + 1, lastSpace - firstSpace - 1));
    request.version = std::string(line.substr(lastSpace + 1));
    if (!IsToken(request.method)) return false;
    if (request.version != "HTTP/1.1" && request.version != "HTTP/1.0") return false;
    const std::optional<ParsedTarget> target = ParseTarget(request.target);
    if (!target) return false;
    request.authority = target->authority;
    request.path = target->path;
    request.query = target->query;
    return true;
}

bool ParseContentLength(std::string_view text, std::size_t limit, std::size_t& length) {
    if (text.empty() || text.size() > 12) return false;
    std::size_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    if (value > limit) return false;
    length = value;
    return true;
}

bool ParseHeaderLine(std::string_view line, Request& request) {
    // A line starting with white space would continue the previous one
    // (obsolete line folding): refused rather than guessed at.
    if (line.front() == ' ' || line.front() == '\t') return false;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view name = line.substr(0, colon);
    const std::string_view value = TrimBlanks(line.substr(colon + 1));
    if (!IsToken(name) || !IsFieldValue(value)) return false;
    request.headers.push_back({std::string(name), std::string(value)});
    return true;
}

// Bodies are only taken with a Content-Length; chunked or other codings are
// refused, and so are conflicting lengths (a classic smuggling vector).
bool CheckBodyHeaders(const Request& request, const Limits& limits, std::size_t& contentLength) {
    contentLength = 0;
    bool seen = false;
    for (const Header& header : request.headers) {
        if (EqualsNoCase(header.name, "Transfer-Encoding")) return false;
        if (!EqualsNoCase(header.name, "Content-Length")) continue;
        std::size_t length = 0;
        if (!ParseContentLength(header.value, limits.maxBodyBytes, length)) return false;
        if (seen && length != contentLength) return false;
        contentLength = length;
        seen = true;
    }
    return true;
}

}  // namespace

std::optional<ParsedTarget> ParseTarget(std::string_view target) {
    if (target.empty() || !IsVisibleAscii(target)) return std::nullopt;
    target = target.substr(0, target.find('#'));
    ParsedTarget parsed;
    constexpr std::string_view kScheme = "http://";
    if (target.size() >= kScheme.size() && EqualsNoCase(target.substr(0, kScheme.size()), kScheme)) {
        target.remove_prefix(kScheme.size());
        const std::size_t authorityEnd = target.find_first_of("/?");
        parsed.authority = std::string(target.substr(0, authorityEnd));
        if (parsed.authority.empty() || parsed.authority.find('@') != std::string::npos) return std::nullopt;
        target = authorityEnd == std::string_view::npos ? std::string_view() : target.substr(authorityEnd);
    } else if (target.front() != '/') {
        return std::nullopt;
    }
    const std::size_t question = target.find('?');
    parsed.path = std::string(target.substr(0, question));
    if (parsed.path.empty()) parsed.path.push_back('/');
    if (parsed.path.front() != '/') return std::nullopt;
    if (question != std::string_view::npos) parsed.query = std::string(target.substr(question + 1));
    return parsed;
}

std::size_t FindHeadEnd(std::string_view bytes) {
    for (std::size_t lf = bytes.find('\n'); lf != std::string_view::npos; lf = bytes.find('\n', lf + 1)) {
        if (lf + 1 < bytes.size() && bytes[lf + 1] == '\n') return lf + 2;
        if (lf + 2 < bytes.size() && bytes[lf + 1] == '\r' && bytes[lf + 2] == '\n') return lf + 3;
    }
    return std::string_view::npos;
}

std::optional<Request> ParseRequestHead(std::string_view head, const Limits& limits, std::size_t& contentLength) {
    contentLength = 0;
    if (head.size() > limits.maxHeadBytes) return std::nullopt;
    const std::vector<std::string_view> lines = SplitLines(head);
    if (lines.empty()) return std::nullopt;
    Request request;
    if (!ParseRequestLine(lines.front(), limits, request)) return std::nullopt;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;  // the blank line itself, when passed along
        if (request.headers.size() >= limits.maxHeaderCount) return std::nullopt;
        if (!ParseHeaderLine(lines[i], request)) return std::nullopt;
    }
    if (!CheckBodyHeaders(request, limits, contentLength)) return std::nullopt;
    return request;
}

std::string PrintableRequestLine(std::string_view bytes, std::size_t maxBytes) {
    std::string_view line = bytes.substr(0, bytes.find('\n'));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string printable;
    for (char c : line.substr(0, maxBytes)) {
        const auto u = static_cast<unsigned char>(c);
        printable.push_back(u >= 0x20 && u < 0x7F ? c : '?');
    }
    if (line.size() > maxBytes) printable += "...";
    return printable;
}

}  // namespace httpd
