// The embedded web view of the location dialog: the platform's browser engine shown inside a
// dialog control, sent to an address and asked where it is now. Windows hosts the system's
// browser control (IWebBrowser2) through OLE; Linux runs WebKitGTK in a helper process of the
// program's own (tintel_webview beside the executable) embedded in the dialog, started only while
// a view exists, so the program that runs hidden all day never carries the browser engine.
#pragma once

#include <memory>
#include <string>

namespace platform {

class WebView {
public:
    // Ends the view and everything it started (on Linux the helper process and the browser
    // engine's processes below it).
    virtual ~WebView() = default;
    // Starts loading `url`; false when the engine refused it.
    virtual bool navigate(const std::string& url) = 0;
    // The address the view shows now (the last committed navigation; empty before the first).
    // Never waits: on Linux it is the last address the helper reported.
    virtual std::string currentUrl() = 0;
};

// A visible web view of `width` x `height` pixels inside `host` (a dialog control's child host:
// an HWND on Windows, a GtkContainer on Linux, clipped to the host as a child window is), showing
// "about:blank". Null when no browser engine can be had; the caller then runs without one.
std::unique_ptr<WebView> createWebView(void* host, int width, int height);

}  // namespace platform
