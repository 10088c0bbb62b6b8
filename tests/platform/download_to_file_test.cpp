#include "platform/http.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <optional>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/strings.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_dir.h"
#include "service/http/http_server.h"
#include "testkit/http_client/blocking_socket.h"
#include "service/http/socket.h"

using platform::DownloadToFile;
using platform::FileExists;
using testing_support::ReadFileBytes;
using testing_support::ScopedVariable;
using testing_support::TempDir;

namespace {

struct SeenRequest {
    std::string method;
    std::string target;
    bool absoluteForm = false;
    std::string host;
    std::string path;
    std::string query;
    std::string userAgent;
};

std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) % 256);
    return bytes;
}

class DownloadToFileTest : public ::testing::Test {
protected:
    void SetUp() override { server_.Start(); }

    std::u16string Url(std::string_view target) const {
        return u"http://127.0.0.1:" + platform::ToWide(server_.Port()) + platform::Utf8ToWide(target);
    }
    std::string ProxyAddress() const { return "http://127.0.0.1:" + std::to_string(server_.Port()); }

    void Reply(httpd::Response response) {
        std::lock_guard lock(mutex_);
        reply_ = std::move(response);
    }
    std::vector<SeenRequest> Seen() {
        std::lock_guard lock(mutex_);
        return seen_;
    }

    TempDir dir_;

private:
    httpd::Response Serve(const httpd::Request& request) {
        std::lock_guard lock(mutex_);
        seen_.push_back({request.method, request.target, request.IsAbsoluteForm(), request.Host(), request.path,
                         request.query, request.HeaderValue("User-Agent")});
        return reply_;
    }

    // No proxy from the outside: these requests go straight to the loopback server.
    testing_support::WithoutMachineProxy noProxy_;
    std::mutex mutex_;
    httpd::Response reply_ = httpd::Response::WithBody(200, "text/plain", "ok");
    std::vector<SeenRequest> seen_;
    httpd::Server server_{[this](const httpd::Request& request) { return Serve(request); }};
};

// A loopback service that takes every connection and its request, then sends
// `opening` (nothing by default) and no more, holding the connection open
// until the service is destroyed.
class StallingService {
public:
    explicit StallingService(std::string opening = {})
            : opening_(std::move(opening)),
              listener_(httpd::ListenTcp("127.0.0.1", 0, 8)),
              port_(httpd::LocalPort(listener_)),
              thread_([this] { Serve(); }) {}
    ~StallingService() {
        stop_ = true;
        thread_.join();
    }
    StallingService(const StallingService&) = delete;
    StallingService& operator=(const StallingService&) = delete;

    std::u16string Url() const {
        return u"http://127.0.0.1:" + platform::ToWide(port_) + u"/input/submit.php?dataset=1";
    }
    // Connections whose request arrived whole.
    int Requests() const { return requests_; }

private:
    void Serve() {
        std::vector<httpd::Socket> held;
        while (!stop_) {
            if (httpd::WaitReadable(listener_, 50) != httpd::WaitResult::kReady) continue;
            httpd::Socket connection = httpd::AcceptConnection(listener_);
            if (!connection || !ReadRequestHead(connection)) continue;
            ++requests_;
            if (!opening_.empty()) httpd::SendAll(connection, opening_);
            held.push_back(std::move(connection));
        }
    }

    bool ReadRequestHead(const httpd::Socket& connection) {
        std::string received;
        char buffer[1024];
        while (!stop_ && received.find("\r\n\r\n") == std::string::npos) {
            if (httpd::WaitReadable(connection, 50) != httpd::WaitResult::kReady) continue;
            const std::ptrdiff_t n = httpd::ReceiveSome(connection, buffer, sizeof buffer);
            if (n <= 0) return false;
            received.append(buffer, static_cast<std::size_t>(n));
        }
        return !stop_;
    }

    std::string opening_;
    httpd::Socket listener_;
    std::uint16_t port_;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::thread thread_;
};

constexpr platform::DownloadTimeouts kShortTimeouts{std::chrono::milliseconds(1000), std::chrono::milliseconds(1000),
                                                    std::chrono::milliseconds(1000)};

// Runs the download against a stalling service with short timeouts. Should the
// download not give up on its own within a generous wait, the service is ended
// so that the test fails instead of hanging.
bool DownloadFromStallingService(std::unique_ptr<StallingService>& service, const std::u16string& file) {
    auto download = std::async(std::launch::async,
                               [url = service->Url(), file] { return DownloadToFile(url, file, kShortTimeouts); });
    const bool gaveUp = download.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    EXPECT_TRUE(gaveUp) << "the download still waits on a silent service";
    if (!gaveUp) service.reset();
    return download.get();
}

}  // namespace

