#include "service/http/request_parser.h"

#include <gtest/gtest.h>

#include <string>

using namespace httpd;

namespace {

struct TargetRow {
    const char* name;
    const char* target;
    bool valid;
    const char* authority;
    const char* path;
    const char* query;
};

const TargetRow kTargets[] = {
    {"root", "/", true, "", "/", ""},
    {"origin with query", "/input/submit.php?dataset=1,2,3", true, "", "/input/submit.php", "dataset=1,2,3"},
    {"empty query", "/a?", true, "", "/a", ""},
    {"second question mark stays in query", "/a?b?c", true, "", "/a", "b?c"},
    {"fragment dropped", "/a?b#frag", true, "", "/a", "b"},
    {"absolute with port", "http://localhost:80/input/submit.php?dataset=7", true, "localhost:80", "/input/submit.php",
     "dataset=7"},
    {"absolute without path", "http://example.test", true, "example.test", "/", ""},
    {"absolute query without path", "http://example.test?x=1", true, "example.test", "/", "x=1"},
    {"scheme in capitals", "HTTP://Host/p", true, "Host", "/p", ""},
    {"asterisk", "*", false, "", "", ""},
    {"authority form", "example.test:443", false, "", "", ""},
    {"other scheme", "https://example.test/", false, "", "", ""},
    {"empty authority", "http:///path", false, "", "", ""},
    {"user info", "http://user@example.test/", false, "", "", ""},
    {"relative path", "index.html", false, "", "", ""},
    {"control character", "/a\x01", false, "", "", ""},
    {"non-ASCII byte", "/caf\xC3\xA9", false, "", "", ""},
    {"empty", "", false, "", "", ""},
};

TEST(ParseTarget, SplitsOriginAndAbsoluteFormsAndRefusesOthers) {
    for (const TargetRow& row : kTargets) {
        SCOPED_TRACE(row.name);
        const std::optional<ParsedTarget> parsed = ParseTarget(row.target);
        ASSERT_EQ(parsed.has_value(), row.valid);
        if (!parsed) continue;
        EXPECT_EQ(parsed->authority, row.authority);
        EXPECT_EQ(parsed->path, row.path);
        EXPECT_EQ(parsed->query, row.query);
    }
}

struct HeadRow {
    const char* name;
    std::string head;
    bool valid;
};

std::string Repeat(const std::string& text, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) out += text;
    return out;
}

