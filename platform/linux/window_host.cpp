// Linux window host: GTK 3 top-level windows whose events are translated into the toolkit's
// (Win32-numbered) messages, and the pump's wait as one iteration of the GLib main context, so
// GTK windows, menus and dialogs share the program's loop.
//
// Contents
//   1. window registry and posted messages
//   2. LinuxWindow (with its timers)
//   3. windowing start-up and signals
//   4. screen geometry
//   5. the pump, watched descriptors and wait events
//   6. message boxes
#include <gdk/gdkx.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "platform/linux/window_registry.h"
#include "platform/window_host.h"
#include "base/messages.h"
#include "base/text.h"

namespace platform {
namespace {

class LinuxWindow;

// ---- 1. window registry and posted messages ---------------------------------------------------

std::map<uint64_t, LinuxWindow*>& registry() {
    static std::map<uint64_t, LinuxWindow*> windows;
    return windows;
}
uint64_t g_nextId = 1;
bool g_quitRequested = false;

struct PostedMessage {
    uint64_t window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

gboolean deliverPosted(gpointer data);

// A window timer on its way to a window that may be gone by the time it fires.
struct TimerTarget {
    uint64_t window;
    uintptr_t id;
};
gboolean deliverTimer(gpointer data);

// ---- 2. LinuxWindow ----------------------------------------------------------------------------

class LinuxWindow : public NativeWindow {
public:
    LinuxWindow(const WindowSpec& params, WindowClient* client)
        : client_(client), spec_(params), id_(g_nextId++) {
        widget_ = gtk_window_new(params.popup ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL);
        GtkWindow* window = GTK_WINDOW(widget_);
        gtk_window_set_title(window, base::cp1252ToUtf8(params.title).c_str());
        // WM_CLASS is the toolkit's window class; GTK keeps the call only as deprecated.
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_window_set_wmclass(window, params.className.c_str(), params.className.c_str());
        G_GNUC_END_IGNORE_DEPRECATIONS
        gtk_window_set_resizable(window, params.resizable);
        gtk_widget_set_size_request(widget_, params.width, params.height);
        gtk_window_set_default_size(window, params.width, params.height);
        gtk_window_move(window, params.left, params.top);
        gtk_widget_set_app_paintable(widget_, TRUE);
        g_signal_connect(widget_, "delete-event", G_CALLBACK(onDelete), this);
        g_signal_connect(widget_, "destroy", G_CALLBACK(onDestroy), this);
        g_signal_connect(widget_, "size-allocate", G_CALLBACK(onSizeAllocate), this);
        gtk_widget_realize(widget_);
        registry()[id_] = this;
    }

    ~LinuxWindow() override {
        stopTimers();
        registry().erase(id_);
        if (!destroyed_) {
            destroyed_ = true;
            g_signal_handlers_disconnect_by_data(widget_, this);
            gtk_widget_destroy(widget_);
        }
    }

    void show(bool visible) override {
        if (destroyed_) return;
        if (visible) {
            gtk_widget_show(widget_);
            gtk_window_present(GTK_WINDOW(widget_));
        } else {
            gtk_widget_hide(widget_);
        }
    }

    bool isVisible() const override { return !destroyed_ && gtk_widget_get_visible(widget_); }

    void setTopmost() override {
        if (destroyed_) return;
        gtk_window_set_keep_above(GTK_WINDOW(widget_), TRUE);
        if (gtk_widget_get_visible(widget_)) gtk_window_present(GTK_WINDOW(widget_));
    }

    void destroy() override {
        if (!destroyed_) gtk_widget_destroy(widget_);
    }

    void post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        g_idle_add_full(G_PRIORITY_DEFAULT, deliverPosted,
                        new PostedMessage{id_, message, wParam, lParam}, nullptr);
    }

    intptr_t defaultProc(uint32_t message, uintptr_t, intptr_t) override {
        if (message == base::kWmClose) destroy();
        return 0;
    }

