// The catalogue service (the real vantrel-catalogue process) over loopback:
//   "plain"   requests/s and latency at 50 clients, each sending the program's
//             submission and fetching the page it was answered;
//   "attack"  the latency of the same exchange from one client while 2,000
//             slowloris connections (a head sent a line a second, reopened
//             when dropped) and 32 clients that never read their answer
//             (largest page, 4 KB receive window) run;
//   "memory"  the service's peak resident size after it was given the most
//             it keeps: the store filled with the largest pages, pages being
//             sent to clients that do not read when the flood evicts them,
//             and 1,000 connections holding large unfinished heads;
//   "connections" a long run of short connections (each a whole request,
//             its answer read), then the program's exchange with its request
//             split in two pieces 100 ms apart, which must still be answered;
//   "idle"    the service's wake-ups with no client: the context switches of
//             all its threads over a stretch, from the kernel's count.
// Goals: p99 under 100 ms in "plain" and "attack", no 503 below the cap,
// peak under 64 MiB, the split exchange answered after any number of
// connections, at most one wake-up a minute when idle. Linux only.
// Usage: catalogue_bench [--seconds N] [--exe PATH] [--slowloris N (default 2000)]
//                        [--connections N (default 1000000)] [--idle-seconds N (default 60)]
//                        [--runs plain,attack,memory,connections,idle (default all)]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/service_process.h"

namespace {

using Clock = std::chrono::steady_clock;

// The service process: ServiceProcess, without lookups (its page lists the
// identifiers only), as the program's exchange and the page store are measured.
class Service : public bench::ServiceProcess {
public:
    explicit Service(const std::string& exe) : ServiceProcess(exe, {"--no-lookup"}) {}
};

// ---- sockets ---------------------------------------------------------------

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int Connect(std::uint16_t port, int receiveBuffer = 0, bool nonBlocking = false) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
    if (receiveBuffer > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    const sockaddr_in address = Loopback(port);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && errno != EINPROGRESS) {
        close(fd);
        return -1;
    }
    return fd;
}

void SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) return;
        sent += static_cast<std::size_t>(count);
    }
}

struct Answer {
    int status = 0;
    std::string body;
};

// One exchange as the program makes it: connect, send, read to the end.
Answer Exchange(std::uint16_t port, const std::string& target) {
    Answer answer;
    const int fd = Connect(port);
    if (fd < 0) return answer;
    SendAll(fd, "GET " + target + " HTTP/1.1\r\nUser-Agent: vantrel.exe\r\nHost: localhost\r\n\r\n");
    std::string raw;
    char chunk[65536];
    for (ssize_t count; (count = recv(fd, chunk, sizeof chunk, 0)) > 0;)
        raw.append(chunk, static_cast<std::size_t>(count));
    close(fd);
    if (raw.size() > 12 && raw.rfind("HTTP/1.", 0) == 0) answer.status = std::stoi(raw.substr(9, 3));
    const std::size_t bodyStart = raw.find("\r\n\r\n");
    if (bodyStart != std::string::npos) answer.body = raw.substr(bodyStart + 4);
    return answer;
}

// The path of an answered page address.
std::string PathOf(const std::string& address) {
    const std::size_t slash = address.find('/', 7);
    return slash == std::string::npos ? "/" : address.substr(slash);
}

std::string LongestList(unsigned seed) {
    std::string list;
    for (unsigned i = 0; i < 1000; ++i)
        list += (i ? "," : "") + std::to_string(10000000000000000000ull + seed * 1000ull + i);
    return list;
}

// ---- latency figures -------------------------------------------------------

struct Figures {
    std::vector<double> latenciesMs;
    std::map<int, long> statuses;
    void Add(const Figures& other) {
        latenciesMs.insert(latenciesMs.end(), other.latenciesMs.begin(), other.latenciesMs.end());
        for (const auto& [status, count] : other.statuses) statuses[status] += count;
    }
    double Percentile(double p) {
        if (latenciesMs.empty()) return 0;
        std::sort(latenciesMs.begin(), latenciesMs.end());
        return latenciesMs[std::min(latenciesMs.size() - 1, static_cast<std::size_t>(p * latenciesMs.size()))];
    }
    std::string StatusText() const {
        std::string text;
        for (const auto& [status, count] : statuses) text += " " + std::to_string(status) + "x" + std::to_string(count);
        return text;
    }
};

// The program's exchange: submit its list, fetch the page. Each request timed.
void ProgramExchange(std::uint16_t port, unsigned client, unsigned round, Figures& figures) {
    const std::string list = std::to_string(284882215 + client) + ",42," + std::to_string(round % 50);
    auto start = Clock::now();
    const Answer submitted = Exchange(port, "/input/submit.php?dataset=" + list);
    figures.latenciesMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    ++figures.statuses[submitted.status];
    if (submitted.status != 200) return;
    start = Clock::now();
    const Answer page = Exchange(port, PathOf(submitted.body));
    figures.latenciesMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    ++figures.statuses[page.status];
}

