#pragma once
// Parsing of a request head (request line and header lines) once it has been
// read whole. Pure functions over text: no sockets, easy to test.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "service/http/http_message.h"

namespace httpd {

struct ParsedTarget {
    std::string authority;  // empty for origin form
    std::string path;
    std::string query;
};

// Splits an origin-form ("/p?q") or absolute-form ("http://host:port/p?q")
// target. Anything else ("*", authority form, other schemes, user info, spaces
// or control characters) gives nullopt. A fragment is dropped.
std::optional<ParsedTarget> ParseTarget(std::string_view target);

// Position just after the blank line that ends the head ("\r\n\r\n" or "\n\n"),
// or npos while it has not arrived.
std::size_t FindHeadEnd(std::string_view bytes);

// Parses the head (everything before the blank line). nullopt for anything
// malformed or beyond the limits. The body is not touched; `contentLength` gets
// the declared body size (0 when none).
std::optional<Request> ParseRequestHead(std::string_view head, const Limits& limits, std::size_t& contentLength);

// The first line of raw request bytes, at most `maxBytes` long, every control or
// non-ASCII byte shown as "?": safe to write to a log.
std::string PrintableRequestLine(std::string_view bytes, std::size_t maxBytes);

}  // namespace httpd
