// The HTTP services on Windows: URL monikers for downloads through the internet cache and to
// files, WinInet for single requests.
//
// Contents
//   1. handles and COM
//   2. URL splitting
//   3. downloads and the URL cache
//   4. single requests
#include <windows.h>
#include <objbase.h>
#include <urlmon.h>
#include <wininet.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/win32/com_scope.h"
#include "platform/http.h"

namespace platform {
namespace {

// ---- 1. handles and COM ----------------------------------------------------------------------

struct InternetCloser {
    void operator()(void* handle) const { InternetCloseHandle(handle); }
};
// An internet, connection or request handle, closed with InternetCloseHandle.
using InternetHandle = std::unique_ptr<void, InternetCloser>;

}  // namespace

// ---- 2. URL splitting ------------------------------------------------------------------------

bool splitUrl(const std::string& url, UrlParts* parts) {
    char scheme[256], host[1024], user[1024], password[256], path[1024], extra[1024];
    URL_COMPONENTSA components{};
    components.dwStructSize = sizeof components;
    components.lpszScheme = scheme;
    components.dwSchemeLength = sizeof scheme;
    components.lpszHostName = host;
    components.dwHostNameLength = sizeof host;
    components.lpszUserName = user;
    components.dwUserNameLength = sizeof user;
    components.lpszPassword = password;
    components.dwPasswordLength = sizeof password;
    components.lpszUrlPath = path;
    components.dwUrlPathLength = sizeof path;
    components.lpszExtraInfo = extra;
    components.dwExtraInfoLength = sizeof extra;
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &components))
        return false;
    parts->scheme.assign(scheme, components.dwSchemeLength);
    parts->host.assign(host, components.dwHostNameLength);
    parts->userName.assign(user, components.dwUserNameLength);
    parts->password.assign(password, components.dwPasswordLength);
    parts->path.assign(path, components.dwUrlPathLength);
    parts->extra.assign(extra, components.dwExtraInfoLength);
    parts->port = components.nPort;
    return true;
}

// ---- 3. downloads and the URL cache ----------------------------------------------------------

namespace {

// A bind status callback that only learns the HTTP status of the response (IHttpNegotiate's
// OnResponse), so that an error page (404, 500) is not taken for the content: URL monikers
// report success for it (Wine always; Windows for some servers). It lives on the caller's stack
// for one synchronous download; its reference count only satisfies COM's rules.
class HttpStatusProbe : public IBindStatusCallback, public IHttpNegotiate {
public:
    DWORD status() const { return status_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback)) {
            *out = static_cast<IBindStatusCallback*>(this);
        } else if (IsEqualIID(iid, IID_IHttpNegotiate)) {
            *out = static_cast<IHttpNegotiate*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&references_); }

    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                   LPWSTR* additionalHeaders) override {
        *additionalHeaders = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD code, LPCWSTR, LPCWSTR,
                                         LPWSTR* additionalHeaders) override {
        if (additionalHeaders) *additionalHeaders = nullptr;
        status_ = code;
        return S_OK;
    }

private:
    LONG references_ = 1;
    DWORD status_ = 0;  // 0 until a response head has been seen
};

}  // namespace

bool downloadUrlToCache(const std::string& url, std::string* cachedFile) {
    ComScope com;
    HttpStatusProbe probe;
    char name[MAX_PATH] = {};
    if (SUCCEEDED(URLDownloadToCacheFileA(nullptr, url.c_str(), name, MAX_PATH, 0, &probe))) {
        if (probe.status() >= 400) return false;
        *cachedFile = name;
        return true;
    }
    // Wine's URL moniker refuses a URL whose last path segment has no file extension (a light
    // bridge's "/api/<user>") before sending anything: the cache entry it makes needs one. Make
    // the entry here with a neutral extension, download into it and commit it, as the moniker
    // itself does.
    if (!CreateUrlCacheEntryA(url.c_str(), 0, "txt", name, 0)) return false;
    if (!downloadUrlToFile(url, name)) {
        DeleteFileA(name);
        return false;
    }
    const FILETIME never = {};
    if (!CommitUrlCacheEntryA(url.c_str(), name, never, never, NORMAL_CACHE_ENTRY, nullptr, 0,
                              nullptr, nullptr)) {
        DeleteFileA(name);
        return false;
    }
    *cachedFile = name;
    return true;
}

bool downloadUrlToFile(const std::string& url, const std::string& path) {
    ComScope com;
    HttpStatusProbe probe;
    if (FAILED(URLDownloadToFileA(nullptr, url.c_str(), path.c_str(), 0, &probe))) return false;
    if (probe.status() >= 400) {
        DeleteFileA(path.c_str());
        return false;
    }
    // Wine reports success even when the file could not be written (its final copy failed).
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void forgetCachedUrl(const std::string& url) {
    DeleteUrlCacheEntryA(url.c_str());
}

// ---- 4. single requests ----------------------------------------------------------------------

int32_t sendHttpRequest(const UrlParts& url, const std::string& verb, const char* body,
                        std::string* response) {
    response->clear();
    // Access type 0: the system's preconfigured proxy settings.
    InternetHandle internet(InternetOpenA("yt", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!internet) return 4;
    InternetHandle connection(InternetConnectA(internet.get(), url.host.c_str(),
                                               static_cast<INTERNET_PORT>(url.port), nullptr,
                                               nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return 4;
    const std::string object = url.path + url.extra;
    const char* accept[] = {"*/*", nullptr};
    // The secure channel exactly when the port is 443 (INTERNET_FLAG_SECURE, 0x00800000).
    const DWORD flags = url.port == 443 ? INTERNET_FLAG_SECURE : 0;
    InternetHandle request(HttpOpenRequestA(connection.get(), verb.c_str(), object.c_str(), nullptr,
                                            nullptr, accept, flags, 0));
    if (!request) return 4;
    // The optional data is the body with its terminating zero (length = characters + 1).
    std::vector<char> data;
    if (body) data.assign(body, body + strlen(body) + 1);
    if (!HttpSendRequestA(request.get(), nullptr, 0, data.empty() ? nullptr : data.data(),
                          static_cast<DWORD>(data.size())))
        return -1;
    DWORD available = 0;
    if (InternetQueryDataAvailable(request.get(), &available, 0, 0) && available > 0) {
        response->resize(available);
        DWORD read = 0;
        if (!InternetReadFile(request.get(), response->data(), available, &read)) read = 0;
        response->resize(read);
    }
    // The handles close request, connection, internet, in that order (reverse declaration).
    return 0;
}

}  // namespace platform
