// The Linux web view: WebKitGTK in a helper process, tintel_webview beside the executable
// (linux/webkit/), embedded in a GtkSocket in the dialog and driven by lines on a socket pair
// (webview_protocol.h). The program never maps the browser engine: its libraries, its heap and
// its web and network processes live in the helper, and all of them go when the view ends.
//
// Nothing here waits for the helper: the address the helper reports is read by a
// GLib watch as the dialog's pump runs (and once more when asked for), so a stuck or killed
// helper costs the dialog its map and nothing else.
#include "platform/webview.h"

#include <gtk/gtk.h>
#include <glib-unix.h>
#include <gtk/gtkx.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/linux/spawn.h"
#include "platform/linux/webkit/webview_protocol.h"
#include "platform/process.h"

namespace platform {

namespace {

namespace protocol = webview_protocol;
using Clock = std::chrono::steady_clock;

// How long an ending helper may take to end its view and WebKit's processes before it is killed
// (and how long a helper that reads nothing may hold up a line sent to it).
constexpr auto kEndLimit = std::chrono::seconds(3);
// What the helper says is short lines; one without an end this long is not the helper talking.
constexpr size_t kLongestLine = 1 << 20;

std::string helperPath() {
    std::string path = modulePath();
    return path.substr(0, path.find_last_of('/') + 1) + "tintel_webview";
}

class HelperWebView : public WebView {
public:
    HelperWebView(GtkWidget* clip, pid_t pid, int fd) : clip_(clip), pid_(pid), fd_(fd) {
        g_signal_connect(clip_, "destroy", G_CALLBACK(onClipDestroyed), this);
        watch_ = g_unix_fd_add(fd_, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                               onReadable, this);
    }

    ~HelperWebView() override {
        if (watch_) g_source_remove(watch_);
        // The helper quits at the end of its input, ending WebKit's processes with it; one that
        // does not is killed. Its plug goes before the socket it sits in.
        close(fd_);
        endHelper();
        g_signal_handlers_disconnect_by_func(clip_, reinterpret_cast<gpointer>(onClipDestroyed),
                                             this);
        if (!clipGone_) gtk_widget_destroy(clip_);
        g_object_unref(clip_);
    }

    bool navigate(const std::string& url) override {
        read();
        if (!alive_ || url.empty() || url.find_first_of("\r\n") != std::string::npos) return false;
        return send(protocol::kNavigate + url + "\n");
    }

    std::string currentUrl() override {
        read();
        return url_;
    }

private:
    static void onClipDestroyed(GtkWidget*, gpointer data) {
        static_cast<HelperWebView*>(data)->clipGone_ = true;
    }

    static gboolean onReadable(gint, GIOCondition, gpointer data) {
        auto* self = static_cast<HelperWebView*>(data);
        self->read();
        if (self->alive_) return G_SOURCE_CONTINUE;
        self->watch_ = 0;
        return G_SOURCE_REMOVE;
    }

    // Takes whatever the helper said (without waiting); its end, or nonsense, marks it gone.
    void read() {
        char buffer[4096];
        while (alive_) {
            const ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
            if (n <= 0) {
                alive_ = false;
                break;
            }
            inbox_.append(buffer, static_cast<size_t>(n));
            size_t end;
            while ((end = inbox_.find('\n')) != std::string::npos) {
                take(inbox_.substr(0, end));
                inbox_.erase(0, end + 1);
            }
            if (inbox_.size() > kLongestLine) alive_ = false;
        }
    }

    void take(const std::string& line) {
        const std::string url = protocol::kUrl;
        if (line.compare(0, url.size(), url) == 0) url_ = line.substr(url.size());
        // A refused line leaves the view where it was, which the next address read shows.
    }

    bool send(const std::string& text) {
        size_t done = 0;
        const auto until = Clock::now() + kEndLimit;
        while (done < text.size()) {
            // MSG_NOSIGNAL: a helper killed from outside must not take the program with it.
            const ssize_t n =
                ::send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && left.count() > 0) {
                pollfd p{fd_, POLLOUT, 0};
                poll(&p, 1, static_cast<int>(left.count()));
                continue;
            }
            alive_ = false;
            return false;
        }
        return true;
    }

    void endHelper() {
        const auto until = Clock::now() + kEndLimit;
        int status = 0;
        for (;;) {
            const pid_t got = waitpid(pid_, &status, WNOHANG);
            if (got == pid_ || (got < 0 && errno != EINTR)) return;
            if (Clock::now() >= until) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid_, SIGKILL);
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }

    GtkWidget* clip_;  // the scrolled window in the host, holding the socket (referenced)
    bool clipGone_ = false;
    pid_t pid_;
    int fd_;
    guint watch_ = 0;
    bool alive_ = true;
    std::string inbox_;
    std::string url_;
};

}  // namespace

std::unique_ptr<WebView> createWebView(void* host, int width, int height) {
    if (!host || !GTK_IS_CONTAINER(host) || width <= 0 || height <= 0) return nullptr;
    const std::string path = helperPath();
    if (access(path.c_str(), X_OK) != 0) return nullptr;

    // The socket sits in a scrolled window without scroll bars, which clips it to the host as a
    // child window is clipped on Windows.
    GtkWidget* socket = gtk_socket_new();
    gtk_widget_set_size_request(socket, width, height);
    // A helper that goes leaves the socket empty in its place rather than destroyed.
    g_signal_connect(socket, "plug-removed",
                     G_CALLBACK(+[](GtkSocket*, gpointer) -> gboolean { return TRUE; }), nullptr);
    GtkWidget* clip = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(clip), GTK_POLICY_EXTERNAL,
                                   GTK_POLICY_EXTERNAL);
    gtk_widget_set_hexpand(clip, TRUE);
    gtk_widget_set_vexpand(clip, TRUE);
    gtk_container_add(GTK_CONTAINER(clip), socket);
    gtk_container_add(GTK_CONTAINER(host), clip);
    // Held, so that a host destroyed before the view leaves it safe to end.
    g_object_ref(clip);
    gtk_widget_show_all(clip);
    // The socket's window exists once the host is in a realized window.
    const Window id = gtk_widget_is_toplevel(gtk_widget_get_toplevel(socket))
                          ? gtk_socket_get_id(GTK_SOCKET(socket))
                          : 0;

    int pair[2];
    pid_t pid = 0;
    if (id && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) == 0) {
        const char* display = gdk_display_get_name(gtk_widget_get_display(socket));
        pid = spawnProgram(path,
                           {path, std::string("--display=") + display, std::to_string(id),
                            std::to_string(width), std::to_string(height)},
                           false, false, pair[1]);
        close(pair[1]);
        if (!pid) close(pair[0]);
    }
    if (!pid) {
        gtk_widget_destroy(clip);
        g_object_unref(clip);
        return nullptr;
    }
    // Not waited for: the helper takes seconds to bring WebKit up on a busy machine, and the
    // dialog shows meanwhile. Lines sent before it listens wait in the socket; one that dies
    // on the way leaves a view that goes nowhere and has no address, as no view would.
    return std::make_unique<HelperWebView>(clip, pid, pair[0]);
}

}  // namespace platform
