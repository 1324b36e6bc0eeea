// The HTTP operations against real servers on 127.0.0.1 (tests/update/http_server.py starts them
// around this program): the exact request bytes, the single-read rule, the status codes, TLS
// exactly on port 443 with a root made for the test, the URL cache, and opening pages and programs
// without any command interpreter seeing the text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/testing/trusted_root.h"
#include "tests/support/files.h"
#include "platform/thread.h"
#include "update/http.h"
#include "update/json.h"

using testsupport::env;
using testsupport::readFile;
using tintel::DownloadUrlToFile;
using tintel::FetchUrlText;
using tintel::ForgetCachedUrl;
using tintel::OpenInBrowser;
using tintel::RunProgram;
using tintel::SendHttpRequest;

namespace {

std::string plainUrl(const std::string& path) {
    return "http://127.0.0.1:" + env("TINTEL_TEST_HTTP_PORT") + path;
}

// A request as the server received it.
struct Received {
    std::string requestLine;
    std::vector<std::pair<std::string, std::string>> headers;  // names in lower case
    std::string body;

    std::string header(const std::string& name) const {
        for (const auto& [n, v] : headers)
            if (n == name) return v;
        return "<none>";
    }
    std::set<std::string> names() const {
        std::set<std::string> out;
        for (const auto& h : headers)
            out.insert(h.first);
        return out;
    }
};

Received parseEcho(const std::string& raw) {
    Received r;
    const size_t end = raw.find("\r\n\r\n");
    EXPECT_NE(end, std::string::npos) << raw;
    if (end == std::string::npos) return r;
    r.body = raw.substr(end + 4);
    std::istringstream head(raw.substr(0, end));
    std::string line;
    std::getline(head, line);
    r.requestLine = line.substr(0, line.find('\r'));
    while (std::getline(head, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t colon = line.find(':');
        std::string name = line.substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        r.headers.emplace_back(name, value);
    }
    return r;
}

// A request carries exactly the headers HTTP/1.1 itself needs (Host, and Content-Length with a
// body), the agent and the accepted types (WinInet sends them in another order; order is not
// significant in HTTP).
void expectOnlyNeededHeaders(const Received& r, bool withBody) {
    std::set<std::string> expected = {"host", "accept", "user-agent"};
    if (withBody) expected.insert("content-length");
    EXPECT_EQ(r.names(), expected);
    EXPECT_EQ(r.headers.size(), expected.size()) << "no header twice";
    EXPECT_EQ(r.header("user-agent"), "yt");
    EXPECT_EQ(r.header("accept"), "*/*");
    EXPECT_EQ(r.header("host"), "127.0.0.1:" + env("TINTEL_TEST_HTTP_PORT"));
}

// Waits up to ten seconds for a file to hold at least `lines` lines; gives its content.
std::string waitForLines(const std::string& path, size_t lines) {
    std::string text;
    for (int i = 0; i < 1000; ++i) {
        text = readFile(path);
        if (static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= lines) break;
        platform::sleepMs(10);
    }
    return text;
}

std::string scratch(const std::string& name) {
    return env("TINTEL_TEST_SCRATCH") + "/" + name;
}

class Http : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(env("TINTEL_TEST_HTTP_PORT").empty())
            << "run through tests/update/http_server.py, which starts the servers";
    }
};

}  // namespace

TEST_F(Http, GetPostAndPutGoOutAsWrittenWithTheBodyAndItsZeroByte) {
    const struct {
        const char* method;
        const char* path;
        const char* body;
    } rows[] = {{"GET", "/echo?x=1&y=two%20words", nullptr},
                {"POST", "/echo", "abc"},
                {"PUT", "/echo/lights/1/state", R"({"on":true,"bri":254})"},
                {"POST", "/echo", ""}};  // an empty body is still its zero byte
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.method) + " " + row.path);
        std::string response;
        ASSERT_EQ(SendHttpRequest(plainUrl(row.path), row.body, row.method, &response), 0);
        const Received r = parseEcho(response);
        EXPECT_EQ(r.requestLine, std::string(row.method) + " " + row.path + " HTTP/1.1");
        expectOnlyNeededHeaders(r, row.body != nullptr);
        const std::string body = row.body ? std::string(row.body) + '\0' : "";
        EXPECT_EQ(r.body, body);
        if (row.body) {
            EXPECT_EQ(r.header("content-length"), std::to_string(body.size()));
        }
    }
}

