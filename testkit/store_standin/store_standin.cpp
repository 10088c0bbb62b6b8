#include "testkit/store_standin/store_standin.h"

#include <algorithm>
#include <chrono>

#include "testkit/http_client/blocking_socket.h"

namespace standin {

namespace {

constexpr std::size_t kMaxHead = 64 * 1024;

std::string Response(int status, std::string_view reason, std::string_view type, const std::string& body,
                     const std::string& extra = {}) {
    return "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\nContent-Type: " + std::string(type) +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra + "Connection: close\r\n\r\n" + body;
}

std::vector<std::string> SplitList(std::string_view list) {
    std::vector<std::string> items;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        if (comma != 0) items.emplace_back(list.substr(0, comma));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return items;
}

std::string Parameter(std::string_view query, std::string_view name) {
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        if (pair.starts_with(name) && pair.size() > name.size() && pair[name.size()] == '=')
            return std::string(pair.substr(name.size() + 1));
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return {};
}

// Reads the request head; empty when the client went away first.
std::string ReadHead(const httpd::Socket& connection) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHead) {
        if (httpd::WaitReadable(connection, 10000) != httpd::WaitResult::kReady) return {};
        const std::ptrdiff_t count = httpd::ReceiveSome(connection, buffer, sizeof buffer);
        if (count <= 0) return {};
        head.append(buffer, static_cast<std::size_t>(count));
    }
    return head;
}

}  // namespace

StandinStore::StandinStore() : listener_(httpd::ListenTcp("127.0.0.1", 0, 64)) {
    port_ = httpd::LocalPort(listener_);
    acceptor_ = std::thread([this] { Accept(); });
}

StandinStore::~StandinStore() { Stop(); }

std::string StandinStore::Origin() const { return "http://127.0.0.1:" + std::to_string(port_); }
std::string StandinStore::LookupUrl() const { return Origin() + "/lookup"; }

void StandinStore::SetRecord(const std::string& id, std::string recordJson) {
    std::lock_guard<std::mutex> lock(mutex_);
    records_[id] = std::move(recordJson);
}

void StandinStore::SetBehaviour(Behaviour behaviour, std::string retryAfter) {
    std::lock_guard<std::mutex> lock(mutex_);
    behaviour_ = behaviour;
    retryAfter_ = std::move(retryAfter);
}

void StandinStore::SetDelayMs(int delayMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    delayMs_ = delayMs;
}

void StandinStore::SetRequestObserver(std::function<void(const std::string&)> observer) {
    std::lock_guard<std::mutex> lock(mutex_);
    observer_ = std::move(observer);
}

std::vector<LookupCall> StandinStore::Calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::size_t StandinStore::CallCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_.size();
}

std::size_t StandinStore::MostAtOnce() {
    std::lock_guard<std::mutex> lock(mutex_);
    return mostAtOnce_;
}

void StandinStore::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    if (acceptor_.joinable()) acceptor_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        threads.swap(threads_);
    }
    for (std::thread& thread : threads) thread.join();
}

bool StandinStore::Wait(int milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !stopped_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping_.load(); });
}

void StandinStore::Accept() {
    while (!stopping_) {
        if (httpd::WaitReadable(listener_, 50) != httpd::WaitResult::kReady) continue;
        httpd::Socket connection = httpd::AcceptConnection(listener_);
        if (!connection) continue;
        std::lock_guard<std::mutex> lock(mutex_);
        threads_.emplace_back([this, socket = std::move(connection)]() mutable { Serve(std::move(socket)); });
    }
}

