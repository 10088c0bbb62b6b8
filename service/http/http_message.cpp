#include "service/http/http_message.h"

#include <algorithm>

#include "service/http/text.h"

namespace httpd {

namespace {

// Control characters (CR and LF above all) would end the header line early.
std::string CleanHeaderText(std::string_view text) {
    std::string clean;
    clean.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F) clean.push_back(c);
    }
    return clean;
}

bool IsServerHeader(std::string_view name) {
    return EqualsNoCase(name, "Content-Length") || EqualsNoCase(name, "Connection") ||
           EqualsNoCase(name, "Transfer-Encoding");
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

const std::string* Request::FindHeader(std::string_view name) const {
    for (const Header& header : headers) {
        if (EqualsNoCase(header.name, name)) return &header.value;
    }
    return nullptr;
}

std::string Request::HeaderValue(std::string_view name) const {
    const std::string* value = FindHeader(name);
    return value ? *value : std::string();
}

std::string Request::Host() const { return IsAbsoluteForm() ? authority : HeaderValue("Host"); }

Response Response::WithBody(int status, std::string contentType, std::string body) {
    Response response;
    response.status = status;
    response.headers.push_back({"Content-Type", std::move(contentType)});
    response.body = std::move(body);
    return response;
}

Response Response::Status(int status) {
    return WithBody(status, "text/plain; charset=utf-8", std::string(ReasonPhrase(status)) + "\n");
}

std::string_view ReasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
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
    case 421:
        return "Misdirected Request";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 503:
        return "Service Unavailable";
    default:
        return "Unknown";
    }
}

std::string SerializeHead(const Response& response) {
    const int status = (response.status >= 100 && response.status <= 999) ? response.status : 500;
    std::string out = "HTTP/1.1 " + std::to_string(status) + " " + std::string(ReasonPhrase(status)) + "\r\n";
    for (const Header& header : response.headers) {
        const std::string name = CleanHeaderText(header.name);
        if (name.empty() || name.find(':') != std::string::npos || IsServerHeader(name)) continue;
        out += name + ": " + CleanHeaderText(header.value) + "\r\n";
    }
    out += "Content-Length: " + std::to_string(response.Body().size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    return out;
}

}  // namespace httpd
