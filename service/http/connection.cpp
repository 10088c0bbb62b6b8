#include "service/http/connection.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "service/http/request_parser.h"

namespace httpd {

namespace {

constexpr std::size_t kReceiveChunk = 16384;
constexpr auto kLingerTime = std::chrono::milliseconds(500);  // lingering close: how long leftovers are read
constexpr std::size_t kLingerBytes = 1 << 20;                 // and how many at most
// An answer body up to this size is copied behind the head and leaves in one
// send; a larger or shared one is sent after it (the socket sends at once,
// see TryAccept).
constexpr std::size_t kJoinedBodyBytes = 16384;
// The log shows a whole request's line as far as the limits take it, but only
// the start of one that never arrived whole or was refused: an attacker's
// unfinished heads would fill it otherwise.
constexpr std::size_t kUnfinishedLineBytes = 256;

// The head may not grow past the limits even before its end has arrived: a
// request line without line break, or a head without blank line, is cut off here.
bool HeadStillAcceptable(std::string_view buffer, std::size_t firstLineEnd, const Limits& limits) {
    const std::size_t firstLine = firstLineEnd == std::string_view::npos ? buffer.size() : firstLineEnd;
    if (firstLine > limits.maxRequestLine + 1) return false;  // + 1: the CR of the line break
    return buffer.size() <= limits.maxHeadBytes + 4;          // + 4: the blank line
}

Response CallHandler(const Handler& handler, const Request& request) {
    try {
        return handler(request);
    } catch (...) {
        return Response::Status(500);
    }
}

}  // namespace

Connection::Connection(Socket socket, const Limits& limits, Clock::time_point now, std::size_t& inputTotal)
        : socket_(std::move(socket)),
          limits_(limits),
          deadline_(now + std::chrono::milliseconds(limits.requestTimeoutMs)),
          input_(inputTotal) {}

void Connection::OnReadable(const Handler& handler, Clock::time_point now) {
    if (phase_ == Phase::kLingering) {
        DrainLeftovers();
        return;
    }
    if (phase_ != Phase::kReceiving) return;
    char chunk[kReceiveChunk];
    for (;;) {
        const IoResult received = TryReceive(socket_, chunk, sizeof chunk);
        if (received.status == IoStatus::kWouldBlock) return;
        if (received.status == IoStatus::kFailed) {
            Close();
            return;
        }
        if (received.status == IoStatus::kEnd) {
            peerFinished_ = true;
            // A client that stops in the middle of its request gets a 400; one
            // that sent nothing at all (a browser's spare connection) is just closed.
            if (input_.Empty()) {
                Close();
            } else {
                AnswerNow(Response::Status(400), now);
            }
            return;
        }
        const std::size_t previousSize = input_.Size();
        input_.Append(chunk, received.count);
        TryCompleteRequest(handler, previousSize, now);
        if (phase_ != Phase::kReceiving) return;
    }
}

// Answers as soon as the bytes so far are a whole request, or can no longer
// become one within the limits. Each call looks only at the bytes that are new
// since the last (and the two before them, where a blank line may have begun):
// a client sending a byte at a time costs no rescans of its head.
void Connection::TryCompleteRequest(const Handler& handler, std::size_t previousSize, Clock::time_point now) {
    if (!request_) {
        const std::size_t from = previousSize < 2 ? 0 : previousSize - 2;
        const std::string_view bytes = input_.View();
        if (firstLineEnd_ == std::string::npos) {
            firstLineEnd_ = bytes.find('\n', previousSize);
        }
        const std::size_t headEnd = FindHeadEnd(bytes.substr(from));
        if (headEnd == std::string::npos) {
            if (!HeadStillAcceptable(bytes, firstLineEnd_, limits_)) AnswerNow(Response::Status(400), now);
            return;
        }
        headEnd_ = from + headEnd;
        request_ = ParseRequestHead(bytes.substr(0, headEnd_), limits_, contentLength_);
        if (!request_) {
            AnswerNow(Response::Status(400), now);
            return;
        }
    }
    if (input_.Size() - headEnd_ < contentLength_) return;  // the body is still on its way
    request_->body = std::string(input_.View().substr(headEnd_, contentLength_));
    const bool headOnly = request_->method == "HEAD";
    Response response = CallHandler(handler, *request_);
    request_.reset();
    StartAnswer(std::move(response), headOnly, limits_.maxRequestLine, now);
}

void Connection::AnswerNow(const Response& response, Clock::time_point now) {
    StartAnswer(response, false, kUnfinishedLineBytes, now);
}

void Connection::StartAnswer(Response response, bool headOnly, std::size_t loggedLineBytes, Clock::time_point now) {
    // The request is done with: its bytes go, the line stays for the log.
    firstLine_ = PrintableRequestLine(input_.View(), loggedLineBytes);
    input_.Release();
    status_ = response.status;
    head_ = SerializeHead(response);
    headOnly_ = headOnly;
    if (!headOnly && !response.sharedBody && response.body.size() <= kJoinedBodyBytes) {
        head_ += response.body;
        headOnly_ = true;  // nothing left to send after the head
    }
    response_ = std::move(response);
    sent_ = 0;
    phase_ = Phase::kSending;
    deadline_ = now + std::chrono::milliseconds(limits_.answerTimeoutMs);
    SendMore(now);
}

void Connection::OnWritable(Clock::time_point now) {
    if (phase_ == Phase::kSending) SendMore(now);
}

void Connection::SendMore(Clock::time_point now) {
    const std::string_view body = headOnly_ ? std::string_view() : response_.Body();
    const std::size_t total = head_.size() + body.size();
    while (sent_ < total) {
        const std::string_view rest =
            sent_ < head_.size() ? std::string_view(head_).substr(sent_) : body.substr(sent_ - head_.size());
        const IoResult sent = TrySend(socket_, rest);
        if (sent.status == IoStatus::kWouldBlock) return;
        if (sent.status != IoStatus::kDone) {
            Close();
            return;
        }
        sent_ += sent.count;
    }
    StartLingering(now);
}

void Connection::StartLingering(Clock::time_point now) {
    std::string().swap(head_);
    response_ = Response();
    ShutdownSend(socket_);
    if (peerFinished_) {
        Close();
        return;
    }
    phase_ = Phase::kLingering;
    deadline_ = now + kLingerTime;
}

void Connection::DrainLeftovers() {
    char chunk[kReceiveChunk];
    for (;;) {
        const IoResult received = TryReceive(socket_, chunk, sizeof chunk);
        if (received.status == IoStatus::kWouldBlock) return;
        if (received.status != IoStatus::kDone) break;
        drained_ += received.count;
        if (drained_ >= kLingerBytes) break;
    }
    Close();
}

void Connection::OnDeadline(Clock::time_point now) {
    if (phase_ == Phase::kClosed || now < deadline_) return;
    if (phase_ == Phase::kReceiving && !input_.Empty()) {
        AnswerNow(Response::Status(408), now);
        return;
    }
    Close();
}

void Connection::Close() {
    if (phase_ == Phase::kReceiving) {
        firstLine_ = PrintableRequestLine(input_.View(), kUnfinishedLineBytes);
        input_.Release();
    }
    socket_.reset();
    std::string().swap(head_);
    response_ = Response();
    phase_ = Phase::kClosed;
}

std::string Connection::RequestLine() const {
    return phase_ == Phase::kReceiving ? PrintableRequestLine(input_.View(), kUnfinishedLineBytes) : firstLine_;
}

}  // namespace httpd
