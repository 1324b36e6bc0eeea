// Linux window host: GTK 3 top-level windows whose events are translated into the toolkit's
// (Win32-numbered) messages, and the pump's wait as one iteration of the GLib main context, so
// GTK windows, menus and dialogs share the program's loop.
//
// Contents
//   1. the message queue (posted messages and translated input)
//   2. LinuxWindow (timers, presenting, input translation) and attached windows
//   3. windowing start-up and signals
//   4. screen geometry
//   5. the pump, watched descriptors and wait events
//   6. message boxes
//   7. global hotkeys
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <gdk/gdkkeysyms.h>
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
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "base/messages.h"
#include "base/text.h"
#include "platform/linux/window_registry.h"
#include "platform/testing/layered_windows.h"
#include "platform/window_host.h"

namespace platform {
namespace {

class LinuxWindow;

// ---- 1. the message queue ---------------------------------------------------------------------

std::map<uint64_t, LinuxWindow*>& registry() {
    static std::map<uint64_t, LinuxWindow*> windows;
    return windows;
}
uint64_t g_nextId = 1;
bool g_quitRequested = false;
bool g_noPerPixelAlpha = false;  // set by tests: behave as without a compositor

// Posted messages and the input GDK reports wait here in order, as in a Win32 thread queue;
// the queue is drained from an idle source (also inside GTK's own loops) and by the pump.
struct QueuedEntry {
    uint64_t window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    guint keyState;  // the modifier and button state when the message was generated
};
std::deque<QueuedEntry> g_queue;
guint g_queueSource = 0;
// The filter of the pump's latest pass (a copy: the pump's own may be gone when an idle
// delivery runs).
MessageFilter g_filter;
guint g_keyState = 0;  // the state of the message being handled

gboolean onQueueIdle(gpointer);

void enqueue(const QueuedEntry& entry) {
    g_queue.push_back(entry);
    if (!g_queueSource)
        g_queueSource = g_idle_add_full(G_PRIORITY_DEFAULT, onQueueIdle, nullptr, nullptr);
}

void deliverQueued();

gboolean onQueueIdle(gpointer) {
    g_queueSource = 0;
    deliverQueued();
    return G_SOURCE_REMOVE;
}

// Application activation, as Win32 reports it with WM_ACTIVATEAPP: focus moving between the
// program's own windows changes nothing; only focus leaving or reaching the program does. X sends
// FocusOut for one window before FocusIn for the next, so the verdict waits a moment.
bool g_applicationActive = false;
guint g_activationCheck = 0;
void scheduleActivationCheck();

// A window timer on its way to a window that may be gone by the time it fires.
struct TimerTarget {
    uint64_t window;
    uintptr_t id;
};
gboolean deliverTimer(gpointer data);

// Win32's MK_ flags of a GDK state.
uintptr_t mouseKeys(guint state) {
    uintptr_t keys = 0;
    if (state & GDK_BUTTON1_MASK) keys |= 0x0001;
    if (state & GDK_BUTTON3_MASK) keys |= 0x0002;
    if (state & GDK_SHIFT_MASK) keys |= 0x0004;
    if (state & GDK_CONTROL_MASK) keys |= 0x0008;
    if (state & GDK_BUTTON2_MASK) keys |= 0x0010;
    return keys;
}

// A point packed as Win32 packs it: x in the low word, y in the high word, both signed 16 bits.
intptr_t pointParam(double x, double y) {
    const int ix = static_cast<int>(x), iy = static_cast<int>(y);
    return static_cast<intptr_t>((static_cast<uint32_t>(iy & 0xFFFF) << 16) |
                                 static_cast<uint32_t>(ix & 0xFFFF));
}

// The Win32 virtual key of a GDK key value; 0 for keys the toolkit has no code for.
uint32_t virtualKeyOf(guint keyval) {
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return 'A' + (keyval - GDK_KEY_a);
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return 'A' + (keyval - GDK_KEY_A);
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return '0' + (keyval - GDK_KEY_0);
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return 0x70 + (keyval - GDK_KEY_F1);
    switch (keyval) {
        case GDK_KEY_BackSpace:
            return 0x08;
        case GDK_KEY_Tab:
        case GDK_KEY_ISO_Left_Tab:
            return kVkTab;
        case GDK_KEY_Clear:
        case GDK_KEY_KP_Begin:
            return kVkClear;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
            return kVkReturn;
        case GDK_KEY_Shift_L:
        case GDK_KEY_Shift_R:
            return kVkShift;
        case GDK_KEY_Control_L:
        case GDK_KEY_Control_R:
            return kVkControl;
        case GDK_KEY_Alt_L:
        case GDK_KEY_Alt_R:
            return kVkMenu;
        case GDK_KEY_Escape:
            return kVkEscape;
        case GDK_KEY_space:
            return kVkSpace;
        case GDK_KEY_Page_Up:
        case GDK_KEY_KP_Page_Up:
            return kVkPrior;
        case GDK_KEY_Page_Down:
        case GDK_KEY_KP_Page_Down:
            return kVkNext;
        case GDK_KEY_End:
        case GDK_KEY_KP_End:
            return kVkEnd;
        case GDK_KEY_Home:
        case GDK_KEY_KP_Home:
            return kVkHome;
        case GDK_KEY_Left:
        case GDK_KEY_KP_Left:
            return 0x25;
        case GDK_KEY_Up:
        case GDK_KEY_KP_Up:
            return 0x26;
        case GDK_KEY_Right:
        case GDK_KEY_KP_Right:
            return 0x27;
        case GDK_KEY_Down:
        case GDK_KEY_KP_Down:
            return kVkDown;
        case GDK_KEY_Insert:
            return 0x2D;
        case GDK_KEY_Delete:
            return 0x2E;
        default:
            return 0;
    }
}

// The X key symbol of a Win32 virtual key (for hotkeys); 0 when there is none.
KeySym keySymOf(uint32_t vk) {
    if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
    if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
    if (vk >= 0x70 && vk <= 0x87) return XK_F1 + (vk - 0x70);
    switch (vk) {
        case 0x08:
            return XK_BackSpace;
        case kVkTab:
            return XK_Tab;
        case kVkReturn:
            return XK_Return;
        case kVkEscape:
            return XK_Escape;
        case kVkSpace:
            return XK_space;
        case kVkPrior:
            return XK_Prior;
        case kVkNext:
            return XK_Next;
        case kVkEnd:
            return XK_End;
        case kVkHome:
            return XK_Home;
        case 0x25:
            return XK_Left;
        case 0x26:
            return XK_Up;
        case 0x27:
            return XK_Right;
        case kVkDown:
            return XK_Down;
        case 0x2D:
            return XK_Insert;
        case 0x2E:
            return XK_Delete;
        default:
            return 0;
    }
}

// The WM_CHAR a key press makes (TranslateMessage's job on Windows), 0 for none.
uint32_t characterOf(const GdkEventKey* event) {
    const gunichar c = gdk_keyval_to_unicode(event->keyval);
    if (event->keyval == GDK_KEY_ISO_Left_Tab) return '\t';
    if (c == 0) {
        if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) return '\r';
        return 0;
    }
    if ((event->state & GDK_CONTROL_MASK) && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
        return c & 0x1F;
    if (c < 0x80) return c;
    char utf8[8] = {};
    g_unichar_to_utf8(c, utf8);
    std::string text;
    if (!base::utf8ToCp1252(utf8, &text) || text.size() != 1) return 0;
    return static_cast<unsigned char>(text[0]);
}

bool screenComposited() {
    GdkScreen* screen = gdk_screen_get_default();
    return !g_noPerPixelAlpha && screen && gdk_screen_is_composited(screen);
}

struct OpenBox;
std::vector<OpenBox*> g_openBoxes;
GtkWidget* widgetOfHandle(NativeWindow* window);
void closeBoxesOwnedBy(GtkWidget* owner);

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
        // Under a compositor the window is ARGB and shows the back buffer's alpha; otherwise
        // the buffer is drawn over the window's white background.
        if (params.frameless) gtk_window_set_decorated(window, FALSE);
        alphaCapable_ = params.frameless || params.popup;
        if (params.perPixelAlpha && screenComposited()) {
            if (GdkVisual* rgba = gdk_screen_get_rgba_visual(gtk_widget_get_screen(widget_))) {
                gtk_widget_set_visual(widget_, rgba);
                perPixel_ = true;
            }
        }
        gtk_widget_add_events(widget_, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK |
                                           GDK_BUTTON_RELEASE_MASK | GDK_SCROLL_MASK |
                                           GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK |
                                           GDK_FOCUS_CHANGE_MASK);
        g_signal_connect(widget_, "focus-in-event", G_CALLBACK(onFocusChange), this);
        g_signal_connect(widget_, "focus-out-event", G_CALLBACK(onFocusChange), this);
        g_signal_connect(widget_, "delete-event", G_CALLBACK(onDelete), this);
        g_signal_connect(widget_, "destroy", G_CALLBACK(onDestroy), this);
        g_signal_connect(widget_, "size-allocate", G_CALLBACK(onSizeAllocate), this);
        g_signal_connect(widget_, "draw", G_CALLBACK(onDraw), this);
        g_signal_connect(widget_, "motion-notify-event", G_CALLBACK(onMotion), this);
        g_signal_connect(widget_, "button-press-event", G_CALLBACK(onButton), this);
        g_signal_connect(widget_, "button-release-event", G_CALLBACK(onButton), this);
        g_signal_connect(widget_, "scroll-event", G_CALLBACK(onScroll), this);
        g_signal_connect(widget_, "key-press-event", G_CALLBACK(onKey), this);
        g_signal_connect(widget_, "key-release-event", G_CALLBACK(onKey), this);
        if (GtkWidget* parent = widgetOfHandle(params.parent))
            gtk_window_set_transient_for(window, GTK_WINDOW(parent));
        gtk_widget_realize(widget_);
        registry()[id_] = this;
    }