void Report(const char* name, Figures& figures, double seconds) {
    std::printf("%-8s %8.0f requests/s  p50 %6.2f ms  p99 %7.2f ms  max %7.2f ms  statuses:%s\n", name,
                figures.latenciesMs.size() / seconds, figures.Percentile(0.50), figures.Percentile(0.99),
                figures.Percentile(1.0), figures.StatusText().c_str());
}

void Plain(std::uint16_t port, double seconds) {
    constexpr unsigned kClients = 50;
    std::vector<Figures> perClient(kClients);
    std::vector<std::thread> clients;
    const Clock::time_point end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    for (unsigned c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            for (unsigned round = 0; Clock::now() < end; ++round) ProgramExchange(port, c, round, perClient[c]);
        });
    }
    for (std::thread& client : clients) client.join();
    Figures all;
    for (const Figures& figures : perClient) all.Add(figures);
    Report("plain", all, seconds);
}

// ---- attackers -------------------------------------------------------------

// Slowloris connections and clients that never read, driven by one thread over poll.
class Attack {
public:
    Attack(std::uint16_t port, int slowCount, int stalledCount, std::string stalledTarget, std::string slowHead)
            : port_(port), stalledTarget_(std::move(stalledTarget)), slowHead_(std::move(slowHead)) {
        slow_.resize(static_cast<std::size_t>(slowCount));
        stalled_.resize(static_cast<std::size_t>(stalledCount));
        thread_ = std::thread([this] { Run(); });
    }
    ~Attack() {
        done_ = true;
        thread_.join();
        for (const Peer& peer : slow_) close(peer.fd);
        for (const Peer& peer : stalled_) close(peer.fd);
    }
    long Reopened() const { return reopened_; }

private:
    struct Peer {
        int fd = -1;
        bool sentHead = false;
        Clock::time_point next{};
    };

    void Run() {
        std::vector<pollfd> table;
        while (!done_) {
            const Clock::time_point now = Clock::now();
            for (Peer& peer : stalled_) KeepStalled(peer, now);
            table.clear();
            for (Peer& peer : slow_) {
                if (peer.fd < 0) Open(peer, now);
                table.push_back({peer.fd, static_cast<short>(peer.sentHead ? POLLIN : POLLOUT), 0});
            }
            poll(table.data(), table.size(), 50);
            for (std::size_t i = 0; i < slow_.size(); ++i) Serve(slow_[i], table[i].revents, Clock::now());
        }
    }

    void Open(Peer& peer, Clock::time_point now) {
        peer.fd = Connect(port_, 0, true);
        peer.sentHead = false;
        peer.next = now;
    }

    // Sends the head's start once connected, a line each second after; the
    // server dropping the connection means a new one.
    void Serve(Peer& peer, short revents, Clock::time_point now) {
        if (revents & (POLLIN | POLLHUP | POLLERR)) {
            close(peer.fd);
            peer.fd = -1;
            ++reopened_;
            return;
        }
        if (!peer.sentHead && (revents & POLLOUT)) {
            send(peer.fd, slowHead_.data(), slowHead_.size(), MSG_NOSIGNAL);
            peer.sentHead = true;
            peer.next = now + std::chrono::seconds(1);
        } else if (peer.sentHead && now >= peer.next) {
            send(peer.fd, "X-a: b\r\n", 8, MSG_NOSIGNAL);
            peer.next = now + std::chrono::seconds(1);
        }
    }

