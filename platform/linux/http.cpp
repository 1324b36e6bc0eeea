// The HTTP services on Linux, with libcurl in place of URL monikers and WinInet. The requests on
// the wire are the ones WinInet sends: the verb, the path and query as the URL has them, agent
// "yt", "Accept: */*", the Host and Content-Length that HTTP itself needs and nothing else (curl's
// Content-Type and Expect are removed), HTTP/1.1, TLS exactly when the port is 443.
//
// Tests trust a certificate of their own through the environment variable TINTEL_TEST_CA_FILE: when
// it is set, that file is the only set of trusted roots (CURLOPT_CAINFO, no CA folder). Only the
// tests set it.
//
// Contents
//   1. common set-up of a curl handle
//   2. URL splitting
//   3. the URL cache and downloads
//   4. single requests
#include <curl/curl.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/http.h"

namespace platform {
namespace {

// ---- 1. common set-up of a curl handle -------------------------------------------------------

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// A new easy handle; curl's global state is set up once, before the first (it is not safe to let
// curl_easy_init do that from several threads at once).
Easy newEasy() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return Easy(curl_easy_init());
}

// Options every transfer shares: no signals (worker threads), web protocols only, time limits in
// the spirit of WinInet's (60 s to connect; a transfer that moves nothing for 60 s fails), the
// agent name, and the test roots when the tests set them.
void commonOptions(CURL* easy) {
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 60L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "yt");
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    if (const char* roots = getenv("TINTEL_TEST_CA_FILE"); roots && *roots) {
        curl_easy_setopt(easy, CURLOPT_CAINFO, roots);
        curl_easy_setopt(easy, CURLOPT_CAPATH, static_cast<char*>(nullptr));
    }
}

// ---- 2. URL splitting ------------------------------------------------------------------------

// Reads one part of a parsed URL into `out`; a missing part is empty. False when the part is
// longer than `buffer` bytes allow (with the terminating zero), as InternetCrackUrlA would fail.
bool urlPart(CURLU* url, CURLUPart which, unsigned flags, size_t buffer, std::string* out) {
    char* text = nullptr;
    out->clear();
    if (curl_url_get(url, which, &text, flags) == CURLUE_OK && text) {
        out->assign(text);
        curl_free(text);
    }
    return out->size() + 1 <= buffer;
}

// ---- 3. the URL cache and downloads ----------------------------------------------------------

// The per-user cache folder, created when missing; empty when there is no home to put it in.
std::string cacheFolder() {
    std::string base;
    if (const char* xdg = getenv("XDG_CACHE_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.cache";
    } else {
        return {};
    }
    std::string folder;
    for (const char* part : {"", "/tintel", "/urlcache"}) {
        folder = (folder.empty() ? base : folder) + part;
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    }
    return folder;
}

// The cache entry's file for a URL: 64-bit FNV-1a of the URL in hexadecimal.
std::string cacheEntry(const std::string& folder, const std::string& url) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a offset basis
    for (char c : url) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 1099511628211ull;  // FNV prime
    }
    char name[32];
    snprintf(name, sizeof name, "/%016" PRIx64, hash);
    return folder + name;
}

size_t writeToFile(char* data, size_t size, size_t count, void* file) {
    return fwrite(data, size, count, static_cast<FILE*>(file));
}

// Downloads `url` into a new temporary file beside `path` and renames it to `path` when the whole
// content has arrived, so no partial file is ever left at `path`. HTTP errors (400 and up) fail,
// as they do for URL monikers; redirects are followed.
bool downloadTo(const std::string& url, const std::string& path) {
    std::string temporary = path + ".partXXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return false;
    FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(temporary.c_str());
        return false;
    }
    bool ok = false;
    if (Easy easy = newEasy()) {
        commonOptions(easy.get());
        curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy.get(), CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy.get(), CURLOPT_MAXREDIRS, 10L);
        curl_easy_setopt(easy.get(), CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, writeToFile);
        curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, file);
        ok = curl_easy_perform(easy.get()) == CURLE_OK;
    }
    ok = fclose(file) == 0 && ok;
    if (ok) ok = rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) unlink(temporary.c_str());
    return ok;
}

// ---- 4. single requests ----------------------------------------------------------------------