    ~LinuxWindow() override {
        stopTimers();
        registry().erase(id_);
        if (cursor_) g_object_unref(cursor_);
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
        enqueue({id_, message, wParam, lParam, g_keyState});
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
        GdkWindow* window = gdkWindow();
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
        GdkWindow* window = gdkWindow();
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

    // The image reaches the screen from the WM_PAINT this asks for: GTK draws windows from
    // its frame clock, and the document's Paint hands the back buffer over then.
    bool present(const uint32_t*, int width, int height, const ScreenRect& area) override {
        if (destroyed_ || width <= 0 || height <= 0) return false;
        invalidate(&area);
        return true;
    }

    void* beginPaint(ScreenRect* invalid) override {
        if (!paintContext_) {
            *invalid = {};
            return nullptr;
        }
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        cairo_clip_extents(paintContext_, &x1, &y1, &x2, &y2);
        *invalid = {static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2 + 0.999),
                    static_cast<int>(y2 + 0.999)};
        return paintContext_;
    }

    // CAIRO_FORMAT_ARGB32 is the back buffer's own layout (premultiplied, native-endian 32-bit
    // ARGB), so the buffer is wrapped, not converted.
    void paint(void* context, const uint32_t* pixels, int width, int height,
               const ScreenRect& area) override {
        auto* cr = static_cast<cairo_t*>(context);
        if (!cr || !pixels || width <= 0 || height <= 0) return;
        cairo_surface_t* image = cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(pixels)), CAIRO_FORMAT_ARGB32,
            width, height, width * 4);
        cairo_save(cr);
        cairo_rectangle(cr, area.left, area.top, area.right - area.left, area.bottom - area.top);
        cairo_clip(cr);
        paintBackground(cr);
        cairo_set_operator(cr, perPixel_ ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
        cairo_set_source_surface(cr, image, 0, 0);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_surface_destroy(image);
        ++framesPainted_;
    }

    void endPaint(void*) override {}

    void invalidate(const ScreenRect* area) override {
        if (destroyed_) return;
        if (!area)
            gtk_widget_queue_draw(widget_);
        else if (area->right > area->left && area->bottom > area->top)
            gtk_widget_queue_draw_area(widget_, area->left, area->top, area->right - area->left,
                                       area->bottom - area->top);
    }

    bool perPixelAlpha() const override { return perPixel_; }
    bool setPerPixelAlpha(bool on) override {
        if (destroyed_ || !alphaCapable_ || on == perPixel_) return perPixel_;
        GdkScreen* screen = gtk_widget_get_screen(widget_);
        GdkVisual* visual = gdk_screen_get_system_visual(screen);
        if (on) visual = screenComposited() ? gdk_screen_get_rgba_visual(screen) : nullptr;
        if (!visual) return perPixel_;
        // A window's visual is fixed once it is realized: the X window is made again with the
        // other one (the widget, its signals and its place stay).
        gtk_widget_hide(widget_);
        gtk_widget_unrealize(widget_);
        gtk_widget_set_visual(widget_, visual);
        perPixel_ = on;
        gtk_widget_realize(widget_);
        return perPixel_;
    }

    // The window's opacity is the compositor's business (_NET_WM_WINDOW_OPACITY): without one
    // nothing changes.
    bool setAlpha(int alpha) override {
        if (destroyed_ || !screenComposited()) return false;
        alpha = alpha < 0 ? 0 : alpha > 255 ? 255 : alpha;
        gtk_widget_set_opacity(widget_, alpha / 255.0);
        return true;
    }

    void setRegion(const ScreenRect* area) override {
        GdkWindow* window = gdkWindow();
        if (!window) return;
        if (!area) {
            gdk_window_shape_combine_region(window, nullptr, 0, 0);
            gdk_window_input_shape_combine_region(window, nullptr, 0, 0);
            return;
        }
        const cairo_rectangle_int_t r{area->left, area->top, area->right - area->left,
                                      area->bottom - area->top};
        cairo_region_t* region = cairo_region_create_rectangle(&r);
        gdk_window_shape_combine_region(window, region, 0, 0);
        gdk_window_input_shape_combine_region(window, region, 0, 0);
        cairo_region_destroy(region);
    }

    void setCapture(bool capture) override {
        GdkWindow* window = gdkWindow();
        GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
        if (!window || !seat) return;
        if (capture) {
            if (gdk_seat_grab(seat, window, GDK_SEAT_CAPABILITY_ALL_POINTING, FALSE, nullptr,
                              nullptr, nullptr, nullptr) == GDK_GRAB_SUCCESS)
                captured_ = true;
        } else if (captured_) {
            gdk_seat_ungrab(seat);
            captured_ = false;
        }
    }

    void setCursor(PointerShape shape) override {
        GdkWindow* window = gdkWindow();
        if (!window || (cursor_ && shape == cursorShape_)) return;
        const char* name = shape == PointerShape::IBeam  ? "text"
                           : shape == PointerShape::Hand ? "pointer"
                                                         : "default";
        GdkCursor* cursor = gdk_cursor_new_from_name(gdk_window_get_display(window), name);
        gdk_window_set_cursor(window, cursor);
        if (cursor_) g_object_unref(cursor_);
        cursor_ = cursor;
        cursorShape_ = shape;
    }

    void screenToClient(int* x, int* y) const override {
        GdkWindow* window = gdkWindow();
        int ox = 0, oy = 0;
        if (window) gdk_window_get_origin(window, &ox, &oy);
        *x -= ox, *y -= oy;
    }

    void activate() override {
        if (!destroyed_) gtk_window_present(GTK_WINDOW(widget_));
    }

    void flash() override {
        if (destroyed_) return;
        gtk_window_set_urgency_hint(GTK_WINDOW(widget_), TRUE);
        g_timeout_add(100, clearUrgency, reinterpret_cast<gpointer>(static_cast<uintptr_t>(id_)));
    }

    void closeOwnedBoxes() override {
        if (!destroyed_) closeBoxesOwnedBy(widget_);
    }

    intptr_t callPrevious(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        if (!previous_) return kDefaultHandling;
        return previous_->windowProc(message, wParam, lParam);
    }
    bool attached() const override { return previous_ != nullptr; }

    // Sends a message to the client; the platform's default handling when it declines.
    intptr_t send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
        intptr_t result = client_->windowProc(message, wParam, lParam);
        if (result == kDefaultHandling && previous_)
            result = previous_->windowProc(message, wParam, lParam);
        return result == kDefaultHandling ? defaultProc(message, wParam, lParam) : result;
    }

    // Routes the window's messages to `client`, keeping the current client as the previous
    // procedure; detach restores it.
    void attachClient(WindowClient* client) {
        previous_ = client_;
        client_ = client;
    }
    void detachClient() {
        if (!previous_) return;
        client_ = previous_;
        previous_ = nullptr;
    }

    const WindowSpec& params() const { return spec_; }
    bool destroyed() const { return destroyed_; }
    GtkWidget* widget() const { return widget_; }
    uint64_t id() const { return id_; }

