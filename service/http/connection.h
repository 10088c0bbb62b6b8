#pragma once
// One connection from accept to close: read one request within the limits,
// answer it, close. Every connection carries exactly one exchange.

#include <atomic>
#include <functional>
#include <string>

#include "service/http/http_message.h"
#include "service/http/socket.h"

namespace httpd {

using Handler = std::function<Response(const Request&)>;

enum class ReadStatus { kComplete, kMalformed, kTimeout, kClosed, kStopped };

struct ReadOutcome {
    ReadStatus status = ReadStatus::kClosed;
    Request request;       // filled when kComplete
    std::string received;  // the bytes that arrived, for the log line
};

// Reads one whole request (head and Content-Length body). Gives up with
// kMalformed as soon as a limit is passed or the bytes cannot be a request,
// kTimeout after limits.readTimeoutMs, kStopped once `stopping` is set.
ReadOutcome ReadRequest(const Socket& socket, const Limits& limits, const std::atomic<bool>& stopping);

// What one connection amounted to: its request line (printable) and the status
// sent; status 0 when nothing was sent (the peer left or the server stopped).
struct Exchange {
    std::string requestLine;
    int status = 0;
};

// Serves the connection and closes it. The handler runs on the calling thread;
// an exception from it becomes a 500 answer.
Exchange ServeConnection(Socket socket, const Handler& handler, const Limits& limits,
                         const std::atomic<bool>& stopping);

// Sends a complete answer and closes the way browsers and Winsock need: the
// sending side first, then whatever the client still sends is read and dropped
// for a moment, so the close does not reset the connection under the answer.
void AnswerAndClose(Socket socket, const Response& response, bool headOnly);

}  // namespace httpd
