// The HTTP operations against real servers on 127.0.0.1 (tests/update/http_server.py starts them
// around this program): the request bytes, the single-read rule, the status codes, TLS exactly on
// port 443, the URL cache, and pages and programs opened without a command interpreter.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/testing/trusted_root.h"
#include "platform/thread.h"
#include "tests/support/files.h"
#include "update/http.h"

using namespace tintel;
using testsupport::env;
using testsupport::readFile;

namespace {

std::string plainUrl(const std::string& path) {
    return "http://127.0.0.1:" + env("TINTEL_TEST_HTTP_PORT") + path;
}

std::string scratch(const std::string& name) {
    return env("TINTEL_TEST_SCRATCH") + "/" + name;
}

// Waits up to ten seconds for the file to hold at least `lines` lines; gives its content.
std::string waitForLines(const std::string& path, size_t lines) {
    std::string text;
    for (int i = 0; i < 1000; ++i, platform::sleepMs(10)) {
        text = readFile(path);
        if (size_t(std::count(text.begin(), text.end(), '\n')) >= lines) break;
    }
    return text;
}

}  // namespace

// Only the headers HTTP/1.1 needs, the agent and the accepted types, each once (in any order:
// WinInet sends another); a body always ends in its zero byte. The server sorts the headers.
TEST(Http, RequestsGoOutAsWrittenWithTheBodyAndItsZeroByte) {
    const struct {
        const char* method;
        const char* path;
        const char* body;
    } rows[] = {{"GET", "/echo?x=1&y=two%20words", nullptr},
                {"POST", "/echo", "abc"},
                {"PUT", "/echo/lights/1/state", R"({"on":true,"bri":254})"},
                {"POST", "/echo", ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.method) + " " + row.path);
        std::string response;
        ASSERT_EQ(SendHttpRequest(plainUrl(row.path), row.body, row.method, &response), 0);
        const std::string body = row.body ? std::string(row.body) + '\0' : "";
        EXPECT_EQ(response,
                  std::string(row.method) + " " + row.path + " HTTP/1.1\naccept: */*\n" +
                      (row.body ? "content-length: " + std::to_string(body.size()) + "\n" : "") +
                      "host: 127.0.0.1:" + env("TINTEL_TEST_HTTP_PORT") + "\nuser-agent: yt\n\n" +
                      body);
    }
}

// 4: failed to start; -1: sent but failed, or empty. A download leaves no file when it fails.
TEST(Http, EachOperationGivesItsStatusAndTheWholeContent) {
    enum Op { Send, Fetch, Download };
    const std::string closed = "http://127.0.0.1:" + env("TINTEL_TEST_CLOSED_PORT") + "/echo.txt";
    std::string pattern(1 << 20, '\0');
    for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = char(i * 7 + 3);
    const struct {
        Op op;
        std::string url;
        int32_t code;
        std::optional<std::string> content;  // Download: the file's, or none for no file
        const char* file = "download.bin";
    } rows[] = {
        {Send, plainUrl("/pieces"), 0, "first piece;"},  // the second came after the first look
        {Send, plainUrl("/empty"), 0, ""},
        {Send, plainUrl("/missing"), 0, "not here"},  // an HTTP error status is a response too
        {Send, closed, -1, ""},  // WinInet connects inside HttpSendRequestA: a failed send
        {Send, "no url at all", 4, std::nullopt},
        {Fetch, plainUrl("/text.txt"), 0, "hello from the test server"},
        {Fetch, plainUrl("/redirect.txt"), 0, "hello from the test server"},
        {Fetch, plainUrl("/empty.txt"), -1, ""},
        {Fetch, plainUrl("/missing.txt"), 4, std::nullopt},
        {Fetch, closed, 4, ""},
        {Download, plainUrl("/big.bin"), 0, pattern},
        {Download, plainUrl("/missing.bin"), 4, std::nullopt},
        {Download, closed, 4, std::nullopt},
        {Download, plainUrl("/big.bin"), 4, std::nullopt, "no/such/folder/big.bin"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.url);
        std::string out = "stale";
        const std::string file = scratch(row.file);
        std::filesystem::remove(file);
        if (row.op == Send) {
            EXPECT_EQ(SendHttpRequest(row.url, "x", "POST", &out), row.code);
        }
        if (row.op == Fetch) {
            EXPECT_EQ(FetchUrlText(row.url, &out), row.code);
        }
        if (row.op == Download) {
            EXPECT_EQ(DownloadUrlToFile(row.url, file), row.code);
            EXPECT_EQ(std::filesystem::exists(file), row.content.has_value());
            out = readFile(file);
        }
        if (row.content) {
            EXPECT_TRUE(out == *row.content) << out.substr(0, 80);
        }
    }
}