private:
    GdkWindow* gdkWindow() const { return destroyed_ ? nullptr : gtk_widget_get_window(widget_); }

    void paintBackground(cairo_t* cr) const {
        if (perPixel_) {
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_set_source_rgba(cr, 0, 0, 0, 0);
        } else {
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_set_source_rgb(cr, 1, 1, 1);
        }
        cairo_paint(cr);
    }

    static gboolean clearUrgency(gpointer data) {
        const auto it = registry().find(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(data)));
        if (it != registry().end() && !it->second->destroyed_)
            gtk_window_set_urgency_hint(GTK_WINDOW(it->second->widget_), FALSE);
        return G_SOURCE_REMOVE;
    }

    static gboolean onFocusChange(GtkWidget*, GdkEventFocus*, gpointer) {
        scheduleActivationCheck();
        return FALSE;
    }

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
        WindowClient* previous = self->previous_;
        // The client may delete this object while handling WM_DESTROY: nothing touches it after.
        client->windowProc(base::kWmDestroy, 0, 0);
        if (previous) previous->windowProc(base::kWmDestroy, 0, 0);
    }

    static void onSizeAllocate(GtkWidget*, GdkRectangle*, gpointer data) {
        auto* self = static_cast<LinuxWindow*>(data);
        int width = 0, height = 0;
        gtk_window_get_size(GTK_WINDOW(self->widget_), &width, &height);
        if (width == self->lastWidth_ && height == self->lastHeight_) return;
        self->lastWidth_ = width;
        self->lastHeight_ = height;
        self->send(base::kWmSize, 0,
                   static_cast<intptr_t>((height & 0xFFFF) << 16 | (width & 0xFFFF)));
    }

    // GTK's draw is the window's WM_PAINT; a client that does not paint leaves the background.
    static gboolean onDraw(GtkWidget*, cairo_t* cr, gpointer data) {
        auto* self = static_cast<LinuxWindow*>(data);
        self->paintContext_ = cr;
        const uint64_t id = self->id_;
        const intptr_t result = self->client_->windowProc(base::kWmPaint, 0, 0);
        if (registry().count(id) == 0) return TRUE;  // the client destroyed the window
        self->paintContext_ = nullptr;
        if (result == kDefaultHandling) {
            cairo_save(cr);
            self->paintBackground(cr);
            cairo_restore(cr);
        }
        return TRUE;
    }

    static gboolean onMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
        auto* self = static_cast<LinuxWindow*>(data);
        enqueue({self->id_, base::kWmMouseMove, mouseKeys(event->state),
                 pointParam(event->x, event->y), event->state});
        return TRUE;
    }

    // Presses, releases and double clicks as Win32 reports them: the second press of a double
    // click (within the double-click time and distance of the first) is WM_xBUTTONDBLCLK in
    // place of the button-down; GDK's own 2BUTTON/3BUTTON events are left out.
    static gboolean onButton(GtkWidget*, GdkEventButton* event, gpointer data) {
        auto* self = static_cast<LinuxWindow*>(data);
        if (event->button < 1 || event->button > 3) return TRUE;
        if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE) return TRUE;
        static constexpr uint32_t kDown[] = {base::kWmLButtonDown, base::kWmMButtonDown,
                                             base::kWmRButtonDown};
        static constexpr guint kMask[] = {GDK_BUTTON1_MASK, GDK_BUTTON2_MASK, GDK_BUTTON3_MASK};
        const int b = static_cast<int>(event->button) - 1;
        guint state = event->state;
        uint32_t message;
        if (event->type == GDK_BUTTON_PRESS) {
            // As Win32 asks before a click reaches the window: MA_NOACTIVATEANDEAT (4) or
            // MA_ACTIVATEANDEAT (2) drops the press.
            const intptr_t activate = self->send(
                0x0021, 0, static_cast<intptr_t>((static_cast<uint32_t>(kDown[b]) << 16) | 1));
            if (activate == 2 || activate == 4) return TRUE;
            state |= kMask[b];
            gint doubleTime = 400, doubleDistance = 5;
            g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &doubleTime,
                         "gtk-double-click-distance", &doubleDistance, nullptr);
            const bool isDouble =
                self->lastPressButton_ == event->button &&
                event->time - self->lastPressTime_ <= static_cast<guint>(doubleTime) &&
                std::abs(static_cast<int>(event->x) - self->lastPressX_) <= doubleDistance &&
                std::abs(static_cast<int>(event->y) - self->lastPressY_) <= doubleDistance;
            message = isDouble ? kDown[b] + 2 : kDown[b];
            // A third press starts over, as Win32 counts it.
            self->lastPressButton_ = isDouble ? 0 : event->button;
            self->lastPressTime_ = event->time;
            self->lastPressX_ = static_cast<int>(event->x);
            self->lastPressY_ = static_cast<int>(event->y);
        } else {
            state &= ~kMask[b];
            message = kDown[b] + 1;
        }
        enqueue({self->id_, message, mouseKeys(state), pointParam(event->x, event->y), state});
        return TRUE;
    }

    // Wheel notches as WM_MOUSEWHEEL: 120 per notch in the high word, the point in screen
    // coordinates.
    static gboolean onScroll(GtkWidget*, GdkEventScroll* event, gpointer data) {
        auto* self = static_cast<LinuxWindow*>(data);
        int delta = 0;
        if (event->direction == GDK_SCROLL_UP) delta = 120;
        if (event->direction == GDK_SCROLL_DOWN) delta = -120;
        if (delta == 0) return TRUE;
        const uintptr_t wParam =
            (static_cast<uintptr_t>(static_cast<uint16_t>(delta)) << 16) | mouseKeys(event->state);
        enqueue({self->id_, base::kWmMouseWheel, wParam, pointParam(event->x_root, event->y_root),
                 event->state});
        return TRUE;
    }

    // Key presses become WM_KEYDOWN and, for keys that type a character, WM_CHAR.
    static gboolean onKey(GtkWidget*, GdkEventKey* event, gpointer data) {
        auto* self = static_cast<LinuxWindow*>(data);
        const uint32_t vk = virtualKeyOf(event->keyval);
        const bool press = event->type == GDK_KEY_PRESS;
        const intptr_t lParam = static_cast<intptr_t>(
            1 | (static_cast<uint32_t>(event->hardware_keycode & 0xFF) << 16) |
            (press ? 0u : 0xC0000000u));
        if (vk) enqueue({self->id_, press ? base::kWmKeyDown : 0x0101u, vk, lParam, event->state});
        if (press)
            if (const uint32_t c = characterOf(event))
                enqueue({self->id_, base::kWmChar, c, lParam, event->state});
        return TRUE;
    }

    void stopTimers() {
        for (const auto& [id, source] : timers_)
            g_source_remove(source);
        timers_.clear();
    }

    WindowClient* client_;
    WindowClient* previous_ = nullptr;
    WindowSpec spec_;
    uint64_t id_;
    std::map<uintptr_t, guint> timers_;  // timer id -> GLib source
    GtkWidget* widget_ = nullptr;
    bool destroyed_ = false;
    bool perPixel_ = false;
    bool alphaCapable_ = false;  // a popup or frameless window
    bool captured_ = false;
    int lastWidth_ = -1, lastHeight_ = -1;
    cairo_t* paintContext_ = nullptr;  // during a draw
    GdkCursor* cursor_ = nullptr;
    PointerShape cursorShape_ = PointerShape::Arrow;
    guint lastPressButton_ = 0;
    guint32 lastPressTime_ = 0;
    int lastPressX_ = 0, lastPressY_ = 0;
    int64_t framesPainted_ = 0;
};