TEST(ParseRequestHead, AcceptsWellFormedHeadsAndRefusesBrokenOnes) {
    Limits limits;
    limits.maxRequestLine = 100;
    limits.maxHeadBytes = 400;
    limits.maxHeaderCount = 5;
    limits.maxBodyBytes = 1000;
    const HeadRow rows[] = {
        {"plain", "GET / HTTP/1.1\r\nHost: a\r\n\r\n", true},
        {"bare line feeds", "GET / HTTP/1.0\nHost: a\n\n", true},
        {"no headers", "GET / HTTP/1.0\r\n\r\n", true},
        {"body within limit", "POST / HTTP/1.1\r\nContent-Length: 1000\r\n\r\n", true},
        {"same length twice", "POST / HTTP/1.1\r\nContent-Length: 3\r\nContent-Length: 3\r\n\r\n", true},
        {"header count at limit", "GET / HTTP/1.1\r\n" + Repeat("X: y\r\n", 5) + "\r\n", true},
        {"request line at limit", "GET /" + std::string(100 - 14, 'a') + " HTTP/1.1\r\n\r\n", true},
        {"garbage", "hello world\r\n\r\n", false},
        {"two words", "GET /\r\n\r\n", false},
        {"double space", "GET  / HTTP/1.1\r\n\r\n", false},
        {"unknown version", "GET / HTTP/2.0\r\n\r\n", false},
        {"lower-case version", "GET / http/1.1\r\n\r\n", false},
        {"method with slash", "G/T / HTTP/1.1\r\n\r\n", false},
        {"space in target", "GET /a b HTTP/1.1\r\n\r\n", false},
        {"request line too long", "GET /" + std::string(100 - 13, 'a') + " HTTP/1.1\r\n\r\n", false},
        {"header without colon", "GET / HTTP/1.1\r\nHost a\r\n\r\n", false},
        {"space before colon", "GET / HTTP/1.1\r\nHost : a\r\n\r\n", false},
        {"folded header", "GET / HTTP/1.1\r\nX: a\r\n b\r\n\r\n", false},
        {"control in value", "GET / HTTP/1.1\r\nX: a\x01\r\n\r\n", false},
        {"bare CR inside a line", "GET / HTTP/1.1\r\nX: a\rY: b\r\n\r\n", false},
        {"too many headers", "GET / HTTP/1.1\r\n" + Repeat("X: y\r\n", 6) + "\r\n", false},
        {"head too big", "GET / HTTP/1.1\r\nX: " + std::string(400, 'v') + "\r\n\r\n", false},
        {"body too big", "POST / HTTP/1.1\r\nContent-Length: 1001\r\n\r\n", false},
        {"length not a number", "POST / HTTP/1.1\r\nContent-Length: 1e3\r\n\r\n", false},
        {"negative length", "POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", false},
        {"conflicting lengths", "POST / HTTP/1.1\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\n", false},
        {"chunked", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", false},
        {"empty", "", false},
    };
    for (const HeadRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::size_t contentLength = 99;
        EXPECT_EQ(ParseRequestHead(row.head, limits, contentLength).has_value(), row.valid);
    }
}

TEST(ParseRequestHead, FillsEveryField) {
    std::size_t contentLength = 0;
    const std::optional<Request> request = ParseRequestHead(
        "POST http://svc.test:8080/input/submit.php?dataset=1,2 HTTP/1.1\r\n"
        "User-Agent: vantrel.exe\r\nHost: other\r\nContent-Length:  12 \r\n\r\n",
        Limits{}, contentLength);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->method, "POST");
    EXPECT_EQ(request->target, "http://svc.test:8080/input/submit.php?dataset=1,2");
    EXPECT_EQ(request->authority, "svc.test:8080");
    EXPECT_EQ(request->path, "/input/submit.php");
    EXPECT_EQ(request->query, "dataset=1,2");
    EXPECT_EQ(request->version, "HTTP/1.1");
    EXPECT_EQ(request->HeaderValue("user-agent"), "vantrel.exe");
    EXPECT_EQ(request->Host(), "svc.test:8080");  // the absolute target wins over the Host header
    EXPECT_EQ(contentLength, 12u);
    ASSERT_EQ(request->headers.size(), 3u);
    EXPECT_EQ(request->headers[2].name, "Content-Length");
    EXPECT_EQ(request->headers[2].value, "12");
}

TEST(FindHeadEnd, FindsTheFirstBlankLine) {
    EXPECT_EQ(FindHeadEnd("GET / HTTP/1.1\r\n\r\nbody"), 18u);
    EXPECT_EQ(FindHeadEnd("GET / HTTP/1.1\n\nbody"), 16u);
    EXPECT_EQ(FindHeadEnd("GET / HTTP/1.1\r\nHost: a\r\n"), std::string_view::npos);
    EXPECT_EQ(FindHeadEnd(""), std::string_view::npos);
}

TEST(PrintableRequestLine, ShowsOnlyTheFirstLineWithControlsMasked) {
    EXPECT_EQ(PrintableRequestLine("GET /a HTTP/1.1\r\nHost: x\r\n\r\n", 100), "GET /a HTTP/1.1");
    EXPECT_EQ(PrintableRequestLine("A\x01\x1b[2J\xff", 100), "A??[2J?");
    EXPECT_EQ(PrintableRequestLine("abcdef", 3), "abc...");
}

// The head the server sends; the body follows it unless the request was HEAD
// (see ServerTest.AHeadRequestGetsNoBody).
TEST(SerializeResponse, AddsLengthAndCloseAndDropsInjectedLines) {
    Response response = Response::WithBody(404, "text/plain", "gone");
    response.headers.push_back({"X-Note", "a\r\nSet-Cookie: evil"});
    response.headers.push_back({"Content-Length", "999"});
    EXPECT_EQ(SerializeHead(response),
              "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\nX-Note: aSet-Cookie: evil\r\n"
              "Content-Length: 4\r\nConnection: close\r\n\r\n");
}

}  // namespace