TEST_F(Http, TheResponseIsWhatTheFirstReadGives) {
    std::string response = "stale";
    EXPECT_EQ(SendHttpRequest(plainUrl("/pieces"), nullptr, "GET", &response), 0);
    EXPECT_EQ(response, "first piece;") << "the second piece came after the first look";

    response = "stale";
    EXPECT_EQ(SendHttpRequest(plainUrl("/empty"), nullptr, "GET", &response), 0);
    EXPECT_EQ(response, "") << "nothing available: nothing read, still a sent request";

    EXPECT_EQ(SendHttpRequest(plainUrl("/missing"), "x", "POST", &response), 0);
    EXPECT_EQ(response, "not here") << "an HTTP error status is a response like any other";
}

TEST_F(Http, FailuresToStartGiveFourAndFailedSendsGiveMinusOne) {
    const std::string closed = "http://127.0.0.1:" + env("TINTEL_TEST_CLOSED_PORT") + "/echo.txt";
    std::string response = "stale";
    // WinInet connects inside HttpSendRequestA: a refused connection is a failed send.
    EXPECT_EQ(SendHttpRequest(closed, "abc", "POST", &response), -1);
    EXPECT_EQ(response, "");
    EXPECT_EQ(SendHttpRequest("no url at all", nullptr, "GET", &response), 4);

    std::string text = "stale";
    EXPECT_EQ(FetchUrlText(closed, &text), 4);
    EXPECT_EQ(text, "");
    const std::string target = scratch("never.bin");
    EXPECT_EQ(DownloadUrlToFile(closed, target), 4);
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(Http, FetchGivesTheContentThroughTheCacheAndEmptyContentIsMinusOne) {
    std::string text;
    ASSERT_EQ(FetchUrlText(plainUrl("/text.txt"), &text), 0);
    EXPECT_EQ(text, "hello from the test server");
    EXPECT_EQ(FetchUrlText(plainUrl("/redirect.txt"), &text), 0) << "redirects are followed";
    EXPECT_EQ(text, "hello from the test server");
    EXPECT_EQ(FetchUrlText(plainUrl("/empty.txt"), &text), -1);
    EXPECT_EQ(text, "");
    EXPECT_EQ(FetchUrlText(plainUrl("/missing.txt"), &text), 4)
        << "an HTTP error is a failed download";

    ASSERT_EQ(FetchUrlText(plainUrl("/json.json"), &text), 0);
    tintel::JsonValue feed;
    ASSERT_EQ(tintel::ParseJsonValue(text, &feed), 0);
    EXPECT_EQ(tintel::JsonText(tintel::JsonMember(feed, "version")), "2.14");

    // A repeated fetch may come from the cache; after ForgetCachedUrl it comes from the server.
    std::string first, second;
    ASSERT_EQ(FetchUrlText(plainUrl("/counter.txt"), &first), 0);
    const std::string cache = env("TINTEL_TEST_URLCACHE");  // Linux: the cache folder to look at
    if (!cache.empty()) {
        EXPECT_FALSE(std::filesystem::is_empty(cache));
    }
    ForgetCachedUrl(plainUrl("/counter.txt"));
    ForgetCachedUrl(plainUrl("/never-fetched.txt"));  // nothing to forget: no harm
    ASSERT_EQ(FetchUrlText(plainUrl("/counter.txt"), &second), 0);
    EXPECT_NE(first, second);
    ForgetCachedUrl(plainUrl("/counter.txt"));
    if (!cache.empty()) {
        for (const auto& entry : std::filesystem::directory_iterator(cache))
            EXPECT_NE(readFile(entry.path()), second) << "forgotten entry still cached";
    }
}

TEST_F(Http, DownloadWritesTheWholeContentAndLeavesNothingOnFailure) {
    const std::string target = scratch("big.bin");
    ASSERT_EQ(DownloadUrlToFile(plainUrl("/big.bin"), target), 0);
    const std::string bytes = readFile(target);
    ASSERT_EQ(bytes.size(), 1u << 20);
    for (size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(static_cast<uint8_t>(bytes[i]), static_cast<uint8_t>(i * 7 + 3)) << i;

    const std::string missing = scratch("missing.bin");
    EXPECT_EQ(DownloadUrlToFile(plainUrl("/missing.bin"), missing), 4);
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(DownloadUrlToFile(plainUrl("/big.bin"), scratch("no/such/folder/big.bin")), 4);
}

TEST_F(Http, TlsIsUsedExactlyWhenThePortIs443) {
    if (!env("TINTEL_TEST_HTTPS_SKIP").empty())
        GTEST_SKIP() << "HTTPS on 443: " << env("TINTEL_TEST_HTTPS_SKIP");
    platform::testing::TrustedRoot root(env("TINTEL_TEST_CA_FILE"));
    ASSERT_TRUE(root.Ok()) << root.Error();

    std::string response;
    EXPECT_EQ(SendHttpRequest("https://127.0.0.1/whoami", "abc", "POST", &response), 0);
    EXPECT_EQ(response, "tls");
    EXPECT_EQ(SendHttpRequest("http://127.0.0.1:443/whoami", nullptr, "GET", &response), 0);
    EXPECT_EQ(response, "tls") << "port 443 means TLS whatever the scheme says";
    const std::string otherPort = "https://127.0.0.1:" + env("TINTEL_TEST_HTTP_PORT") + "/whoami";
    EXPECT_EQ(SendHttpRequest(otherPort, nullptr, "GET", &response), 0);
    EXPECT_EQ(response, "plain") << "an https URL on another port goes out without TLS";
    EXPECT_EQ(SendHttpRequest("https://127.0.0.1/echo", "abc", "POST", &response), 0);
    EXPECT_EQ(parseEcho(response).body, std::string("abc\0", 4));

    std::string text;
    EXPECT_EQ(FetchUrlText("https://127.0.0.1/whoami.txt", &text), 0);
    EXPECT_EQ(text, "tls");
    // A server whose certificate comes from a root nobody trusts is refused.
    const std::string stray =
        "https://127.0.0.1:" + env("TINTEL_TEST_UNTRUSTED_PORT") + "/whoami.txt";
    EXPECT_EQ(FetchUrlText(stray, &text), 4);
}

TEST_F(Http, PagesOpenOnlyInTheBrowserWhateverTheUrlHolds) {
    const std::string log = scratch("browser.log");
    EXPECT_EQ(OpenInBrowser("ftp://127.0.0.1/", yt::ShellRun::Now), -1);
    EXPECT_EQ(OpenInBrowser("javascript:alert(1)", yt::ShellRun::InBackground), -1);

    // Quotes, blanks and ';' (and other shell syntax) that would run commands if a shell saw them.
    const std::string marker = env("TINTEL_TEST_SCRATCH_UNIX") + "/injected";
    const std::string url = plainUrl("/page?a=\"x y\";touch " + marker + "1;b='$(touch " + marker +
                                     "2)'&c=`touch " + marker + "3`|x&d=%22");
    EXPECT_EQ(OpenInBrowser(url, yt::ShellRun::InBackground), 0);
    const std::string recorded = waitForLines(log, 2);
    std::istringstream lines(recorded);
    std::string count, opened;
    std::getline(lines, count);
    std::getline(lines, opened);
    EXPECT_EQ(count, "1") << "the browser gets the address as one argument: " << recorded;
    EXPECT_EQ(opened, yt::EncodeUrlForShell(url));
    EXPECT_EQ(opened.find_first_of(" \"`"), std::string::npos) << opened;

    EXPECT_EQ(OpenInBrowser(plainUrl("/second page"), yt::ShellRun::Now), 0);
    EXPECT_NE(waitForLines(log, 4).find(plainUrl("/second%20page")), std::string::npos);
    platform::sleepMs(300);  // a command started by the first visit would have run by now
    for (const char* n : {"1", "2", "3"})
        EXPECT_FALSE(std::filesystem::exists(scratch(std::string("injected") + n))) << n;
}

TEST_F(Http, ProgramsStartWithTheirParametersAndNoShell) {
    const std::string log = scratch("args.log");
    EXPECT_EQ(RunProgram(TINTEL_RECORD_ARGS, "/S \"two words\" ; & | $(x) `y` a\\\"b"), 0);
    const std::string recorded = waitForLines(log, 9);
    EXPECT_EQ(recorded, "8\n/S\ntwo words\n;\n&\n|\n$(x)\n`y`\na\"b\n");
    EXPECT_EQ(RunProgram(scratch("no-such-program.exe"), "/S"), -1);
}
