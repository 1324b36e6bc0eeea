// The Linux web view: tintel_webview.so (WebKitGTK) loaded from beside the executable the first
// time a view is made. The module stays loaded afterwards: WebKit registers GLib types, which can
// never be unloaded safely; what costs memory (the engine's processes and the pages) ends with
// each view.
#include "platform/webview.h"

#include <dlfcn.h>
#include <malloc.h>

#include "platform/linux/webkit/webview_module.h"
#include "platform/process.h"

namespace platform {

namespace {

// The module's interface, or null when it is missing or of another version (looked up once).
const TintelWebViewApi* moduleApi() {
    static const TintelWebViewApi* api = []() -> const TintelWebViewApi* {
        std::string path = modulePath();
        path = path.substr(0, path.find_last_of('/') + 1) + "tintel_webview.so";
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) return nullptr;
        using Entry = const TintelWebViewApi* (*)();
        auto entry = reinterpret_cast<Entry>(dlsym(module, kTintelWebViewEntry));
        const TintelWebViewApi* found = entry ? entry() : nullptr;
        if (!found || found->version != kTintelWebViewApiVersion) return nullptr;
        return found;
    }();
    return api;
}

class LinuxWebView : public WebView {
public:
    LinuxWebView(const TintelWebViewApi* api, void* view) : api_(api), view_(view) {}
    ~LinuxWebView() override {
        api_->destroy(view_);
        // The engine's heap in this process is freed now; give the pages back to the system
        // rather than keep them for a program that runs hidden all day.
        malloc_trim(0);
    }
    bool navigate(const std::string& url) override { return api_->navigate(view_, url.c_str()); }
    std::string currentUrl() override { return api_->currentUrl(view_); }

private:
    const TintelWebViewApi* api_;
    void* view_;
};

}  // namespace

std::unique_ptr<WebView> createWebView(void* host, int width, int height) {
    const TintelWebViewApi* api = moduleApi();
    if (!api) return nullptr;
    void* view = api->create(host, width, height);
    if (!view) return nullptr;
    return std::make_unique<LinuxWebView>(api, view);
}

}  // namespace platform
