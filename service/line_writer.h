#pragma once
// Lines written out by a thread of their own, so that an output that blocks (a
// console nobody reads, a pipe that is not drained, a stalled disk) never holds
// the caller. While the output does not keep up, lines beyond a bounded queue
// are dropped and counted; once it takes text again, a note says how many.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace catalogue {

class LineWriter {
public:
    // Writes text to the output (may block); false when the output failed.
    using Output = std::function<bool(std::string_view text)>;

    // `name` starts the note about dropped lines ("vantrel-catalogue").
    LineWriter(Output output, std::string name, std::size_t maxQueuedBytes = std::size_t{256} << 10);
    ~LineWriter();  // Close()
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Queues `line` (a line break is added), or drops it when the queue is
    // full. Never waits on the output.
    void Post(std::string_view line);

    // Lets the thread write what is queued and end, waiting up to about a
    // second: then the thread is joined. An output still blocked after that is
    // left to its thread, which holds nothing but its own state (the queue and
    // the output it was given) and ends with the process. Safe to call twice.
    void Close();

private:
    struct State;
    // The writing thread's loop.
    static void WriteLines(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace catalogue