    void clientSize(int* width, int* height) const override {
        *width = spec_.width;
        *height = spec_.height;
        if (!destroyed_) gtk_window_get_size(GTK_WINDOW(widget_), width, height);
    }

    uintptr_t nativeHandle() const override {
        GdkWindow* window = destroyed_ ? nullptr : gtk_widget_get_window(widget_);
        return window ? gdk_x11_window_get_xid(window) : 0;
    }

    bool setTimer(uintptr_t id, uint32_t periodMs) override {
        if (destroyed_) return false;
        killTimer(id);
        timers_[id] =
            g_timeout_add_full(G_PRIORITY_DEFAULT, periodMs, deliverTimer, new TimerTarget{id_, id},
                               [](gpointer data) { delete static_cast<TimerTarget*>(data); });
        return true;
    }

    void killTimer(uintptr_t id) override {
        const auto it = timers_.find(id);
        if (it == timers_.end()) return;
        g_source_remove(it->second);
        timers_.erase(it);
    }

    bool frame(int* left, int* top, int* width, int* height) const override {
        GdkWindow* window = destroyed_ ? nullptr : gtk_widget_get_window(widget_);
        if (!window) return false;
        // The frame the window manager draws counts, as GetWindowRect counts it.
        GdkRectangle extents;
        gdk_window_get_frame_extents(window, &extents);
        *left = extents.x, *top = extents.y, *width = extents.width, *height = extents.height;
        return true;
    }

    void move(int left, int top) override {
        if (!destroyed_) gtk_window_move(GTK_WINDOW(widget_), left, top);
    }

    // Sends a message to the client; the platform's default handling when it declines.
    intptr_t send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
        const intptr_t result = client_->windowProc(message, wParam, lParam);
        return result == kDefaultHandling ? defaultProc(message, wParam, lParam) : result;
    }

    const WindowSpec& params() const { return spec_; }
    bool destroyed() const { return destroyed_; }

private:
    static gboolean onDelete(GtkWidget*, GdkEvent*, gpointer self) {
        // Closing is the client's decision: by default it destroys the window.
        static_cast<LinuxWindow*>(self)->send(base::kWmClose, 0, 0);
        return TRUE;
    }

    static void onDestroy(GtkWidget*, gpointer data) {
        auto* self = static_cast<LinuxWindow*>(data);
        self->destroyed_ = true;
        self->stopTimers();
        registry().erase(self->id_);
        WindowClient* client = self->client_;
        // The client may delete this object while handling WM_DESTROY: nothing touches it after.
        client->windowProc(base::kWmDestroy, 0, 0);
    }

    static void onSizeAllocate(GtkWidget*, GdkRectangle*, gpointer data) {
        auto* self = static_cast<LinuxWindow*>(data);
        int width = 0, height = 0;
        gtk_window_get_size(GTK_WINDOW(self->widget_), &width, &height);
        if (width == self->lastWidth_ && height == self->lastHeight_) return;
        self->lastWidth_ = width;
        self->lastHeight_ = height;
        self->client_->windowProc(
            base::kWmSize, 0, static_cast<intptr_t>((height & 0xFFFF) << 16 | (width & 0xFFFF)));
    }

    void stopTimers() {
        for (const auto& [id, source] : timers_)
            g_source_remove(source);
        timers_.clear();
    }