void StandinStore::Serve(httpd::Socket connection) {
    const std::string head = ReadHead(connection);
    if (head.empty()) return;
    const std::size_t lineEnd = head.find("\r\n");
    const std::string line = head.substr(0, lineEnd);
    const std::size_t space = line.find(' ');
    const std::string target = line.substr(space + 1, line.rfind(' ') - space - 1);
    const std::string path = target.substr(0, target.find('?'));
    std::function<void(const std::string&)> observer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        observer = observer_;
    }
    if (observer) observer(target);
    if (path.starts_with("/icons/") && path.ends_with(".png")) {
        const std::string name = path.substr(7, path.size() - 11);
        std::uint32_t seed = 0;
        for (char c : name) seed = seed * 31 + static_cast<unsigned char>(c);
        httpd::SendAll(connection, Response(200, "OK", "image/png", IconPng(seed)));
        return;
    }
    if (path != "/lookup") {
        httpd::SendAll(connection, Response(404, "Not Found", "text/plain", "not found\n"));
        return;
    }
    LookupCall call;
    call.target = target;
    const std::string query = target.find('?') == std::string::npos ? "" : target.substr(target.find('?') + 1);
    call.ids = SplitList(Parameter(query, "id"));
    call.country = Parameter(query, "country");
    call.headers = head.substr(lineEnd + 2);
    Behaviour behaviour;
    std::string retryAfter;
    int delayMs = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(call);
        behaviour = behaviour_;
        retryAfter = retryAfter_;
        delayMs = delayMs_;
        mostAtOnce_ = std::max(mostAtOnce_, ++atOnce_);
    }
    // A call counts as under way until its answer starts out: once the client
    // has it, it may start its next call before this thread would get here.
    bool counted = true;
    const auto leave = [this, &counted] {
        std::lock_guard<std::mutex> lock(mutex_);
        if (counted) --atOnce_;
        counted = false;
    };
    std::string answer;
    if (behaviour == Behaviour::kSilent) {
        Wait(24 * 3600 * 1000);
    } else if (Wait(delayMs)) {
        const std::string retry = retryAfter.empty() ? "" : "Retry-After: " + retryAfter + "\r\n";
        switch (behaviour) {
        case Behaviour::kTooMany:
            answer = Response(429, "Too Many Requests", "text/plain", "slow down\n", retry);
            break;
        case Behaviour::kUnavailable:
            answer = Response(503, "Service Unavailable", "text/plain", "later\n", retry);
            break;
        case Behaviour::kServerError:
            answer = Response(500, "Internal Server Error", "text/plain", "oops\n");
            break;
        case Behaviour::kNotJson:
            answer = Response(200, "OK", "text/html", "<html><body>Service maintenance</body></html>\n");
            break;
        case Behaviour::kHuge: {
            constexpr std::size_t kHuge = std::size_t{100} << 20;
            leave();
            httpd::SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Type: text/javascript\r\nContent-Length: " +
                                           std::to_string(kHuge) + "\r\nConnection: close\r\n\r\n");
            const std::string block(1 << 16, ' ');
            for (std::size_t sent = 0; sent < kHuge && !stopping_; sent += block.size()) {
                if (!httpd::SendAll(connection, block)) break;
            }
            break;
        }
        default:
            answer = LookupAnswer(call);
        }
    }
    leave();
    if (!answer.empty()) httpd::SendAll(connection, answer);
}

std::string StandinStore::LookupAnswer(const LookupCall& call) {
    std::string results;
    std::size_t count = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const std::string& id : call.ids) {
            const auto record = records_.find(id);
            if (record == records_.end()) continue;
            results += (count++ == 0 ? "" : ",") + record->second;
        }
    }
    const std::string body =
        "\n\n\n{\n \"resultCount\":" + std::to_string(count) + ",\n \"results\": [" + results + "]\n}\n";
    return Response(200, "OK", "text/javascript; charset=utf-8", body);
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string TypicalRecord(const std::string& id, const std::string& name, const std::string& artworkUrl) {
    return "{\"wrapperType\":\"software\",\"kind\":\"software\",\"trackId\":" + id +
           ",\"trackName\":" + JsonString(name) +
           ",\"artistName\":\"Example Developer Ltd\",\"sellerName\":\"Example Developer Ltd\","
           "\"primaryGenreName\":\"Productivity\",\"genres\":[\"Productivity\",\"Utilities\"],"
           "\"version\":\"5.2.1\",\"currentVersionReleaseDate\":\"2023-05-01T07:00:00Z\","
           "\"releaseDate\":\"2012-03-14T07:00:00Z\",\"formattedPrice\":\"Free\",\"price\":0.00,\"currency\":\"USD\","
           "\"averageUserRating\":4.46,\"userRatingCount\":123456,\"fileSizeBytes\":\"123456789\","
           "\"minimumOsVersion\":\"12.0\",\"contentAdvisoryRating\":\"4+\",\"artworkUrl60\":" +
           JsonString(artworkUrl) + ",\"artworkUrl100\":" + JsonString(artworkUrl) +
           ",\"trackViewUrl\":\"https://apps.apple.com/us/app/example/id" + id +
           "?uo=4\",\"bundleId\":\"com.example.app" + id +
           "\",\"description\":\"An app.\\nWith two lines.\",\"releaseNotes\":\"Fixes.\","
           "\"supportedDevices\":[\"iPhone5s-iPhone5s\"],\"features\":[],\"isGameCenterEnabled\":false}";
}

}  // namespace standin
