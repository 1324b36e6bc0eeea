// The platform's web services under the HTTP operations of update/http.h: downloads through the
// per-user URL cache, downloads to a file, and single requests with a chosen verb.
//
// Status codes as the HTTP operations use them: 0 success; 4 the download, internet handle,
// connection or request failed to start; -1 the request was sent but failed.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A URL split the way the platform's URL splitter (InternetCrackUrlA) delivers it. Each text part
// must fit its buffer together with a terminating zero: scheme 256 bytes, host name 1024, user
// name 1024, password 256, path 1024, extra information (the query with its "?") 1024.
struct UrlParts {
    std::string scheme;
    std::string host;
    std::string userName;
    std::string password;
    std::string path;
    std::string extra;
    int port = 0;  // the scheme's default port when the URL names none
};

// Splits `url`; false when it cannot be split or a part does not fit its buffer.
bool splitUrl(const std::string& url, UrlParts* parts);

// Downloads `url` into the per-user URL cache and gives the cache entry's file. Windows: the
// internet cache through URLDownloadToCacheFileA. Linux: a file per URL in
// $XDG_CACHE_HOME/tintel/urlcache (or ~/.cache/tintel/urlcache), written fresh by each download.
bool downloadUrlToCache(const std::string& url, std::string* cachedFile);

// Downloads `url` to the file at `path`; false when the download fails.
bool downloadUrlToFile(const std::string& url, const std::string& path);

// Removes the URL's entry from the per-user URL cache, if there is one.
void forgetCachedUrl(const std::string& url);

// Sends one request: agent "yt", the verb, object name = path and extra information, accepted
// types "*/*", TLS exactly when the port is 443, no header beyond those HTTP itself needs, and,
// when `body` is not null, the body with its terminating zero byte. The response text is the
// bytes available at the first query after the response head arrived, read once.
// Answers 0, 4 or -1.
int32_t sendHttpRequest(const UrlParts& url, const std::string& verb, const char* body,
                        std::string* response);

}  // namespace platform