TEST(AgentName, TextAfterTheLastBackslashOrColon) {
    struct Row {
        const char* name;
        std::u16string_view path;
        std::u16string_view expected;
    };
    const Row rows[] = {
        {"full path", u"C:\\Program Files\\Vantrel\\Vantrel.exe", u"Vantrel.exe"},
        {"drive-relative path", u"C:vantrel.exe", u"vantrel.exe"},
        {"bare name", u"vantrel.exe", u"vantrel.exe"},
        {"network path", u"\\\\server\\share\\tool.v2.exe", u"tool.v2.exe"},
        {"folder only", u"C:\\dir\\", u""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(platform::AgentName(row.path), row.expected);
    }
}

TEST_F(DownloadToFileTest, BodySavedWholeAndInOrder) {
    const std::size_t blocks = platform::kDownloadBlockSize;
    struct Row {
        const char* name;
        std::size_t size;
    };
    const Row rows[] = {
        {"empty body", 0},
        {"one byte", 1},
        {"one full block", blocks},
        {"one block and a byte", blocks + 1},
        {"several blocks", 3 * blocks + 500},
        {"many blocks", 200 * blocks + 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string body = PatternBytes(row.size);
        Reply(httpd::Response::WithBody(200, "application/octet-stream", body));
        const std::u16string file = dir_.File(u"reply");
        ASSERT_TRUE(DownloadToFile(Url("/input/submit.php?dataset=1"), file));
        ASSERT_TRUE(FileExists(file));
        EXPECT_EQ(ReadFileBytes(file), body);
    }
}

TEST_F(DownloadToFileTest, GetWithTheUrlAsItStands) {
    ASSERT_TRUE(DownloadToFile(Url("/input/submit.php?dataset=343200656,284882215"), dir_.File(u"reply")));
    const auto seen = Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "GET");
    EXPECT_EQ(seen[0].path, "/input/submit.php");
    EXPECT_EQ(seen[0].query, "dataset=343200656,284882215");
    EXPECT_FALSE(seen[0].absoluteForm);
}

TEST_F(DownloadToFileTest, UserAgentIsTheExecutableFileName) {
    ASSERT_TRUE(DownloadToFile(Url("/"), dir_.File(u"reply")));
    const auto seen = Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].userAgent, std::string("platform_io_tests") + VANTREL_EXE_SUFFIX);
}

TEST_F(DownloadToFileTest, ErrorStatusBodyIsSaved) {
    Reply(httpd::Response::WithBody(404, "text/html", "<html>no such page</html>"));
    const std::u16string file = dir_.File(u"reply");
    EXPECT_TRUE(DownloadToFile(Url("/missing"), file));
    EXPECT_EQ(ReadFileBytes(file), "<html>no such page</html>");
}

// The second answer comes from the server, though the first one said it could
// be kept for an hour.
TEST_F(DownloadToFileTest, SecondRequestOverwritesTheFirstReply) {
    const std::u16string file = dir_.File(u"reply");
    httpd::Response first = httpd::Response::WithBody(200, "text/plain", "http://first.example/a-long-first-reply");
    first.headers.push_back({"Cache-Control", "public, max-age=3600"});
    Reply(first);
    ASSERT_TRUE(DownloadToFile(Url("/input/submit.php?dataset=1"), file));
    Reply(httpd::Response::WithBody(200, "text/plain", "second"));
    ASSERT_TRUE(DownloadToFile(Url("/input/submit.php?dataset=1"), file));
    EXPECT_EQ(ReadFileBytes(file), "second");
    EXPECT_EQ(Seen().size(), 2u);
}

TEST_F(DownloadToFileTest, RefusedConnectionWritesNothing) {
    httpd::Server closed([](const httpd::Request&) { return httpd::Response::Status(200); });
    closed.Start();
    const std::uint16_t port = closed.Port();
    closed.Stop();
    const std::u16string url = u"http://127.0.0.1:" + platform::ToWide(port) + u"/input/submit.php?dataset=1";

    const std::u16string missing = dir_.File(u"reply");
    EXPECT_FALSE(DownloadToFile(url, missing));
    EXPECT_FALSE(FileExists(missing));

    const std::u16string earlier = dir_.Write(u"earlier", "http://earlier.example/");
    EXPECT_FALSE(DownloadToFile(url, earlier));
    EXPECT_EQ(ReadFileBytes(earlier), "http://earlier.example/");
}

TEST_F(DownloadToFileTest, UncreatableFileRaisesTheCreateError) {
    try {
        DownloadToFile(Url("/"), dir_.File(u"no-such-folder\\reply"));
        FAIL() << "no error for a file that cannot be created";
    } catch (const platform::EFCreateError& error) {
        EXPECT_NE(error.Message().find(u"kann nicht erstellt werden"), std::u16string::npos);
    }
    EXPECT_EQ(Seen().size(), 1u);
}

// A service that takes the request and answers nothing: the request fails
// after the timeouts, like a request to no service, and writes nothing.
TEST_F(DownloadToFileTest, SilentServiceFailsAfterTheTimeoutAndWritesNothing) {
    auto service = std::make_unique<StallingService>();
    const std::u16string file = dir_.File(u"reply");
    EXPECT_FALSE(DownloadFromStallingService(service, file));
    EXPECT_FALSE(FileExists(file));
    if (service) {
        EXPECT_EQ(service->Requests(), 1);
    }
}

// A service that stalls in the middle of the body: the transfer is broken off
// after the receive timeout and keeps what arrived, as any broken transfer does.
TEST_F(DownloadToFileTest, ServiceStallingMidBodyKeepsWhatArrived) {
    const std::string arrived = "http://catalogue.test/apps/";
    auto service = std::make_unique<StallingService>(
        "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"
        "Content-Length: 1000\r\n\r\n" +
        arrived);
    const std::u16string file = dir_.File(u"reply");
    EXPECT_TRUE(DownloadFromStallingService(service, file));
    ASSERT_TRUE(FileExists(file));
    const std::string saved = ReadFileBytes(file);
    EXPECT_EQ(saved, arrived.substr(0, saved.size()));
}
