// The blocking web operations every networked feature shares: a URL's content as text, a download
// to a file, one request with a body and a chosen verb, and opening pages and programs. They run on
// worker threads (never the UI thread); each call opens and closes its own handles, and nothing is
// shared between calls except the per-user URL cache.
//
// Status codes: 0 success; 4 the download, internet handle, connection or request failed to start;
// -1 the request was sent but failed, or an empty result; 2 a downloaded file cannot be opened.
// No operation retries; callers decide about retries and waits.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/shell.h"

namespace tintel {

// Downloads the URL through the per-user URL cache (a repeated fetch may be answered from it as
// the platform decides) and gives the content's bytes as they are. An empty content answers -1.
int32_t FetchUrlText(const std::string& url, std::string* text);

// Writes the URL's content to the file at `path`; 0, or 4 when the download fails.
int32_t DownloadUrlToFile(const std::string& url, const std::string& path);

// Removes the URL's entry from the per-user URL cache.
void ForgetCachedUrl(const std::string& url);

// Sends one request with `verb` (for example "POST" or "PUT") and, unless `body` is null, the body
// text followed by its terminating zero byte; no Content-Type or other header of its own. TLS is
// used exactly when the URL's port is 443. The response text is what was available at the first
// look after the response head arrived, read once: a longer response is cut there.
int32_t SendHttpRequest(const std::string& url, const char* body, const std::string& verb,
                        std::string* response);

// Opens a web page in the user's browser (yt::OpenUrl): only texts beginning with "http" (else -1,
// nothing opens). In the background, a ThreadedVisit opens it and the call answers 0 at once.
int32_t OpenInBrowser(const std::string& url, yt::ShellRun how);

// Starts a program with its parameter text through the shell's "open", on the calling thread.
int32_t RunProgram(const std::string& program, const std::string& parameters);

}  // namespace tintel