    // A client that never reads cannot see the server give up on it: it
    // opens a new connection every 6 s (the server's answer deadline is 5 s).
    void KeepStalled(Peer& peer, Clock::time_point now) {
        if (peer.fd >= 0 && now < peer.next) return;
        if (peer.fd >= 0) close(peer.fd);
        peer.fd = Connect(port_, 4096);
        if (peer.fd >= 0) SendAll(peer.fd, "GET " + stalledTarget_ + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
        peer.next = now + std::chrono::seconds(6);
    }

    std::uint16_t port_;
    std::string stalledTarget_;
    std::string slowHead_;
    std::vector<Peer> slow_;
    std::vector<Peer> stalled_;
    std::atomic<bool> done_{false};
    std::atomic<long> reopened_{0};
    std::thread thread_;
};

void UnderAttack(std::uint16_t port, double seconds, int slowloris) {
    const std::string largest = PathOf(Exchange(port, "/input/submit.php?dataset=" + LongestList(9999)).body);
    Attack attack(port, slowloris, 32, largest, "GET / HTTP/1.1\r\nHost: localhost\r\n");
    std::this_thread::sleep_for(std::chrono::seconds(2));  // every attacker under way
    Figures figures;
    const Clock::time_point end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    for (unsigned round = 0; Clock::now() < end; ++round) ProgramExchange(port, 7, round, figures);
    Report("attack", figures, seconds);
    std::printf("         %d slowloris connections; dropped by the service and reopened: %ld\n", slowloris,
                attack.Reopened());
}

// ---- many short connections, then a split request ----------------------------

// The program's submission with its request in two pieces 100 ms apart (the
// service has read the first before the second comes); the answer's status.
int SplitExchange(std::uint16_t port) {
    const int fd = Connect(port);
    if (fd < 0) return 0;
    SendAll(fd, "GET /input/submit.php?dataset=284882215,42 HTTP/1.1\r\nUser-Agent: vantrel.exe\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    SendAll(fd, "Host: localhost\r\n\r\n");
    std::string raw;
    char chunk[4096];
    for (ssize_t count; (count = recv(fd, chunk, sizeof chunk, 0)) > 0;)
        raw.append(chunk, static_cast<std::size_t>(count));
    close(fd);
    return raw.size() > 12 && raw.rfind("HTTP/1.", 0) == 0 ? std::stoi(raw.substr(9, 3)) : 0;
}

void ManyConnections(const std::string& exe, long connections) {
    Service service(exe);
    const std::uint16_t port = service.Port();
    const int before = SplitExchange(port);
    constexpr int kClients = 8;
    std::atomic<long> next{0};
    std::atomic<long> answered{0};
    const Clock::time_point start = Clock::now();
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&] {
            while (next++ < connections) {
                if (Exchange(port, "/input/submit.php?dataset=7").status == 200) ++answered;
            }
        });
    }
    for (std::thread& client : clients) client.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const int after = SplitExchange(port);
    std::printf(
        "connections %ld short connections in %.1f s (%.0f/s), %ld answered 200; split exchange: %d before, %d after\n",
        connections, seconds, connections / seconds, answered.load(), before, after);
}

// ---- idle wake-ups -------------------------------------------------------------

void Idle(const std::string& exe, double seconds) {
    Service service(exe);
    Exchange(service.Port(), "/input/submit.php?dataset=7");  // one page stored: its expiry is a deadline
    std::this_thread::sleep_for(std::chrono::seconds(1));     // the connection's lingering close is over
    const long before = service.ContextSwitches();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const long after = service.ContextSwitches();
    std::printf("idle     %ld context switches of the service's threads in %.0f s with no client\n", after - before,
                seconds);
}

// ---- memory ----------------------------------------------------------------

void Memory(const std::string& exe) {
    Service service(exe);
    const std::uint16_t port = service.Port();
    std::vector<std::string> pages;
    unsigned seed = 0;
    for (; seed < 400; ++seed)
        pages.push_back(PathOf(Exchange(port, "/input/submit.php?dataset=" + LongestList(seed)).body));
    // Clients that never read, each on one of the newest pages, then a flood
    // that evicts those pages while they are being sent; meanwhile 1,000
    // connections hold unfinished heads of 20 KB.
    std::vector<int> stalled;
    for (std::size_t i = pages.size() - 300; i < pages.size(); ++i) {
        const int fd = Connect(port, 4096);
        SendAll(fd, "GET " + pages[i] + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
        stalled.push_back(fd);
    }
    const std::string heavyHead = "GET /" + std::string(20000, 'a');
    Attack heavy(port, 1000, 0, "", heavyHead);
    for (; seed < 900; ++seed) Exchange(port, "/input/submit.php?dataset=" + LongestList(seed));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    std::printf(
        "memory   peak resident %.1f MiB after %u largest pages, 300 pages evicted while being sent, "
        "1,000 large unfinished heads\n",
        service.PeakKib() / 1024.0, seed);
    for (int fd : stalled) close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    std::string exe = VANTREL_CATALOGUE_EXE;
    double seconds = 5;
    int slowloris = 2000;
    long connections = 1000000;
    double idleSeconds = 60;
    std::string runs = "plain,attack,memory,connections,idle";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::stod(argv[i + 1]);
        if (std::strcmp(argv[i], "--exe") == 0) exe = argv[i + 1];
        if (std::strcmp(argv[i], "--slowloris") == 0) slowloris = std::stoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--connections") == 0) connections = std::stol(argv[i + 1]);
        if (std::strcmp(argv[i], "--idle-seconds") == 0) idleSeconds = std::stod(argv[i + 1]);
        if (std::strcmp(argv[i], "--runs") == 0) runs = argv[i + 1];
    }
    const auto wanted = [&runs](const char* name) {
        return ("," + runs + ",").find("," + std::string(name) + ",") != std::string::npos;
    };
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 16384);
    setrlimit(RLIMIT_NOFILE, &limit);
    signal(SIGPIPE, SIG_IGN);
    std::printf("catalogue service %s, %.0f s per run\n", exe.c_str(), seconds);
    if (wanted("plain")) {
        Service service(exe);
        Plain(service.Port(), seconds);
    }
    if (wanted("attack")) {
        Service service(exe);
        UnderAttack(service.Port(), seconds, slowloris);
    }
    if (wanted("memory")) Memory(exe);
    if (wanted("connections")) ManyConnections(exe, connections);
    if (wanted("idle")) Idle(exe, idleSeconds);
    return 0;
}