    WindowClient* client_;
    WindowSpec spec_;
    uint64_t id_;
    std::map<uintptr_t, guint> timers_;  // timer id -> GLib source
    GtkWidget* widget_ = nullptr;
    bool destroyed_ = false;
    int lastWidth_ = -1, lastHeight_ = -1;
};

gboolean deliverPosted(gpointer data) {
    auto* posted = static_cast<PostedMessage*>(data);
    const auto it = registry().find(posted->window);
    if (it != registry().end()) it->second->send(posted->message, posted->wParam, posted->lParam);
    delete posted;
    return G_SOURCE_REMOVE;
}

gboolean deliverTimer(gpointer data) {
    const auto* target = static_cast<TimerTarget*>(data);
    const auto it = registry().find(target->window);
    if (it != registry().end()) it->second->send(base::kWmTimer, target->id, 0);
    return G_SOURCE_CONTINUE;
}

// ---- 3. windowing start-up and signals --------------------------------------------------------

// SIGTERM, SIGINT and SIGHUP close the main windows as the close button would, so the program
// stops cleanly (and resets the displays) when the session or a user asks it to.
gboolean onStopSignal(gpointer) {
    std::vector<LinuxWindow*> mains;
    for (auto& [id, window] : registry())
        if (!window->params().popup) mains.push_back(window);
    if (mains.empty()) g_quitRequested = true;
    for (LinuxWindow* window : mains)
        window->post(base::kWmClose, 0, 0);
    return G_SOURCE_CONTINUE;
}

}  // namespace

NativeWindow* findLinuxWindow(const std::string& className, const std::string& title) {
    for (auto& [id, window] : registry())
        if (!window->destroyed() && window->params().className == className &&
            window->params().title == title)
            return window;
    return nullptr;
}

intptr_t sendLinuxWindowMessage(NativeWindow* window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam) {
    return static_cast<LinuxWindow*>(window)->send(message, wParam, lParam);
}

bool initWindowing(std::string* error) {
    static bool ready = false;
    if (ready) return true;
    gdk_set_allowed_backends("x11");
    // The windows show Cairo image surfaces and never use OpenGL; without this GDK probes GLX
    // at start-up, which loads the GL driver (Mesa's software one pulls in LLVM, over 50 MB of
    // resident memory). A GDK_GL the user set stays in force.
    g_setenv("GDK_GL", "disable", FALSE);
    if (!gtk_init_check(nullptr, nullptr)) {
        const char* display = getenv("DISPLAY");
        *error = display && *display ? std::string("cannot open the X display \"") + display + "\""
                                     : "no X display (DISPLAY is not set)";
        return false;
    }
    g_unix_signal_add(SIGTERM, onStopSignal, nullptr);
    g_unix_signal_add(SIGINT, onStopSignal, nullptr);
    g_unix_signal_add(SIGHUP, onStopSignal, nullptr);
    ready = true;
    return true;
}

std::unique_ptr<NativeWindow> createNativeWindow(const WindowSpec& params, WindowClient* client) {
    return std::make_unique<LinuxWindow>(params, client);
}

// ---- 4. screen geometry ------------------------------------------------------------------------

namespace {

ScreenRect toScreenRect(const GdkRectangle& r) {
    return {r.x, r.y, r.x + r.width, r.y + r.height};
}

}  // namespace

ScreenRect virtualScreen() {
    GdkDisplay* display = gdk_display_get_default();
    const int count = display ? gdk_display_get_n_monitors(display) : 0;
    if (count == 0) return {};
    ScreenRect all{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int i = 0; i < count; ++i) {
        GdkRectangle r;
        gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &r);
        const ScreenRect m = toScreenRect(r);
        all.left = std::min(all.left, m.left), all.top = std::min(all.top, m.top);
        all.right = std::max(all.right, m.right), all.bottom = std::max(all.bottom, m.bottom);
    }
    return all;
}

ScreenRect primaryWorkArea() {
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return {};
    // Without a primary output (RandR leaves it unset by default) the first monitor stands in.
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor && gdk_display_get_n_monitors(display) > 0)
        monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return {};
    GdkRectangle r;
    gdk_monitor_get_workarea(monitor, &r);
    return toScreenRect(r);
}

// ---- 5. the pump -------------------------------------------------------------------------------

namespace {
// The wait that ended the previous pass was a whole iteration of the context: it dispatched what
// was ready then, so looking again at once would only repeat its poll (and its X queue reads).
bool g_waitIterated = false;
}  // namespace

