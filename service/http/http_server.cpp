#include "service/http/http_server.h"

#include <algorithm>

#include "service/http/text.h"

namespace httpd {

namespace {

// The longest sleep: the stop and every deadline wake the loop themselves; this
// only bounds what a clock that jumped could cost.
constexpr auto kLongestSleep = std::chrono::seconds(60);
// Connections not yet taken wait in the system (which caps the number, on
// Linux at somaxconn): a deep queue keeps a crowd of connections from having a
// newcomer's attempt dropped, to be retried only a second later.
constexpr int kBacklog = 4096;
constexpr int kAcceptsPerTurn = 256;  // per listener, so that accepting never starves the connections
constexpr auto kLongestAcceptPause = std::chrono::seconds(1);
constexpr auto kFirstAcceptPause = std::chrono::milliseconds(10);

}  // namespace

// A connection and what the server counts of it.
struct Server::Entry {
    std::unique_ptr<Connection> connection;
    bool counted = false;  // holds a place under maxConnections (cleared once it stops being active)
    bool logged = false;
};

std::string Authority(const std::string& address, std::uint16_t port) {
    return UrlHost(address) + ":" + std::to_string(port);
}

Server::Server(Handler handler, ServerOptions options) : handler_(std::move(handler)), options_(std::move(options)) {
    if (options_.maxConnections == 0) options_.maxConnections = 1;
}

Server::~Server() { Stop(); }

// The first listener fixes the port (a free one for port 0); the others take
// the same, so one address answers on every loopback.
void Server::Start() {
    if (thread_.joinable()) throw std::logic_error("httpd::Server already started");
    std::vector<Socket> listeners;
    std::uint16_t port = options_.port;
    for (const std::string& address : options_.bindAddresses) {
        try {
            Socket listener = ListenTcp(address, port, kBacklog);
            port = LocalPort(listener);
            SetNonBlocking(listener);
            listeners.push_back(std::move(listener));
        } catch (const SocketError& error) {
            throw ListenError("cannot listen on " + Authority(address, port) + ": " + error.what(), error.Code());
        }
    }
    listeners_ = std::move(listeners);
    port_ = port;
    stopping_ = false;
    waker_.Drain();
    housekeepingDue_ = Clock::time_point{};  // due at once
    thread_ = std::thread([this] { Run(); });
}

void Server::Stop() {
    stopping_ = true;
    waker_.Wake();
    if (thread_.joinable()) thread_.join();
    CloseAll();
    listeners_.clear();
}

void Server::Run() {
    while (!stopping_.load()) {
        Clock::time_point now = Clock::now();
        BuildPollItems(now);
        const std::size_t polled = entries_.size();
        if (!Poll(pollItems_, PollTimeoutMs(now))) {
            Fail("waiting for connections failed", -1);
            break;
        }
        ++wakeUps_;
        if (pollItems_.back().readable) waker_.Drain();
        now = Clock::now();
        ServeConnections(polled, now);
        AdmitWaiting(now);
        for (std::size_t i = 0; i < polledListeners_.size() && !stopping_.load(); ++i) {
            const PollItem& item = pollItems_[polled + i];
            if (item.readable || item.broken) AcceptAll(polledListeners_[i], now);
        }
        EnforceDeadlines(now);
        Sweep();
        RunHousekeeping(now);
    }
    CloseAll();
}

// The entries in their order, then the listeners that take connections now
// (a paused one is left out: a lasting accept failure must not spin), then
// the waker.
void Server::BuildPollItems(Clock::time_point now) {
    pollItems_.clear();
    for (const Entry& entry : entries_) {
        PollItem item;
        item.socket = entry.connection->Handle();
        item.wantRead = entry.connection->WantsRead();
        item.wantWrite = entry.connection->WantsWrite();
        pollItems_.push_back(item);
    }
    polledListeners_.clear();
    if (now >= acceptPausedUntil_) AddListenerItems();
    PollItem wake;
    wake.socket = waker_.Handle();
    wake.wantRead = true;
    pollItems_.push_back(wake);
}

void Server::AddListenerItems() {
    for (std::size_t i = 0; i < listeners_.size(); ++i) {
        PollItem item;
        item.socket = listeners_[i].get();
        item.wantRead = true;
        pollItems_.push_back(item);
        polledListeners_.push_back(i);
    }
}

void Server::RunHousekeeping(Clock::time_point now) {
    if (!options_.housekeeping || now < housekeepingDue_) return;
    try {
        housekeepingDue_ = options_.housekeeping(now);
    } catch (...) {
        housekeepingDue_ = now + kLongestSleep;
    }
}

int Server::PollTimeoutMs(Clock::time_point now) const {
    Clock::time_point wake = now + kLongestSleep;
    for (const Entry& entry : entries_) wake = std::min(wake, entry.connection->Deadline());
    if (acceptPausedUntil_ > now) wake = std::min(wake, acceptPausedUntil_);
    if (options_.housekeeping) wake = std::min(wake, housekeepingDue_);
    if (!waiting_.empty()) wake = now;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
    return left <= 0 ? 0 : static_cast<int>(left) + 1;  // + 1: never wake just before a deadline
}

void Server::ServeConnections(std::size_t polled, Clock::time_point now) {
    for (std::size_t i = 0; i < polled; ++i) ServeEntry(entries_[i], pollItems_[i], now);
}

void Server::ServeEntry(Entry& entry, const PollItem& item, Clock::time_point now) {
    Connection& connection = *entry.connection;
    if (connection.GetPhase() == Connection::Phase::kClosed) return;  // shed meanwhile
    if (item.writable && connection.WantsWrite()) connection.OnWritable(now);
    if ((item.readable || item.broken) && connection.WantsRead()) connection.OnReadable(handler_, now);
    Settle(entry);
    // After each read, not after the poll's whole harvest: hundreds of
    // connections reading at once would pass the budget many times over.
    KeepInputWithinBudget();
}

void Server::AcceptAll(std::size_t listener, Clock::time_point now) {
    for (int taken = 0; taken < kAcceptsPerTurn; ++taken) {
        AcceptResult accepted = TryAccept(listeners_[listener]);
        switch (accepted.status) {
        case AcceptStatus::kAccepted:
            acceptPause_ = Clock::duration::zero();
            Admit(std::move(accepted.socket), now);
            break;
        case AcceptStatus::kNone:
            return;
        case AcceptStatus::kNoResources:
            // Out of descriptors or buffers: give one back, and wait before the
            // next try, longer each time it fails again.
            ShedOldestReceiving();
            acceptPause_ = std::min<Clock::duration>(std::max<Clock::duration>(acceptPause_ * 2, kFirstAcceptPause),
                                                     kLongestAcceptPause);
            acceptPausedUntil_ = now + acceptPause_;
            return;
        case AcceptStatus::kFailed:
            Fail("accepting connections on " + Authority(options_.bindAddresses[listener], port_) + " failed",
                 accepted.code);
            return;
        }
    }
}

// A newcomer takes a free place, or the place of the oldest connection whose
// request has not arrived whole.
void Server::Admit(Socket socket, Clock::time_point now) {
    if (counted_ < options_.maxConnections || ShedOldestReceiving()) {
        Take(std::move(socket), now);
        return;
    }
    // No place now, as far as this turn's poll knows: a place given back
    // since (a client gone, an answer taken) shows in the next poll, which
    // comes at once. Until then the newcomer waits, at no cost per
    // connection held.
    waiting_.push_back(std::move(socket));
}

// The newcomers that found no place in the last turn: this turn's poll has
// brought every place given back meanwhile.
void Server::AdmitWaiting(Clock::time_point now) {
    std::vector<Socket> waiting;
    waiting.swap(waiting_);
    for (Socket& socket : waiting) {
        if (counted_ < options_.maxConnections || ShedOldestReceiving()) {
            Take(std::move(socket), now);
        } else {
            Refuse(std::move(socket), now);
        }
    }
}

// Its request is read at once: a client that sent it with the connection is
// answered before anyone can shed it.
void Server::Take(Socket socket, Clock::time_point now) {
    entries_.push_back(
        {std::make_unique<Connection>(std::move(socket), options_.limits, now, bufferedInput_), true, false});
    Entry& entry = entries_.back();
    ++counted_;
    entry.connection->OnReadable(handler_, now);
    Settle(entry);
    KeepInputWithinBudget();
}

// Every place holds a request being answered: a short refusal, which does not
// count (the entries that do not are bounded in Sweep).
void Server::Refuse(Socket socket, Clock::time_point now) {
    entries_.push_back(
        {std::make_unique<Connection>(std::move(socket), options_.limits, now, bufferedInput_), false, true});
    entries_.back().connection->AnswerNow(Response::Status(503), now);
}

// Entries before shedFrom_ were found not receiving; none of them can be again
// (phases only move on), so each search starts there until Sweep moves entries.
bool Server::ShedOldestReceiving() {
    for (; shedFrom_ < entries_.size(); ++shedFrom_) {
        Entry& entry = entries_[shedFrom_];
        if (entry.counted && entry.connection->GetPhase() == Connection::Phase::kReceiving) {
            entry.connection->Close();
            Settle(entry);
            return true;
        }
    }
    return false;
}

// Brings the count of places up to the connection's state: whether it still
// holds one. A connection that no longer does is logged. (Its buffered input
// counts itself, see InputBuffer.)
void Server::Settle(Entry& entry) {
    const Connection& connection = *entry.connection;
    if (connection.Active()) return;
    if (entry.counted) {
        entry.counted = false;
        --counted_;
    }
    if (entry.logged) return;
    entry.logged = true;
    if (!options_.logger) return;
    const std::string line = connection.RequestLine();
    if (line.empty() && connection.Status() == 0) return;
    try {
        options_.logger(line, connection.Status());
    } catch (...) {
        // A failing log must not take the server (and the process) down.
    }
}

// Many connections each sending a large head slowly would otherwise hold the
// limits' worth of memory each.
void Server::KeepInputWithinBudget() {
    while (bufferedInput_ > options_.maxBufferedInput && ShedOldestReceiving()) {}
}

void Server::EnforceDeadlines(Clock::time_point now) {
    for (Entry& entry : entries_) {
        if (entry.connection->Deadline() > now) continue;
        entry.connection->OnDeadline(now);
        Settle(entry);
    }
}

// Drops the closed entries; of those that hold no place (refusals being sent,
// lingering closes), no more than maxConnections are kept, the oldest going first.
void Server::Sweep() {
    std::size_t uncounted = 0;
    for (const Entry& entry : entries_) {
        if (!entry.counted && entry.connection->GetPhase() != Connection::Phase::kClosed) ++uncounted;
    }
    for (Entry& entry : entries_) {
        if (uncounted <= options_.maxConnections) break;
        if (entry.counted || entry.connection->GetPhase() == Connection::Phase::kClosed) continue;
        entry.connection->Close();
        --uncounted;
    }
    std::erase_if(entries_,
                  [](const Entry& entry) { return entry.connection->GetPhase() == Connection::Phase::kClosed; });
    shedFrom_ = 0;
}

void Server::Fail(const std::string& message, int code) {
    stopping_ = true;
    if (!options_.onFailure) return;
    try {
        options_.onFailure(message, code);
    } catch (...) {
        // The server ends all the same.
    }
}

void Server::CloseAll() {
    for (Entry& entry : entries_) {
        entry.connection->Close();
        Settle(entry);
    }
    entries_.clear();
    waiting_.clear();
}

}  // namespace httpd
