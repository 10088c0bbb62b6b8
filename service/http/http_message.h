#pragma once
// The request and response of one HTTP/1.x exchange as the server's handler sees
// them, and the limits the request reader enforces.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace httpd {

struct Header {
    std::string name;
    std::string value;
};

// Hard limits of one exchange. A request beyond any size gets a 400, one that
// has not arrived whole in time a 408 (or nothing, when not a byte came); an
// answer not taken in time is cut off.
struct Limits {
    std::size_t maxRequestLine = 8192;  // bytes of the first line, line break excluded
    std::size_t maxHeadBytes = 32768;   // request line and all header lines together
    std::size_t maxHeaderCount = 64;
    std::size_t maxBodyBytes = 65536;  // a Content-Length above this is refused
    int requestTimeoutMs = 5000;       // whole request, from accept to the last body byte
    int answerTimeoutMs = 5000;        // whole answer, from the request to its last byte taken
};

struct Request {
    std::string method;           // as sent, e.g. "GET"
    std::string target;           // as sent: "/p?q" (origin form) or "http://host:port/p?q" (absolute form)
    std::string authority;        // "host:port" of an absolute-form target, empty for origin form
    std::string path;             // "/p": never empty, no query
    std::string query;            // text after the first "?", without it; empty when none
    std::string version;          // "HTTP/1.0" or "HTTP/1.1"
    std::vector<Header> headers;  // in order of arrival, names as sent
    std::string body;

    bool IsAbsoluteForm() const { return !authority.empty(); }
    // First header of that name (ASCII case-blind), or nullptr.
    const std::string* FindHeader(std::string_view name) const;
    // Value of the header, empty when absent.
    std::string HeaderValue(std::string_view name) const;
    // The host the client addressed: the authority of an absolute-form target,
    // otherwise the Host header (empty when neither is there).
    std::string Host() const;
};

struct Response {
    int status = 200;
    // Content-Length and Connection are set by the server; given ones are dropped.
    std::vector<Header> headers;
    std::string body;
    // When set, the body sent in place of `body`: text the handler's owner keeps
    // anyway (a stored page), so an answer waiting on a slow reader holds a
    // reference, not a copy.
    std::shared_ptr<const std::string> sharedBody;

    std::string_view Body() const { return sharedBody ? std::string_view(*sharedBody) : std::string_view(body); }

    // A response with one Content-Type header.
    static Response WithBody(int status, std::string contentType, std::string body);
    // A short plain-text answer whose body is the status line's reason.
    static Response Status(int status);
};

// "OK", "Not Found", ...; "Unknown" for codes this server never uses.
std::string_view ReasonPhrase(int status);

// Status line and headers (with Content-Length and "Connection: close") up to
// the blank line. Header names and values lose any control character, so a
// handler cannot split the response.
std::string SerializeHead(const Response& response);

bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace httpd
