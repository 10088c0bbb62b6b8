#include "service/line_writer.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace catalogue {

namespace {

constexpr auto kFlushWait = std::chrono::seconds(1);

}  // namespace

// Shared with the writing thread, which may outlive the LineWriter (see the destructor).
struct LineWriter::State {
    Output output;
    std::string name;
    std::size_t maxQueuedBytes = 0;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::string> queue;
    std::size_t queuedBytes = 0;
    std::uint64_t droppedUnsaid = 0;  // since the last note
    bool closing = false;
    bool finished = false;
};

namespace {

std::string DroppedNote(const std::string& name, std::uint64_t count) {
    return name + ": " + std::to_string(count) + (count == 1 ? " line was" : " lines were") +
           " dropped here: the output did not keep up\n";
}

}  // namespace

LineWriter::LineWriter(Output output, std::string name, std::size_t maxQueuedBytes)
        : state_(std::make_shared<State>()) {
    state_->output = std::move(output);
    state_->name = std::move(name);
    state_->maxQueuedBytes = maxQueuedBytes;
    thread_ = std::thread([state = state_] { WriteLines(state); });
}

LineWriter::~LineWriter() { Close(); }

void LineWriter::Close() {
    if (!thread_.joinable()) return;
    bool finished = false;
    {
        std::unique_lock<std::mutex> lock(state_->mutex);
        state_->closing = true;
        state_->changed.notify_all();
        finished = state_->changed.wait_for(lock, kFlushWait, [this] { return state_->finished; });
    }
    if (finished) {
        thread_.join();
    } else {
        thread_.detach();
    }
}

void LineWriter::Post(std::string_view line) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->queuedBytes + line.size() + 1 > state_->maxQueuedBytes) {
        ++state_->droppedUnsaid;
        return;
    }
    std::string text(line);
    text.push_back('\n');
    state_->queuedBytes += text.size();
    state_->queue.push_back(std::move(text));
    state_->changed.notify_all();
}

// Takes everything queued at once, so the lock is never held while writing.
void LineWriter::WriteLines(const std::shared_ptr<State>& state) {
    std::unique_lock<std::mutex> lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return !state->queue.empty() || state->droppedUnsaid != 0 || state->closing; });
        if (state->queue.empty() && state->droppedUnsaid == 0) break;  // closing, and all said
        std::deque<std::string> batch;
        batch.swap(state->queue);
        state->queuedBytes = 0;
        // The note goes where the gap is: after the lines queued before it.
        const std::uint64_t unsaid = std::exchange(state->droppedUnsaid, 0);
        lock.unlock();
        std::string text;
        for (const std::string& line : batch) text += line;
        if (unsaid != 0) text += DroppedNote(state->name, unsaid);
        const bool written = state->output(text);
        lock.lock();
        if (!written) break;  // a closed output: nothing more can be said
    }
    state->finished = true;
    state->changed.notify_all();
}

}  // namespace catalogue
