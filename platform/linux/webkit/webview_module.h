// The plain-C face of tintel_webview.so, the module that carries WebKitGTK for the location
// dialog's web view. The program loads it with dlopen when a view is made (platform/linux/
// webview.cpp) and never links WebKit itself.
#pragma once

extern "C" {

// The module's operations; `view` is the module's own object.
struct TintelWebViewApi {
    int version;  // kTintelWebViewApiVersion
    // A visible view of width x height pixels inside the GtkContainer `host`, showing
    // "about:blank"; null when WebKit cannot make one.
    void* (*create)(void* host, int width, int height);
    // Starts loading `url`: 1, or 0 when refused.
    int (*navigate)(void* view, const char* url);
    // The current address (owned by the view, valid until its next call), never null.
    const char* (*currentUrl)(void* view);
    // Destroys the view, its own browsing context and the processes it started.
    void (*destroy)(void* view);
};

// The one exported symbol.
const TintelWebViewApi* tintel_webview_api(void);
}

// Bumped whenever TintelWebViewApi changes.
constexpr int kTintelWebViewApiVersion = 1;
// The exported symbol's name, for dlsym.
constexpr const char* kTintelWebViewEntry = "tintel_webview_api";