// An attached window: the toolkit's client sits in front of the window's own until this goes.
class AttachedWindow : public NativeWindow {
public:
    AttachedWindow(LinuxWindow* target, WindowClient* client) : id_(target->id()) {
        target->attachClient(client);
    }
    ~AttachedWindow() override {
        if (LinuxWindow* t = target()) t->detachClient();
    }
    void show(bool visible) override {
        if (auto* t = target()) t->show(visible);
    }
    bool isVisible() const override { return target() && target()->isVisible(); }
    void setTopmost() override {
        if (auto* t = target()) t->setTopmost();
    }
    void destroy() override {
        if (auto* t = target()) t->destroy();
    }
    void post(uint32_t m, uintptr_t w, intptr_t l) override {
        if (auto* t = target()) t->post(m, w, l);
    }
    intptr_t defaultProc(uint32_t m, uintptr_t w, intptr_t l) override {
        return target() ? target()->defaultProc(m, w, l) : 0;
    }
    void clientSize(int* width, int* height) const override {
        *width = *height = 0;
        if (target()) target()->clientSize(width, height);
    }
    uintptr_t nativeHandle() const override { return target() ? target()->nativeHandle() : 0; }
    bool setTimer(uintptr_t id, uint32_t periodMs) override {
        return target() && target()->setTimer(id, periodMs);
    }
    void killTimer(uintptr_t id) override {
        if (auto* t = target()) t->killTimer(id);
    }
    bool frame(int* l, int* t, int* w, int* h) const override {
        return target() && target()->frame(l, t, w, h);
    }
    void move(int l, int t) override {
        if (auto* x = target()) x->move(l, t);
    }
    bool present(const uint32_t* p, int w, int h, const ScreenRect& a) override {
        return target() && target()->present(p, w, h, a);
    }
    void* beginPaint(ScreenRect* invalid) override {
        *invalid = {};
        return target() ? target()->beginPaint(invalid) : nullptr;
    }
    void paint(void* c, const uint32_t* p, int w, int h, const ScreenRect& a) override {
        if (auto* t = target()) t->paint(c, p, w, h, a);
    }
    void endPaint(void* c) override {
        if (auto* t = target()) t->endPaint(c);
    }
    void invalidate(const ScreenRect* a) override {
        if (auto* t = target()) t->invalidate(a);
    }
    bool perPixelAlpha() const override { return target() && target()->perPixelAlpha(); }
    bool setPerPixelAlpha(bool on) override { return target() && target()->setPerPixelAlpha(on); }
    bool setAlpha(int a) override { return target() && target()->setAlpha(a); }
    void setRegion(const ScreenRect* a) override {
        if (auto* t = target()) t->setRegion(a);
    }
    void setCapture(bool c) override {
        if (auto* t = target()) t->setCapture(c);
    }
    void setCursor(PointerShape s) override {
        if (auto* t = target()) t->setCursor(s);
    }
    void screenToClient(int* x, int* y) const override {
        if (target()) target()->screenToClient(x, y);
    }
    void activate() override {
        if (auto* t = target()) t->activate();
    }
    void flash() override {
        if (auto* t = target()) t->flash();
    }
    void closeOwnedBoxes() override {
        if (auto* t = target()) t->closeOwnedBoxes();
    }
    intptr_t callPrevious(uint32_t m, uintptr_t w, intptr_t l) override {
        return target() ? target()->callPrevious(m, w, l) : kDefaultHandling;
    }
    bool attached() const override { return true; }

private:
    LinuxWindow* target() const {
        const auto it = registry().find(id_);
        return it == registry().end() || it->second->destroyed() ? nullptr : it->second;
    }
    uint64_t id_;
};

