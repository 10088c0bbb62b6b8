// Fuzzes the catalogue service's request reading: the end of the head, the
// head's request line and headers, the target, and the log line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "service/http/request_parser.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::AsChars({data, size});
    const httpd::Limits limits;
    const std::size_t headEnd = httpd::FindHeadEnd(bytes);
    const std::string_view head = headEnd == std::string_view::npos ? bytes : bytes.substr(0, headEnd);
    std::size_t contentLength = 0;
    if (const auto request = httpd::ParseRequestHead(head, limits, contentLength)) {
        Check(contentLength <= limits.maxBodyBytes);
        Check(request->headers.size() <= limits.maxHeaderCount);
        Check(!request->path.empty());
        (void)request->Host();
    }
    if (const auto target = httpd::ParseTarget(bytes)) Check(!target->path.empty());
    constexpr std::size_t kLogBytes = 200;
    const std::string line = httpd::PrintableRequestLine(bytes, kLogBytes);
    Check(line.size() <= kLogBytes + 3);  // a longer line ends in "..."
    for (const char c : line) Check(c >= 0x20 && c < 0x7F);
    return 0;
}
