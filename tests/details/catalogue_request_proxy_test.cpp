// The catalogue request as the program sends it, over a real loopback proxy.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "details/catalogue_request.h"
#include "platform/strings.h"
#include "service/http/http_server.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_dir.h"

using testing_support::ReadFileBytes;
using testing_support::ScopedVariable;

namespace {

// Every request it receives is kept; each is answered with one address.
class RecordingProxy {
public:
    RecordingProxy() { server_.Start(); }
    std::string Address() const { return "http://127.0.0.1:" + std::to_string(server_.Port()); }
    std::vector<httpd::Request> Seen() {
        std::lock_guard lock(mutex_);
        return seen_;
    }

private:
    httpd::Response Serve(const httpd::Request& request) {
        std::lock_guard lock(mutex_);
        seen_.push_back(request);
        return httpd::Response::WithBody(200, "text/plain", "http://catalogue.example/apps/1,2\r\n");
    }

    std::mutex mutex_;
    std::vector<httpd::Request> seen_;
    httpd::Server server_{[this](const httpd::Request& request) { return Serve(request); }};
};

}  // namespace

// To the configured catalogue host, through the proxy that http_proxy names;
// the proxy gets the absolute address.
TEST(CatalogueRequestOverHttp, GoesToTheConfiguredHostThroughTheProxy) {
    const testing_support::WithoutMachineProxy noProxy;
    RecordingProxy proxy;
    const ScopedVariable proxyVariable("http_proxy", proxy.Address());
    const testing_support::TempDir dir;
    const std::u16string file = details::ReplyFile(dir.Path());
    ASSERT_TRUE(details::SubmitIdentifiers(u"343200656,284882215", file));
    EXPECT_EQ(ReadFileBytes(file), "http://catalogue.example/apps/1,2\r\n");
    const auto seen = proxy.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].IsAbsoluteForm()) << seen[0].target;
    const std::string host = platform::WideToUtf8(details::ServiceHost);
    EXPECT_TRUE(seen[0].Host() == host || seen[0].Host() == host + ":80") << seen[0].Host();
    EXPECT_EQ(seen[0].path, "/input/submit.php");
    EXPECT_EQ(seen[0].query, "dataset=343200656,284882215");
}