// The GTK window behind a native window of this file (the owner of a message box).
GtkWidget* widgetOfHandle(NativeWindow* window) {
    if (!window) return nullptr;
    const uintptr_t xid = window->nativeHandle();
    for (auto& [id, w] : registry())
        if (!w->destroyed() && w->nativeHandle() == xid) return w->widget();
    return nullptr;
}

// Delivers the messages queued so far (messages queued meanwhile wait for the next drain). A
// mouse move absorbs the moves of the same window queued right behind it.
void deliverQueued() {
    for (size_t left = g_queue.size(); left > 0 && !g_queue.empty(); --left) {
        QueuedEntry entry = g_queue.front();
        g_queue.pop_front();
        if (entry.message == base::kWmMouseMove) {
            while (left > 1 && !g_queue.empty() && g_queue.front().message == base::kWmMouseMove &&
                   g_queue.front().window == entry.window) {
                entry = g_queue.front();
                g_queue.pop_front();
                --left;
            }
        }
        const auto it = registry().find(entry.window);
        if (it == registry().end()) continue;
        if (g_filter && g_filter({it->second, entry.message, entry.wParam, entry.lParam})) continue;
        g_keyState = entry.keyState;
        it->second->send(entry.message, entry.wParam, entry.lParam);
    }
    if (!g_queue.empty() && !g_queueSource)
        g_queueSource = g_idle_add_full(G_PRIORITY_DEFAULT, onQueueIdle, nullptr, nullptr);
}

