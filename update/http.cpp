// The HTTP operations: the portable steps around the platform's web services (platform/http.h).
#include "update/http.h"

#include <cstdio>
#include <memory>

#include "platform/http.h"

namespace tintel {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads a file whole: 0, 2 when it cannot be opened, -1 when reading fails.
int32_t readWholeFile(const std::string& path, std::string* bytes) {
    bytes->clear();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return 2;
    char buffer[16384];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes->append(buffer, n);
    return std::ferror(file.get()) ? -1 : 0;
}

}  // namespace

int32_t FetchUrlText(const std::string& url, std::string* text) {
    text->clear();
    std::string cached;
    if (!platform::downloadUrlToCache(url, &cached)) return 4;
    if (const int32_t read = readWholeFile(cached, text); read != 0) return read;
    return text->empty() ? -1 : 0;
}

int32_t DownloadUrlToFile(const std::string& url, const std::string& path) {
    return platform::downloadUrlToFile(url, path) ? 0 : 4;
}

void ForgetCachedUrl(const std::string& url) {
    platform::forgetCachedUrl(url);
}

int32_t SendHttpRequest(const std::string& url, const char* body, const std::string& verb,
                        std::string* response) {
    response->clear();
    platform::UrlParts parts;
    if (!platform::splitUrl(url, &parts)) return 4;
    return platform::sendHttpRequest(parts, verb, body, response);
}

int32_t OpenInBrowser(const std::string& url, yt::ShellRun how) {
    return yt::OpenUrl(url, how);
}

int32_t RunProgram(const std::string& program, const std::string& parameters) {
    return yt::OpenInShell(program, parameters, yt::ShellRun::Now);
}

}  // namespace tintel
