#pragma once
// One connection from accept to close, driven by the server's event loop over
// a non-blocking socket: it takes one request within the limits, has the
// handler answer it, writes the answer and closes. No call waits: each does
// what the socket allows at once and returns. Every phase has a deadline, so a
// client that sends or reads slowly loses its connection, not the server's time.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "service/http/http_message.h"
#include "service/http/input_buffer.h"
#include "service/http/socket.h"

namespace httpd {

using Handler = std::function<Response(const Request&)>;
using Clock = std::chrono::steady_clock;

class Connection {
public:
    enum class Phase {
        kReceiving,  // the request has not arrived whole
        kSending,    // the answer is being written
        kLingering,  // answer written and the sending side shut: what the client still sends is
                     // read and dropped for a moment, so that closing does not reset the
                     // connection under the answer
        kClosed,
    };

    // `inputTotal` (which must outlive the connection) always holds, among
    // others', this connection's buffered request bytes (see InputBuffer).
    Connection(Socket socket, const Limits& limits, Clock::time_point now, std::size_t& inputTotal);

    Phase GetPhase() const { return phase_; }
    // Whether the connection still holds a place among those served: it is
    // receiving its request or sending its answer.
    bool Active() const { return phase_ == Phase::kReceiving || phase_ == Phase::kSending; }
    bool WantsRead() const { return phase_ == Phase::kReceiving || phase_ == Phase::kLingering; }
    bool WantsWrite() const { return phase_ == Phase::kSending; }
    SocketTraits::Type Handle() const { return socket_.get(); }
    Clock::time_point Deadline() const { return deadline_; }
    // Memory held for request bytes (the head and body read so far; none once answered).
    std::size_t BufferedInput() const { return input_.Share(); }

    // Reads what has arrived. Once the request is whole (or can no longer be
    // one), the answer is made (by `handler`, whose exception becomes a 500)
    // and as much of it sent as the socket takes.
    void OnReadable(const Handler& handler, Clock::time_point now);
    // Sends more of the answer.
    void OnWritable(Clock::time_point now);
    // Acts on a passed deadline: a request that has not arrived whole gets a
    // 408 (or, when nothing came, the connection just closes); an answer not
    // taken in time, or a lingering close, ends the connection.
    void OnDeadline(Clock::time_point now);

    // Answers at once with `response` whatever has arrived (a refusal by the
    // server itself); the request line read so far is kept for the log.
    void AnswerNow(const Response& response, Clock::time_point now);
    // Closes at once, sending nothing more.
    void Close();

    // For the log: the request line made printable (whole as far as the limits
    // take it when the request arrived whole, else its first 256 bytes), and
    // the status of the answer (0 while none was made). Empty line and 0
    // status: the connection carried nothing worth logging.
    std::string RequestLine() const;
    int Status() const { return status_; }

private:
    void TryCompleteRequest(const Handler& handler, std::size_t previousSize, Clock::time_point now);
    void StartAnswer(Response response, bool headOnly, std::size_t loggedLineBytes, Clock::time_point now);
    void SendMore(Clock::time_point now);
    void StartLingering(Clock::time_point now);
    void DrainLeftovers();

    Socket socket_;
    Limits limits_;
    Phase phase_ = Phase::kReceiving;
    Clock::time_point deadline_;
    InputBuffer input_;
    std::size_t firstLineEnd_ = std::string::npos;  // the first line feed in input_, once there
    std::size_t headEnd_ = 0;                       // where the body starts, once request_ is parsed
    std::size_t contentLength_ = 0;
    std::optional<Request> request_;  // the head, parsed, while its body arrives
    std::string firstLine_;           // kept for the log once the input is released
    bool peerFinished_ = false;
    int status_ = 0;
    std::string head_;   // the answer's status line and headers
    Response response_;  // holds the body being sent
    bool headOnly_ = false;
    std::size_t sent_ = 0;  // bytes of head_ and body sent
    std::size_t drained_ = 0;
};

}  // namespace httpd
