// tintel_webview: the location dialog's web view in a process of its own. It shows a WebKitGTK
// view in a GtkPlug embedded in the program's GtkSocket and talks with the program in lines on
// its standard input and output (webview_protocol.h). The program that runs hidden all day thus
// never maps the browser engine: everything WebKit brings (its libraries, its heap, its web and
// network processes, which are this process's children) goes when this process ends.
//
// It ends when its input ends (the program closed the view, or died), and with the program in
// any case: the kernel kills it when its parent goes.
#include <gtk/gtk.h>
#include <glib-unix.h>
#include <gtk/gtkx.h>
#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/webkit/webview_protocol.h"

namespace {

namespace protocol = platform::webview_protocol;

// A line that stops midway would leave the program waiting for the rest; no more than this is
// read without a line end.
constexpr size_t kLongestLine = 1 << 20;

struct Helper {
    WebKitWebView* web = nullptr;
    std::string input;
    bool quitting = false;
    bool plugGone = false;  // the plug (with the view) was destroyed under us
};

void quit(Helper* helper) {
    if (helper->quitting) return;
    helper->quitting = true;
    if (gtk_main_level() > 0) gtk_main_quit();
}

// The program's socket went away without a word (its window, and with it the plug's, is gone):
// nothing is left to show.
void onPlugDestroyed(GtkWidget*, gpointer data) {
    auto* helper = static_cast<Helper*>(data);
    helper->plugGone = true;
    quit(helper);
}

// Writes one line to the program; a program that is gone ends this process's work.
void say(Helper* helper, const std::string& text) {
    const std::string line = text + "\n";
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = write(STDOUT_FILENO, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            quit(helper);
            return;
        }
        done += static_cast<size_t>(n);
    }
}

void onUri(WebKitWebView* web, GParamSpec*, gpointer data) {
    const gchar* uri = webkit_web_view_get_uri(web);
    std::string address = uri ? uri : "";
    // An address is one line (WebKit's addresses are escaped; this only guards the protocol).
    for (char& c : address)
        if (c == '\n' || c == '\r') c = ' ';
    say(static_cast<Helper*>(data), protocol::kUrl + address);
}

// Answers downloads (a page that offers a file) by cancelling them: the dialog has no place to
// put a file and must never stall on a prompt.
void onDownload(WebKitWebContext*, WebKitDownload* download, gpointer) {
    webkit_download_cancel(download);
}

void obey(Helper* helper, const std::string& line) {
    const std::string command = protocol::kNavigate;
    if (line.size() > command.size() && line.compare(0, command.size(), command) == 0) {
        webkit_web_view_load_uri(helper->web, line.c_str() + command.size());
        return;
    }
    say(helper, protocol::kRefused + line);
}

gboolean onInput(gint fd, GIOCondition, gpointer data) {
    auto* helper = static_cast<Helper*>(data);
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return G_SOURCE_CONTINUE;
    if (n <= 0) {
        quit(helper);
        return G_SOURCE_REMOVE;
    }
    helper->input.append(buffer, static_cast<size_t>(n));
    size_t end;
    while ((end = helper->input.find('\n')) != std::string::npos) {
        std::string line = helper->input.substr(0, end);
        helper->input.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        obey(helper, line);
    }
    if (helper->input.size() > kLongestLine) {
        say(helper, protocol::kRefused + std::string("(a line too long)"));
        helper->input.clear();
    }
    return G_SOURCE_CONTINUE;
}

// This process's children: WebKit's web and network processes.
std::vector<pid_t> children() {
    std::vector<pid_t> found;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return found;
    while (dirent* task = readdir(tasks)) {
        if (task->d_name[0] == '.') continue;
        std::ifstream list(std::string("/proc/self/task/") + task->d_name + "/children");
        pid_t pid;
        while (list >> pid)
            found.push_back(pid);
    }
    closedir(tasks);
    return found;
}

// Ends WebKit's processes once the view is gone. Left alone they notice only some time later
// that their view has ended, orphaned meanwhile; the program's view ends with them instead.
void endChildren() {
    for (pid_t pid : children())
        kill(pid, SIGTERM);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (;;) {
        const pid_t got = waitpid(-1, nullptr, WNOHANG);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return;  // none left
        if (got > 0) continue;
        if (std::chrono::steady_clock::now() >= until) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (pid_t pid : children())
        kill(pid, SIGKILL);
    while (waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
    }
}

// A number argument in [1, limit]; 0 when it is not one.
guint64 number(const char* text, guint64 limit) {
    guint64 value = 0;
    if (!g_ascii_string_to_unsigned(text, 10, 1, limit, &value, nullptr)) return 0;
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    // Dies with the program, whatever way the program goes. Started before this line by a
    // program already gone, it finds its input at an end and quits.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    signal(SIGPIPE, SIG_IGN);
    // WebKit keeps its caches and cookies under the program's name, where they were when the
    // engine ran inside the program.
    g_set_prgname("tintel");
    if (!gtk_init_check(&argc, &argv)) return 1;
    if (argc != 4) return 2;
    const guint64 socketId = number(argv[1], G_MAXUINT32);
    const guint64 width = number(argv[2], 10000);
    const guint64 height = number(argv[3], 10000);
    if (!socketId || !width || !height) return 2;

    Helper helper;
    // A browsing context of the view's own: no settings or caches from elsewhere; its processes
    // are this process's children and end with it.
    WebKitWebContext* context = webkit_web_context_new();
    g_signal_connect(context, "download-started", G_CALLBACK(onDownload), nullptr);
    helper.web = WEBKIT_WEB_VIEW(webkit_web_view_new_with_context(context));
    gtk_widget_set_size_request(GTK_WIDGET(helper.web), static_cast<int>(width),
                                static_cast<int>(height));
    g_signal_connect(helper.web, "notify::uri", G_CALLBACK(onUri), &helper);

    GtkWidget* plug = gtk_plug_new(static_cast<Window>(socketId));
    // Its own X name: by default it would take the program's ("tintel"), which is the settings
    // window's title as far as a search by name without case goes.
    gtk_window_set_title(GTK_WINDOW(plug), "Tintel map");
    gtk_container_add(GTK_CONTAINER(plug), GTK_WIDGET(helper.web));
    // Held, so that a plug destroyed under us leaves the ending below safe.
    g_object_ref(plug);
    g_signal_connect(plug, "destroy", G_CALLBACK(onPlugDestroyed), &helper);
    gtk_widget_show_all(plug);
    webkit_web_view_load_uri(helper.web, "about:blank");

    g_unix_fd_add(STDIN_FILENO, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), onInput,
                  &helper);
    if (!helper.quitting) gtk_main();

    g_signal_handlers_disconnect_by_func(plug, reinterpret_cast<gpointer>(onPlugDestroyed),
                                         &helper);
    if (!helper.plugGone) {
        // Stop loading first, so no callback of a half-loaded page runs into a destroyed view.
        webkit_web_view_stop_loading(helper.web);
        g_signal_handlers_disconnect_by_func(helper.web, reinterpret_cast<gpointer>(onUri),
                                             &helper);
        gtk_widget_destroy(plug);
    }
    g_object_unref(plug);
    g_object_unref(context);
    endChildren();
    return 0;
}