// Whether any window of the program (the toolkit's, message boxes, menus) has the focus now;
// on a change every toolkit window is told, as Win32 tells every top-level window of the thread.
gboolean checkActivation(gpointer) {
    g_activationCheck = 0;
    bool active = false;
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* item = toplevels; item; item = item->next)
        if (gtk_window_is_active(GTK_WINDOW(item->data))) active = true;
    g_list_free(toplevels);
    if (active != g_applicationActive) {
        g_applicationActive = active;
        for (const auto& [id, window] : registry())
            enqueue({id, base::kWmActivateApp, active ? 1u : 0u, 0, g_keyState});
    }
    return G_SOURCE_REMOVE;
}

void scheduleActivationCheck() {
    constexpr guint kSettleMs = 50;
    if (!g_activationCheck) g_activationCheck = g_timeout_add(kSettleMs, checkActivation, nullptr);
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
    // First: GDK's first X window (its client leader, which carries the program's name) exists
    // before gtk_init_check returns, and a stop asked for from then on must still be clean.
    static const bool stopSignals = [] {
        for (int stop : {SIGTERM, SIGINT, SIGHUP})
            g_unix_signal_add(stop, onStopSignal, nullptr);
        return true;
    }();
    (void)stopSignals;
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
    ready = true;
    return true;
}

std::unique_ptr<NativeWindow> createNativeWindow(const WindowSpec& params, WindowClient* client) {
    return std::make_unique<LinuxWindow>(params, client);
}

std::unique_ptr<NativeWindow> attachNativeWindow(uintptr_t handle, WindowClient* client) {
    for (auto& [id, window] : registry())
        if (!window->destroyed() && !window->attached() && handle &&
            window->nativeHandle() == handle)
            return std::make_unique<AttachedWindow>(window, client);
    return nullptr;
}

bool isKeyDown(uint32_t virtualKey) {
    switch (virtualKey) {
        case kVkShift:
            return (g_keyState & GDK_SHIFT_MASK) != 0;
        case kVkControl:
            return (g_keyState & GDK_CONTROL_MASK) != 0;
        case kVkMenu:
            return (g_keyState & GDK_MOD1_MASK) != 0;
        case 0x01:
            return (g_keyState & GDK_BUTTON1_MASK) != 0;
        case 0x02:
            return (g_keyState & GDK_BUTTON3_MASK) != 0;
        case 0x04:
            return (g_keyState & GDK_BUTTON2_MASK) != 0;
        default:
            return false;
    }
}

