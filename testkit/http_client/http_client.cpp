#include "testkit/http_client/http_client.h"

#include <chrono>

#include "service/http/request_parser.h"
#include "testkit/http_client/blocking_socket.h"

namespace httpd {

const std::string* ClientResponse::FindHeader(std::string_view name) const {
    for (const Header& header : headers) {
        if (EqualsNoCase(header.name, name)) return &header.value;
    }
    return nullptr;
}

std::string ExchangeRaw(std::uint16_t port, std::string_view request, bool keepSending, int timeoutMs,
                        const std::string& address) {
    using Clock = std::chrono::steady_clock;
    const Socket socket = ConnectTcp(address, port);
    if (SendAll(socket, request) && !keepSending) ShutdownSend(socket);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string received;
    char chunk[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || WaitReadable(socket, static_cast<int>(left)) != WaitResult::kReady) break;
        const std::ptrdiff_t count = ReceiveSome(socket, chunk, sizeof chunk);
        if (count <= 0) break;
        received.append(chunk, static_cast<std::size_t>(count));
    }
    return received;
}

std::optional<ClientResponse> ParseResponse(std::string_view raw) {
    const std::size_t headEnd = FindHeadEnd(raw);
    if (headEnd == std::string_view::npos || raw.substr(0, 7) != "HTTP/1.") return std::nullopt;
    std::string_view head = raw.substr(0, headEnd);
    ClientResponse response;
    bool first = true;
    while (!head.empty()) {
        std::string_view line = head.substr(0, head.find('\n'));
        head.remove_prefix(std::min(head.size(), line.size() + 1));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        if (first) {
            if (line.size() < 12 || line[8] != ' ') return std::nullopt;
            response.status = std::stoi(std::string(line.substr(9, 3)));
            response.reason = std::string(line.size() > 13 ? line.substr(13) : std::string_view());
            first = false;
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) return std::nullopt;
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        response.headers.push_back({std::string(line.substr(0, colon)), std::string(value)});
    }
    response.body = std::string(raw.substr(headEnd));
    return response;
}

std::optional<ClientResponse> Get(std::uint16_t port, std::string_view target, std::string_view extraHeaders) {
    std::string request = "GET " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                          "\r\n" + std::string(extraHeaders) + "\r\n";
    return ParseResponse(ExchangeRaw(port, request));
}

}  // namespace httpd
