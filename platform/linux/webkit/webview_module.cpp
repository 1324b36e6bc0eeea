// tintel_webview.so: WebKitGTK 4.1 behind the plain-C interface of webview_module.h.
//
// Each view has a browsing context of its own (webkit_web_context_new), so the web and network
// processes WebKit starts for it belong to this view alone and end when it is destroyed; the
// default context would keep its processes (hundreds of megabytes) alive for the rest of the
// program's day. The view sits in a scrolled window without scroll bars, which clips it to the
// host as a child window is clipped on Windows.
#include "platform/linux/webkit/webview_module.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <string>

namespace {

struct View {
    WebKitWebContext* context = nullptr;
    GtkWidget* clip = nullptr;     // the scrolled window in the host (holds the view)
    WebKitWebView* web = nullptr;  // owned by `clip`
    bool gone = false;             // the host destroyed `clip` (and the view) already
    std::string uri;
};

void onClipDestroyed(GtkWidget*, gpointer data) {
    static_cast<View*>(data)->gone = true;
}

// Answers downloads (a page that offers a file) by cancelling them: the dialog has no place to
// put a file and must never stall on a prompt.
void onDownload(WebKitWebContext*, WebKitDownload* download, gpointer) {
    webkit_download_cancel(download);
}

void* create(void* host, int width, int height) {
    if (!host || !GTK_IS_CONTAINER(host)) return nullptr;
    auto* view = new View;
    view->context = webkit_web_context_new();
    g_signal_connect(view->context, "download-started", G_CALLBACK(onDownload), nullptr);
    view->web = WEBKIT_WEB_VIEW(webkit_web_view_new_with_context(view->context));
    gtk_widget_set_size_request(GTK_WIDGET(view->web), width, height);

    view->clip = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(view->clip), GTK_POLICY_EXTERNAL,
                                   GTK_POLICY_EXTERNAL);
    gtk_widget_set_hexpand(view->clip, TRUE);
    gtk_widget_set_vexpand(view->clip, TRUE);
    gtk_container_add(GTK_CONTAINER(view->clip), GTK_WIDGET(view->web));
    gtk_container_add(GTK_CONTAINER(host), view->clip);
    // Held, so that a host destroyed before the view leaves it safe to end.
    g_object_ref(view->clip);
    g_signal_connect(view->clip, "destroy", G_CALLBACK(onClipDestroyed), view);
    gtk_widget_show_all(view->clip);
    webkit_web_view_load_uri(view->web, "about:blank");
    return view;
}

int navigate(void* handle, const char* url) {
    auto* view = static_cast<View*>(handle);
    if (!view || view->gone || !url || !*url) return 0;
    webkit_web_view_load_uri(view->web, url);
    return 1;
}

const char* currentUrl(void* handle) {
    auto* view = static_cast<View*>(handle);
    const gchar* uri = view->gone ? nullptr : webkit_web_view_get_uri(view->web);
    view->uri = uri ? uri : "";
    return view->uri.c_str();
}

void destroy(void* handle) {
    auto* view = static_cast<View*>(handle);
    if (!view) return;
    if (!view->gone) {
        // Stop loading first, so no callback of a half-loaded page runs into a destroyed view.
        webkit_web_view_stop_loading(view->web);
        gtk_widget_destroy(view->clip);
    }
    g_signal_handlers_disconnect_by_func(view->clip, reinterpret_cast<gpointer>(onClipDestroyed),
                                         view);
    g_object_unref(view->clip);
    g_signal_handlers_disconnect_by_func(view->context, reinterpret_cast<gpointer>(onDownload),
                                         nullptr);
    g_object_unref(view->context);
    delete view;
}

const TintelWebViewApi kApi = {kTintelWebViewApiVersion, create, navigate, currentUrl, destroy};

}  // namespace

extern "C" __attribute__((visibility("default"))) const TintelWebViewApi* tintel_webview_api(void) {
    return &kApi;
}