void testing::forgetPerPixelAlpha() {
    g_noPerPixelAlpha = true;
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

namespace {

// The work area the desktop publishes on the root window (_NET_WORKAREA, one rectangle per
// desktop; the current desktop's), or false when it publishes none.
bool netWorkArea(GdkDisplay* display, ScreenRect* area) {
    if (!GDK_IS_X11_DISPLAY(display)) return false;
    Display* x = GDK_DISPLAY_XDISPLAY(display);
    const Window root = DefaultRootWindow(x);
    auto cardinals = [&](const char* name, std::vector<long>* values) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const Atom atom = XInternAtom(x, name, True);
        if (atom == None || XGetWindowProperty(x, root, atom, 0, 1024, False, XA_CARDINAL, &type,
                                               &format, &count, &after, &data) != Success)
            return false;
        if (type == XA_CARDINAL && format == 32 && data) {
            const long* longs = reinterpret_cast<const long*>(data);
            values->assign(longs, longs + count);
        }
        if (data) XFree(data);
        return !values->empty();
    };
    std::vector<long> workarea, desktop;
    if (!cardinals("_NET_WORKAREA", &workarea) || workarea.size() < 4) return false;
    size_t index = 0;
    if (cardinals("_NET_CURRENT_DESKTOP", &desktop) && desktop[0] >= 0 &&
        (static_cast<size_t>(desktop[0]) + 1) * 4 <= workarea.size())
        index = static_cast<size_t>(desktop[0]);
    const long* r = &workarea[index * 4];
    if (r[2] <= 0 || r[3] <= 0) return false;
    *area = {static_cast<int>(r[0]), static_cast<int>(r[1]), static_cast<int>(r[0] + r[2]),
             static_cast<int>(r[1] + r[3])};
    return true;
}

}  // namespace

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
    ScreenRect area = toScreenRect(r);
    // _NET_WORKAREA spans the whole screen: its part on the primary monitor counts.
    ScreenRect net;
    if (netWorkArea(display, &net)) {
        gdk_monitor_get_geometry(monitor, &r);
        const ScreenRect m = toScreenRect(r);
        const ScreenRect both{std::max(m.left, net.left), std::max(m.top, net.top),
                              std::min(m.right, net.right), std::min(m.bottom, net.bottom)};
        if (both.right > both.left && both.bottom > both.top) area = both;
    }
    return area;
}

// ---- 5. the pump -------------------------------------------------------------------------------

namespace {
// The wait that ended the previous pass was a whole iteration of the context: it dispatched what
// was ready then, so looking again at once would only repeat its poll (and its X queue reads).
bool g_waitIterated = false;
}  // namespace

bool dispatchPending(const MessageFilter* filter) {
    if (filter && *filter)
        g_filter = *filter;
    else if (g_filter)
        g_filter = nullptr;
    // Bounded, so a source that is always ready cannot starve the callbacks. Anything that
    // became ready since the wait is seen by the next wait's prepare, which then does not sleep.
    if (!g_waitIterated) {
        for (int i = 0; i < 256 && g_main_context_iteration(nullptr, FALSE); ++i) {
        }
    }
    g_waitIterated = false;
    deliverQueued();
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

// Accelerators are a Win32 mechanism; GTK windows reach the program's shortcuts through its key
// handling.
void setAccelerators(NativeWindow*, const Accelerator*, int) {}

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

namespace {

// A message box on screen, and whether its nested pump should go on.
struct OpenBox {
    GtkWidget* dialog;
    GtkWidget* owner;
    bool running = true;
    gint response = GTK_RESPONSE_NONE;
};

struct OwnedDialog {
    int token;
    void* owner;
    std::function<void()> close;
};
std::vector<OwnedDialog> g_ownedDialogs;

void closeBoxesOwnedBy(GtkWidget* owner) {
    const std::vector<OpenBox*> boxes = g_openBoxes;
    for (OpenBox* box : boxes)
        if (box->owner == owner || !box->owner)
            gtk_dialog_response(GTK_DIALOG(box->dialog), GTK_RESPONSE_DELETE_EVENT);
    const std::vector<OwnedDialog> dialogs = g_ownedDialogs;
    for (const OwnedDialog& dialog : dialogs)
        if (dialog.owner == owner || !dialog.owner) dialog.close();
}

}  // namespace

int addOwnedDialog(void* owner, std::function<void()> close) {
    static int next = 1;
    g_ownedDialogs.push_back({next, owner, std::move(close)});
    return next++;
}

void removeOwnedDialog(int token) {
    g_ownedDialogs.erase(std::remove_if(g_ownedDialogs.begin(), g_ownedDialogs.end(),
                                        [token](const OwnedDialog& d) { return d.token == token; }),
                         g_ownedDialogs.end());
}

bool messageBox(NativeWindow* owner, const std::string& text, const std::string& title,
                BoxKind kind, const RunPump& runPump) {
    const GtkMessageType type = kind == BoxKind::Error   ? GTK_MESSAGE_ERROR
                                : kind == BoxKind::YesNo ? GTK_MESSAGE_QUESTION
                                                         : GTK_MESSAGE_INFO;
    GtkWidget* parent = widgetOfHandle(owner);
    GtkWidget* dialog =
        gtk_message_dialog_new(parent ? GTK_WINDOW(parent) : nullptr, GTK_DIALOG_MODAL, type,
                               kind == BoxKind::YesNo ? GTK_BUTTONS_YES_NO : GTK_BUTTONS_OK, "%s",
                               base::cp1252ToUtf8(text).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), base::cp1252ToUtf8(title).c_str());
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    OpenBox box{dialog, parent};
    g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog*, gint response, gpointer data) {
                         auto* b = static_cast<OpenBox*>(data);
                         b->response = response;
                         b->running = false;
                     }),
                     &box);
    g_object_ref_sink(dialog);
    gtk_widget_show(dialog);
    g_openBoxes.push_back(&box);
    // The program's own pump runs while the box is up (timers, callbacks and other windows go
    // on); it may also end early when the program quits.
    if (runPump)
        runPump(&box.running);
    else
        while (box.running)
            g_main_context_iteration(nullptr, TRUE);
    g_openBoxes.erase(std::find(g_openBoxes.begin(), g_openBoxes.end(), &box));
    g_signal_handlers_disconnect_by_data(dialog, &box);
    gtk_widget_destroy(dialog);
    g_object_unref(dialog);
    return box.response == GTK_RESPONSE_YES || box.response == GTK_RESPONSE_OK;
}