// The single-read rule. WinInet's InternetQueryDataAvailable waits until some of the body has
// arrived and tells how much is buffered; one InternetReadFile of exactly that many bytes follows.
// libcurl hands the body to its write callback as it arrives, one call per read from the
// connection (after TLS decryption and transfer decoding): the first call carries what was there
// at the first look, so it is kept and the transfer is ended right there by answering 0, which
// curl reports as CURLE_WRITE_ERROR.
struct FirstRead {
    std::string* response;
    bool taken = false;
};

size_t keepFirstRead(char* data, size_t size, size_t count, void* context) {
    auto* first = static_cast<FirstRead*>(context);
    if (!first->taken) {
        first->taken = true;
        first->response->assign(data, size * count);
    }
    return 0;
}

}  // namespace

bool splitUrl(const std::string& url, UrlParts* parts) {
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed) return false;
    if (curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(),
                     CURLU_NON_SUPPORT_SCHEME | CURLU_PATH_AS_IS | CURLU_ALLOW_SPACE) != CURLUE_OK)
        return false;
    std::string query;
    std::string port;
    const bool fits = urlPart(parsed.get(), CURLUPART_SCHEME, 0, 256, &parts->scheme) &&
                      urlPart(parsed.get(), CURLUPART_HOST, 0, 1024, &parts->host) &&
                      urlPart(parsed.get(), CURLUPART_USER, 0, 1024, &parts->userName) &&
                      urlPart(parsed.get(), CURLUPART_PASSWORD, 0, 256, &parts->password) &&
                      urlPart(parsed.get(), CURLUPART_PATH, 0, 1024, &parts->path) &&
                      urlPart(parsed.get(), CURLUPART_QUERY, 0, 1023, &query) &&
                      urlPart(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT, 16, &port);
    if (!fits) return false;
    parts->extra = query.empty() ? std::string() : "?" + query;
    parts->port = port.empty() ? 0 : atoi(port.c_str());
    return true;
}

bool downloadUrlToCache(const std::string& url, std::string* cachedFile) {
    const std::string folder = cacheFolder();
    if (folder.empty()) return false;
    const std::string entry = cacheEntry(folder, url);
    if (!downloadTo(url, entry)) return false;
    *cachedFile = entry;
    return true;
}

bool downloadUrlToFile(const std::string& url, const std::string& path) {
    return downloadTo(url, path);
}

void forgetCachedUrl(const std::string& url) {
    const std::string folder = cacheFolder();
    if (!folder.empty()) unlink(cacheEntry(folder, url).c_str());
}

int32_t sendHttpRequest(const UrlParts& url, const std::string& verb, const char* body,
                        std::string* response) {
    response->clear();
    Easy easy = newEasy();
    if (!easy) return 4;
    // InternetConnectA with port 0 (INTERNET_INVALID_PORT_NUMBER) uses the HTTP default.
    const int port = url.port == 0 ? 80 : url.port;
    const std::string origin =
        std::string(port == 443 ? "https://" : "http://") + url.host + ":" + std::to_string(port);
    // The request target is sent as the URL has it (WinInet's object name), not re-encoded.
    std::string target = url.path + url.extra;
    if (target.empty() || target[0] != '/') target.insert(0, "/");

    HeaderList headers(curl_slist_append(nullptr, "Accept: */*"));
    if (!headers) return 4;
    for (const char* line : {"Content-Type:", "Expect:"}) {
        if (!curl_slist_append(headers.get(), line)) return 4;
    }

    CURL* c = easy.get();
    commonOptions(c);
    curl_easy_setopt(c, CURLOPT_URL, (origin + "/").c_str());
    curl_easy_setopt(c, CURLOPT_REQUEST_TARGET, target.c_str());
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, verb.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    if (body) {
        // The body goes out with its terminating zero byte (length = characters + 1).
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(strlen(body) + 1));
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, body);
    }
    FirstRead first{response};
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, keepFirstRead);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &first);

    // HttpSendRequestA succeeds once the response head has arrived; what follows cannot fail the
    // request any more (a body that never comes is simply an empty response), so curl's own result
    // (CURLE_WRITE_ERROR after the first read) does not decide.
    curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (status == 0) {
        response->clear();
        return -1;
    }
    return 0;
}

}  // namespace platform