TEST(Http, TlsIsUsedExactlyWhenThePortIs443) {
    if (!env("TINTEL_TEST_HTTPS_SKIP").empty())
        GTEST_SKIP() << "HTTPS on 443: " << env("TINTEL_TEST_HTTPS_SKIP");
    platform::testing::TrustedRoot root(env("TINTEL_TEST_CA_FILE"));
    ASSERT_TRUE(root.Ok()) << root.Error();
    const std::string otherPort = "https://127.0.0.1:" + env("TINTEL_TEST_HTTP_PORT") + "/whoami";
    const struct {
        std::string url;
        const char* answer;
    } rows[] = {{"https://127.0.0.1/whoami", "tls"},
                {"http://127.0.0.1:443/whoami", "tls"},  // whatever the scheme says
                {otherPort, "plain"}};
    for (const auto& row : rows) {
        std::string response;
        EXPECT_EQ(SendHttpRequest(row.url, "abc", "POST", &response), 0) << row.url;
        EXPECT_EQ(response, row.answer) << row.url;
    }
    std::string response;
    EXPECT_EQ(SendHttpRequest("https://127.0.0.1/echo", "abc", "POST", &response), 0);
    EXPECT_EQ(response.substr(response.find("\n\n")), std::string("\n\nabc\0", 6));
    EXPECT_EQ(FetchUrlText("https://127.0.0.1/whoami.txt", &response), 0);
    EXPECT_EQ(response, "tls");
    // A certificate from a root nobody trusts is refused.
    const std::string stray = "https://127.0.0.1:" + env("TINTEL_TEST_UNTRUSTED_PORT") + "/x.txt";
    EXPECT_EQ(FetchUrlText(stray, &response), 4);
}

TEST(Http, PagesOpenOnlyInTheBrowserWhateverTheUrlHolds) {
    const std::string log = scratch("browser.log");
    EXPECT_EQ(OpenInBrowser("ftp://127.0.0.1/", yt::ShellRun::Now), -1);
    EXPECT_EQ(OpenInBrowser("javascript:alert(1)", yt::ShellRun::InBackground), -1);
    // Quotes, blanks, ';' and other shell syntax that would run commands if a shell saw them.
    const std::string marker = env("TINTEL_TEST_SCRATCH_UNIX") + "/injected";
    const std::string url = plainUrl("/page?a=\"x y\";touch " + marker + "1;b='$(touch " + marker +
                                     "2)'&c=`touch " + marker + "3`|x&d=%22");
    EXPECT_EQ(OpenInBrowser(url, yt::ShellRun::InBackground), 0);
    const std::string encoded = yt::EncodeUrlForShell(url);
    EXPECT_EQ(encoded.find_first_of(" \"`"), std::string::npos) << encoded;
    EXPECT_EQ(waitForLines(log, 2), "1\n" + encoded + "\n");  // the address as one argument
    EXPECT_EQ(OpenInBrowser(plainUrl("/second page"), yt::ShellRun::Now), 0);
    EXPECT_EQ(waitForLines(log, 4), "1\n" + encoded + "\n1\n" + plainUrl("/second%20page") + "\n");
    platform::sleepMs(300);  // a command started by the first visit would have run by now
    for (const char* n : {"1", "2", "3"}) {
        EXPECT_FALSE(std::filesystem::exists(scratch(std::string("injected") + n))) << n;
    }
}

TEST(Http, ProgramsStartWithTheirParametersAndNoShell) {
    EXPECT_EQ(RunProgram(TINTEL_RECORD_ARGS, "/S \"two words\" ; & | $(x) `y` a\\\"b"), 0);
    EXPECT_EQ(waitForLines(scratch("args.log"), 9), "8\n/S\ntwo words\n;\n&\n|\n$(x)\n`y`\na\"b\n");
    EXPECT_EQ(RunProgram(scratch("no-such-program.exe"), "/S"), -1);
}