std::string lastErrorText() {
    return std::strerror(errno);
}

// ---- 7. global hotkeys -------------------------------------------------------------------------

namespace {

struct HotKey {
    uint64_t window;
    int id;
    KeyCode code;
    unsigned modifiers;  // X modifier mask
    uint32_t hotKeyModifiers, virtualKey;
};
std::vector<HotKey> g_hotKeys;

// Caps Lock and Num Lock must not stop a hotkey: each key is grabbed under all four of their
// combinations.
constexpr unsigned kLockCombinations[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};
constexpr unsigned kHotKeyMask = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;

// Grabbed keys arrive at the root window, before GDK looks for a window of its own.
GdkFilterReturn filterHotKeys(GdkXEvent* xevent, GdkEvent*, gpointer) {
    const auto* event = static_cast<const XEvent*>(xevent);
    if (event->type != KeyPress) return GDK_FILTER_CONTINUE;
    for (const HotKey& key : g_hotKeys) {
        if (key.code != event->xkey.keycode || key.modifiers != (event->xkey.state & kHotKeyMask))
            continue;
        enqueue({key.window, kWmHotKey, static_cast<uintptr_t>(key.id),
                 static_cast<intptr_t>((key.virtualKey << 16) | key.hotKeyModifiers), 0});
        return GDK_FILTER_REMOVE;
    }
    return GDK_FILTER_CONTINUE;
}

void ungrab(Display* x, const HotKey& key) {
    for (unsigned lock : kLockCombinations)
        XUngrabKey(x, key.code, key.modifiers | lock, DefaultRootWindow(x));
}

uint64_t windowIdOf(NativeWindow* window) {
    const uintptr_t xid = window ? window->nativeHandle() : 0;
    for (auto& [id, w] : registry())
        if (!w->destroyed() && xid && w->nativeHandle() == xid) return id;
    return 0;
}

}  // namespace

bool registerHotKey(NativeWindow* window, int id, uint32_t modifiers, uint32_t virtualKey) {
    GdkDisplay* display = gdk_display_get_default();
    const uint64_t target = windowIdOf(window);
    if (!display || !GDK_IS_X11_DISPLAY(display) || !target) return false;
    Display* x = GDK_DISPLAY_XDISPLAY(display);
    const KeySym sym = keySymOf(virtualKey);
    const KeyCode code = sym ? XKeysymToKeycode(x, sym) : 0;
    if (!code) return false;
    for (const HotKey& key : g_hotKeys)
        if (key.window == target && key.id == id) return false;  // as RegisterHotKey refuses
    HotKey key{target, id, code, 0, modifiers & 0xF, virtualKey};
    if (modifiers & kModAlt) key.modifiers |= Mod1Mask;
    if (modifiers & kModControl) key.modifiers |= ControlMask;
    if (modifiers & kModShift) key.modifiers |= ShiftMask;
    if (modifiers & kModWin) key.modifiers |= Mod4Mask;
    // Another client holding the key makes the grab fail with BadAccess: a quiet refusal.
    gdk_x11_display_error_trap_push(display);
    for (unsigned lock : kLockCombinations)
        XGrabKey(x, code, key.modifiers | lock, DefaultRootWindow(x), False, GrabModeAsync,
                 GrabModeAsync);
    XSync(x, False);
    if (gdk_x11_display_error_trap_pop(display) != 0) {
        gdk_x11_display_error_trap_push(display);
        ungrab(x, key);
        XSync(x, False);
        gdk_x11_display_error_trap_pop_ignored(display);
        return false;
    }
    static bool filtering = false;
    if (!filtering) gdk_window_add_filter(nullptr, filterHotKeys, nullptr);
    filtering = true;
    g_hotKeys.push_back(key);
    return true;
}

void unregisterHotKey(NativeWindow* window, int id) {
    GdkDisplay* display = gdk_display_get_default();
    const uint64_t target = windowIdOf(window);
    for (auto it = g_hotKeys.begin(); it != g_hotKeys.end(); ++it) {
        if (it->window != target || it->id != id) continue;
        if (display && GDK_IS_X11_DISPLAY(display)) {
            gdk_x11_display_error_trap_push(display);
            ungrab(GDK_DISPLAY_XDISPLAY(display), *it);
            XSync(GDK_DISPLAY_XDISPLAY(display), False);
            gdk_x11_display_error_trap_pop_ignored(display);
        }
        g_hotKeys.erase(it);
        return;
    }
}

}  // namespace platform