bool dispatchPending() {
    // Bounded, so a source that is always ready cannot starve the callbacks. Anything that
    // became ready since the wait is seen by the next wait's prepare, which then does not sleep.
    if (!g_waitIterated) {
        for (int i = 0; i < 256 && g_main_context_iteration(nullptr, FALSE); ++i) {
        }
    }
    g_waitIterated = false;
    if (g_quitRequested) {
        g_quitRequested = false;
        return false;
    }
    return true;
}

void waitForInput(int timeoutMs) {
    GMainContext* context = g_main_context_default();
    if (!g_main_context_acquire(context)) return;
    gint priority = 0;
    g_main_context_prepare(context, &priority);
    static std::vector<GPollFD> fds(16);  // the pump runs on one thread
    gint sourceTimeout = -1;
    gint count;
    while ((count = g_main_context_query(context, priority, &sourceTimeout, fds.data(),
                                         static_cast<gint>(fds.size()))) >
           static_cast<gint>(fds.size()))
        fds.resize(static_cast<size_t>(count));
    const gint timeout =
        sourceTimeout >= 0 && sourceTimeout < timeoutMs ? sourceTimeout : timeoutMs;
    g_poll(fds.data(), static_cast<guint>(count), timeout);
    if (g_main_context_check(context, priority, fds.data(), count))
        g_main_context_dispatch(context);
    g_main_context_release(context);
    g_waitIterated = true;
}

void postQuit() {
    g_quitRequested = true;
}

namespace {

struct Watch {
    guint source;
    HandleSignalled signalled;
};

std::map<WaitHandle, Watch>& watches() {
    static std::map<WaitHandle, Watch> all;
    return all;
}

// A readable (or hung-up) descriptor: its owner's callback decides what to read.
gboolean onHandleReady(gint fd, GIOCondition, gpointer) {
    const auto it = watches().find(fd);
    if (it != watches().end()) it->second.signalled(fd);
    return G_SOURCE_CONTINUE;
}

class EventFd : public WaitEvent {
public:
    explicit EventFd(int fd) : fd_(fd) {}
    ~EventFd() override { close(fd_); }
    void signal() override {
        const uint64_t one = 1;
        while (write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
    void reset() override {
        uint64_t count;
        while (read(fd_, &count, sizeof count) < 0 && errno == EINTR) {
        }
    }
    WaitHandle handle() const override { return fd_; }

private:
    int fd_;
};

}  // namespace

bool watchHandle(WaitHandle handle, HandleSignalled signalled) {
    if (handle < 0 || !signalled || watches().count(handle)) return false;
    const guint source = g_unix_fd_add(static_cast<gint>(handle),
                                       static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                                       onHandleReady, nullptr);
    watches()[handle] = {source, signalled};
    return true;
}

void unwatchHandle(WaitHandle handle) {
    const auto it = watches().find(handle);
    if (it == watches().end()) return;
    // Removing the source that is being dispatched is allowed: GLib skips it from then on.
    g_source_remove(it->second.source);
    watches().erase(it);
}

std::unique_ptr<WaitEvent> createWaitEvent() {
    // Non-blocking: reset drains a counter that may already be 0.
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) return nullptr;
    return std::make_unique<EventFd>(fd);
}

// ---- 6. message boxes --------------------------------------------------------------------------

bool messageBox(NativeWindow* owner, const std::string& text, const std::string& title,
                BoxKind kind) {
    (void)owner;  // GTK dialogs here are modal to the application, not to one window
    const GtkMessageType type = kind == BoxKind::Error   ? GTK_MESSAGE_ERROR
                                : kind == BoxKind::YesNo ? GTK_MESSAGE_QUESTION
                                                         : GTK_MESSAGE_INFO;
    GtkWidget* dialog =
        gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type,
                               kind == BoxKind::YesNo ? GTK_BUTTONS_YES_NO : GTK_BUTTONS_OK, "%s",
                               base::cp1252ToUtf8(text).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), base::cp1252ToUtf8(title).c_str());
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    return response == GTK_RESPONSE_YES || response == GTK_RESPONSE_OK;
}

std::string lastErrorText() {
    return std::strerror(errno);
}

}  // namespace platform
