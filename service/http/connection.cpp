#include "service/http/connection.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "service/http/request_parser.h"

namespace httpd {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollSliceMs = 100;        // how often a waiting read looks at the stop flag
constexpr int kDrainTimeMs = 500;        // lingering close: how long to read leftovers
constexpr std::size_t kDrainBytes = 1 << 20;

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left);
}

// Receives more bytes into `buffer`. kComplete when some arrived.
ReadStatus ReceiveMore(const Socket& socket, std::string& buffer, Clock::time_point deadline,
                       const std::atomic<bool>& stopping) {
    for (;;) {
        if (stopping.load()) return ReadStatus::kStopped;
        const int left = RemainingMs(deadline);
        if (left == 0) return ReadStatus::kTimeout;
        const WaitResult wait = WaitReadable(socket, std::min(left, kPollSliceMs));
        if (wait == WaitResult::kTimeout) continue;
        if (wait == WaitResult::kError) return ReadStatus::kClosed;
        char chunk[4096];
        const std::ptrdiff_t count = ReceiveSome(socket, chunk, sizeof chunk);
        if (count <= 0) return ReadStatus::kClosed;
        buffer.append(chunk, static_cast<std::size_t>(count));
        return ReadStatus::kComplete;
    }
}

// The head may not grow past the limits even before its end has arrived: a
// request line without line break, or a head without blank line, is cut off here.
bool HeadStillAcceptable(std::string_view buffer, const Limits& limits) {
    const std::size_t lf = buffer.find('\n');
    const std::size_t firstLine = lf == std::string_view::npos ? buffer.size() : lf;
    if (firstLine > limits.maxRequestLine + 1) return false;  // + 1: the CR of the line break
    return buffer.size() <= limits.maxHeadBytes + 4;          // + 4: the blank line
}

Response CallHandler(const Handler& handler, const Request& request) {
    try {
        return handler(request);
    } catch (const std::exception&) {
        return Response::Status(500);
    } catch (...) {
        return Response::Status(500);
    }
}

}  // namespace

ReadOutcome ReadRequest(const Socket& socket, const Limits& limits, const std::atomic<bool>& stopping) {
    ReadOutcome outcome;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits.readTimeoutMs);
    std::size_t headEnd = std::string::npos;
    while ((headEnd = FindHeadEnd(outcome.received)) == std::string::npos) {
        if (!HeadStillAcceptable(outcome.received, limits)) {
            outcome.status = ReadStatus::kMalformed;
            return outcome;
        }
        const ReadStatus status = ReceiveMore(socket, outcome.received, deadline, stopping);
        if (status == ReadStatus::kClosed && !outcome.received.empty()) {
            outcome.status = ReadStatus::kMalformed;  // the client stopped in the middle of the head
            return outcome;
        }
        if (status != ReadStatus::kComplete) {
            outcome.status = status;
            return outcome;
        }
    }
    std::size_t contentLength = 0;
    std::optional<Request> request =
        ParseRequestHead(std::string_view(outcome.received).substr(0, headEnd), limits, contentLength);
    if (!request) {
        outcome.status = ReadStatus::kMalformed;
        return outcome;
    }
    while (outcome.received.size() - headEnd < contentLength) {
        const ReadStatus status = ReceiveMore(socket, outcome.received, deadline, stopping);
        if (status != ReadStatus::kComplete) {
            outcome.status = status == ReadStatus::kClosed ? ReadStatus::kMalformed : status;
            return outcome;
        }
    }
    request->body = outcome.received.substr(headEnd, contentLength);
    outcome.request = std::move(*request);
    outcome.status = ReadStatus::kComplete;
    return outcome;
}

void AnswerAndClose(Socket socket, const Response& response, bool headOnly) {
    SendAll(socket, SerializeResponse(response, headOnly));
    ShutdownSend(socket);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kDrainTimeMs);
    std::size_t drained = 0;
    char chunk[4096];
    while (drained < kDrainBytes) {
        const int left = RemainingMs(deadline);
        if (left == 0 || WaitReadable(socket, left) != WaitResult::kReady) break;
        const std::ptrdiff_t count = ReceiveSome(socket, chunk, sizeof chunk);
        if (count <= 0) break;
        drained += static_cast<std::size_t>(count);
    }
}

Exchange ServeConnection(Socket socket, const Handler& handler, const Limits& limits,
                         const std::atomic<bool>& stopping) {
    ReadOutcome outcome = ReadRequest(socket, limits, stopping);
    Exchange exchange;
    // A request line the limits accept is logged whole; a longer one is cut there.
    exchange.requestLine = PrintableRequestLine(outcome.received, limits.maxRequestLine);
    switch (outcome.status) {
        case ReadStatus::kComplete: {
            const Response response = CallHandler(handler, outcome.request);
            exchange.status = response.status;
            AnswerAndClose(std::move(socket), response, outcome.request.method == "HEAD");
            break;
        }
        case ReadStatus::kMalformed:
            exchange.status = 400;
            AnswerAndClose(std::move(socket), Response::Status(400), false);
            break;
        case ReadStatus::kTimeout:
            if (outcome.received.empty()) break;  // an idle connection (a browser's spare) just closes
            exchange.status = 408;
            AnswerAndClose(std::move(socket), Response::Status(408), false);
            break;
        case ReadStatus::kClosed:
        case ReadStatus::kStopped:
            break;
    }
    return exchange;
}

}  // namespace httpd
