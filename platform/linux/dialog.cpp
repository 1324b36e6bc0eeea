// Linux dialog boxes: a GTK 3 window laid out from the template's dialog units, scaled by the
// dialog font's average character size as Windows scales them (x * average width / 4,
// y * height / 8). The program's pump runs while the box is up; Enter presses the default button,
// Escape cancels (id 2), Tab moves between controls (GTK's own focus chain).
//
// Contents
//   1. dialog units and the look (font, compact controls)
//   2. the running box
//   3. running one, the owner's state
#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/text.h"
#include "platform/dialog.h"
#include "platform/linux/window_registry.h"

namespace platform {
namespace {

// ---- 1. dialog units and the look -------------------------------------------------------------

// The dialog's base units in pixels, as Windows derives them from the dialog font: the average
// width of the 52 Latin letters (rounded as GdiGetCharDimensions does) and the font's height.
struct BaseUnits {
    int x = 6, y = 13;
};

BaseUnits measureFont(GtkWidget* widget, const std::string& family, int points) {
    BaseUnits units;
    PangoContext* context = gtk_widget_get_pango_context(widget);
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, family.c_str());
    pango_font_description_set_size(font, points * PANGO_SCALE);
    PangoLayout* layout = pango_layout_new(context);
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", -1);
    int width = 0, height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    if (width > 0) units.x = (width / 26 + 1) / 2;
    PangoFontMetrics* metrics = pango_context_get_metrics(context, font, nullptr);
    const int ascent = pango_font_metrics_get_ascent(metrics);
    const int descent = pango_font_metrics_get_descent(metrics);
    pango_font_metrics_unref(metrics);
    if (ascent + descent > 0) units.y = (ascent + descent + PANGO_SCALE - 1) / PANGO_SCALE;
    g_object_unref(layout);
    pango_font_description_free(font);
    return units;
}

// Dialog units to pixels (MulDiv's rounding).
int scale(int units, int base, int divisor) {
    return (units * base + divisor / 2) / divisor;
}

// Controls as compact as Win32's (the desktop theme's padding would not fit the template's
// rectangles); the font is the template's. Scoped to dialog windows by their style class.
void installStyle(const std::string& family, int points) {
    static std::map<std::string, GtkCssProvider*> providers;
    const std::string key = family + ":" + std::to_string(points);
    if (providers.count(key)) return;
    const std::string css =
        ".yt-dialog-" + std::to_string(points) + " * { font-family: \"" + family +
        "\"; font-size: " + std::to_string(points) +
        "pt; }\n"
        ".yt-dialog button { padding: 0 4px; min-height: 0; min-width: 0; }\n"
        ".yt-dialog entry { padding: 0 3px; min-height: 0; }\n"
        ".yt-dialog checkbutton { padding: 0; min-height: 0; }\n"
        ".yt-dialog checkbutton check { margin: 0 4px 0 0; min-width: 12px; min-height: 12px; }\n";
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    providers[key] = provider;
}

std::vector<uint32_t> g_iconPixels;
int g_iconSize = 0;

// The icon image as a pixbuf (straight RGBA from premultiplied ARGB).
GdkPixbuf* iconPixbuf() {
    if (g_iconSize <= 0 || g_iconPixels.size() != static_cast<size_t>(g_iconSize * g_iconSize))
        return nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, g_iconSize, g_iconSize);
    guchar* rows = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < g_iconSize; ++y)
        for (int x = 0; x < g_iconSize; ++x) {
            const uint32_t p = g_iconPixels[static_cast<size_t>(y * g_iconSize + x)];
            const unsigned a = p >> 24;
            guchar* out = rows + y * stride + x * 4;
            for (int c = 0; c < 3; ++c) {
                const unsigned v = (p >> (16 - 8 * c)) & 0xFF;
                out[c] = static_cast<guchar>(a ? (v * 255 + a / 2) / a : 0);
            }
            out[3] = static_cast<guchar>(a);
        }
    return pixbuf;
}

// ---- 2. the running box -----------------------------------------------------------------------

class LinuxDialogBox : public RunningDialog {
public:
    LinuxDialogBox(const DialogTemplate& dialog, DialogHandler* handler)
        : dialog_(dialog), handler_(handler) {}

    ~LinuxDialogBox() override {
        for (auto& [id, source] : timers_)
            g_source_remove(source);
        if (window_) {
            g_signal_handlers_disconnect_by_data(window_, this);
            gtk_widget_destroy(window_);
            g_object_unref(window_);
        }
    }

    // Builds the window and its controls; nothing is shown yet.
    void build(GtkWidget* owner) {
        window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        g_object_ref_sink(window_);
        GtkWindow* window = GTK_WINDOW(window_);
        gtk_window_set_title(window, base::cp1252ToUtf8(dialog_.title).c_str());
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_window_set_wmclass(window, "ytDialogBox", "ytDialogBox");
        G_GNUC_END_IGNORE_DEPRECATIONS
        gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
        gtk_window_set_resizable(window, FALSE);
        gtk_window_set_modal(window, TRUE);
        gtk_window_set_keep_above(window, TRUE);
        if (owner) gtk_window_set_transient_for(window, GTK_WINDOW(owner));
        GtkStyleContext* style = gtk_widget_get_style_context(window_);
        gtk_style_context_add_class(style, "yt-dialog");
        gtk_style_context_add_class(style,
                                    ("yt-dialog-" + std::to_string(dialog_.fontPoints)).c_str());
        installStyle(dialog_.fontName, dialog_.fontPoints);
        units_ = measureFont(window_, dialog_.fontName, dialog_.fontPoints);

        // A GtkLayout places the controls at fixed points without asking for their natural
        // sizes (GtkFixed would ask a wrapping text for its height at a width of one word).
        GtkWidget* fixed = gtk_layout_new(nullptr, nullptr);
        gtk_container_add(GTK_CONTAINER(window_), fixed);
        gtk_widget_show(fixed);
        gtk_widget_set_size_request(fixed, px(dialog_.width), py(dialog_.height));
        gtk_layout_set_size(GTK_LAYOUT(fixed), static_cast<guint>(px(dialog_.width)),
                            static_cast<guint>(py(dialog_.height)));
        for (const DialogControl& control : dialog_.controls) {
            GtkWidget* widget = makeControl(control);
            gtk_widget_set_size_request(widget, px(control.width), py(control.height));
            gtk_layout_put(GTK_LAYOUT(fixed), widget, px(control.x), py(control.y));
            if (control.flags & kDisabled) gtk_widget_set_sensitive(widget, FALSE);
            if (control.flags & kNoTabStop) gtk_widget_set_can_focus(widget, FALSE);
            if (control.flags & kHidden)
                gtk_widget_set_no_show_all(widget, TRUE);
            else
                gtk_widget_show_all(widget);
            if (control.id != kNoControlId) controls_[control.id] = widget;
        }
        g_signal_connect(window_, "key-press-event", G_CALLBACK(onKey), this);
        g_signal_connect(window_, "delete-event", G_CALLBACK(onDelete), this);
        gtk_widget_realize(window_);
    }

    uintptr_t nativeHandle() const override {
        GdkWindow* gdk = window_ ? gtk_widget_get_window(window_) : nullptr;
        return gdk ? static_cast<uintptr_t>(gdk_x11_window_get_xid(gdk)) : 0;
    }
    void end(intptr_t result) override {
        result_ = result;
        running_ = false;
    }
    std::string controlText(int id) const override {
        GtkWidget* widget = control(id);
        const char* text = nullptr;
        if (!widget) return {};
        if (GTK_IS_ENTRY(widget))
            text = gtk_entry_get_text(GTK_ENTRY(widget));
        else if (GTK_IS_BUTTON(widget))
            text = gtk_button_get_label(GTK_BUTTON(widget));
        else if (GTK_IS_LABEL(widget))
            text = gtk_label_get_text(GTK_LABEL(widget));
        std::string out;
        if (text && !base::utf8ToCp1252(text, &out)) out.clear();
        return out;
    }
    void setControlText(int id, const std::string& text) override {
        GtkWidget* widget = control(id);
        const std::string utf8 = base::cp1252ToUtf8(text);
        if (!widget) return;
        if (GTK_IS_ENTRY(widget))
            gtk_entry_set_text(GTK_ENTRY(widget), utf8.c_str());
        else if (GTK_IS_BUTTON(widget))
            gtk_button_set_label(GTK_BUTTON(widget), utf8.c_str());
        else if (GTK_IS_LABEL(widget))
            gtk_label_set_text(GTK_LABEL(widget), utf8.c_str());
    }
    bool isChecked(int id) const override {
        GtkWidget* widget = control(id);
        return widget && GTK_IS_TOGGLE_BUTTON(widget) &&
               gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget));
    }
    void setChecked(int id, bool checked) override {
        GtkWidget* widget = control(id);
        if (!widget || !GTK_IS_TOGGLE_BUTTON(widget)) return;
        quiet_ = true;  // BM_SETCHECK sends no command
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget), checked);
        quiet_ = false;
    }
    bool isEnabled(int id) const override {
        GtkWidget* widget = control(id);
        return widget && gtk_widget_get_sensitive(widget);
    }
    void enable(int id, bool enabled) override {
        if (GtkWidget* widget = control(id)) gtk_widget_set_sensitive(widget, enabled);
    }
    bool isShown(int id) const override {
        GtkWidget* widget = control(id);
        return widget && gtk_widget_get_visible(widget);
    }
    void show(int id, bool visible) override {
        GtkWidget* widget = control(id);
        if (!widget) return;
        if (visible) {
            gtk_widget_set_no_show_all(widget, FALSE);
            gtk_widget_show_all(widget);
        } else {
            gtk_widget_hide(widget);
        }
    }
    void focus(int id) override {
        if (GtkWidget* widget = control(id)) gtk_widget_grab_focus(widget);
    }
    bool setTimer(uintptr_t id, uint32_t periodMs) override {
        killTimer(id);
        auto* target = new TimerTarget{this, id};
        timers_[id] =
            g_timeout_add_full(G_PRIORITY_DEFAULT, periodMs ? periodMs : 1, onTimer, target,
                               [](gpointer data) { delete static_cast<TimerTarget*>(data); });
        return true;
    }
    void killTimer(uintptr_t id) override {
        const auto it = timers_.find(id);
        if (it == timers_.end()) return;
        g_source_remove(it->second);
        timers_.erase(it);
    }
    void* childHost(int id) const override {
        GtkWidget* widget = control(id);
        return widget && GTK_IS_CONTAINER(widget) ? widget : nullptr;
    }
    bool controlFrame(int id, ScreenRect* rect) const override {
        GtkWidget* widget = control(id);
        GdkWindow* gdk = window_ ? gtk_widget_get_window(window_) : nullptr;
        if (!widget || !gdk) return false;
        int x = 0, y = 0;
        if (!gtk_widget_translate_coordinates(widget, window_, 0, 0, &x, &y)) return false;
        int originX = 0, originY = 0;
        gdk_window_get_origin(gdk, &originX, &originY);
        rect->left = originX + x;
        rect->top = originY + y;
        rect->right = rect->left + gtk_widget_get_allocated_width(widget);
        rect->bottom = rect->top + gtk_widget_get_allocated_height(widget);
        return true;
    }
    bool frame(int* left, int* top, int* width, int* height) const override {
        if (!window_) return false;
        gtk_window_get_position(GTK_WINDOW(window_), left, top);
        gtk_window_get_size(GTK_WINDOW(window_), width, height);
        if (*width <= 1 || *height <= 1) {
            *width = px(dialog_.width);
            *height = py(dialog_.height);
        }
        return true;
    }
    void move(int left, int top) override {
        if (window_) gtk_window_move(GTK_WINDOW(window_), left, top);
    }

    intptr_t send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
        return handler_->dialogProc(this, message, wParam, lParam);
    }

    // Runs the box: WM_INITDIALOG, shown, the pump until end(), WM_DESTROY.
    intptr_t run(const RunPump& runPump) {
        const bool focusFirst = send(kWmInitDialog, 0, 0) != 0;
        if (running_) {
            gtk_widget_show(window_);
            if (focusFirst && !gtk_window_get_focus(GTK_WINDOW(window_)))
                gtk_widget_child_focus(window_, GTK_DIR_TAB_FORWARD);
            gtk_window_present(GTK_WINDOW(window_));
            if (runPump)
                runPump(&running_);
            else
                while (running_)
                    g_main_context_iteration(nullptr, TRUE);
        }
        for (auto& [id, source] : timers_)
            g_source_remove(source);
        timers_.clear();
        send(base::kWmDestroy, 0, 0);
        gtk_widget_hide(window_);
        return result_;
    }

    // Asked to close from outside (the owner is closing): WM_CLOSE, which cancels unless handled.
    void close() {
        if (running_ && send(base::kWmClose, 0, 0) == 0) command(kIdCancel, kBnClicked);
    }

    GtkWidget* window() const { return window_; }

private:
    struct TimerTarget {
        LinuxDialogBox* box;
        uintptr_t id;
    };

    int px(int units) const { return scale(units, units_.x, 4); }
    int py(int units) const { return scale(units, units_.y, 8); }

    GtkWidget* control(int id) const {
        const auto it = controls_.find(id);
        return it == controls_.end() ? nullptr : it->second;
    }

    void command(int id, uint32_t code) {
        if (!running_) return;
        send(base::kWmCommand, (static_cast<uintptr_t>(code) << 16) | static_cast<uint16_t>(id), 0);
    }

    GtkWidget* makeControl(const DialogControl& control) {
        const std::string text = base::cp1252ToUtf8(control.text);
        GtkWidget* widget = nullptr;
        switch (control.kind) {
            case ControlKind::Static: {
                widget = gtk_label_new(text.c_str());
                GtkLabel* label = GTK_LABEL(widget);
                gtk_label_set_line_wrap(label, TRUE);
                gtk_label_set_line_wrap_mode(label, PANGO_WRAP_WORD_CHAR);
                const bool centred = control.flags & kCentered;
                gtk_label_set_justify(label, centred ? GTK_JUSTIFY_CENTER : GTK_JUSTIFY_LEFT);
                gtk_label_set_xalign(label, centred ? 0.5f : 0.0f);
                gtk_label_set_yalign(label, 0.0f);
                // The wrap width follows the control's rectangle, not the text's natural width.
                gtk_label_set_width_chars(label, 1);
                gtk_label_set_max_width_chars(label, 1);
                break;
            }
            case ControlKind::Icon: {
                GdkPixbuf* pixbuf = iconPixbuf();
                widget = pixbuf ? gtk_image_new_from_pixbuf(pixbuf) : gtk_image_new();
                if (pixbuf) g_object_unref(pixbuf);
                gtk_widget_set_halign(widget, GTK_ALIGN_START);
                gtk_widget_set_valign(widget, GTK_ALIGN_START);
                break;
            }
            case ControlKind::Frame:
                widget = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
                break;
            case ControlKind::Edit:
                widget = gtk_entry_new();
                gtk_entry_set_text(GTK_ENTRY(widget), text.c_str());
                gtk_entry_set_width_chars(GTK_ENTRY(widget), 1);
                g_signal_connect(widget, "changed", G_CALLBACK(onChanged), this);
                break;
            case ControlKind::CheckBox: {
                widget = gtk_check_button_new_with_label(text.c_str());
                if (GtkWidget* label = gtk_bin_get_child(GTK_BIN(widget)))
                    if (GTK_IS_LABEL(label)) gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
                g_signal_connect(widget, "toggled", G_CALLBACK(onClicked), this);
                break;
            }
            case ControlKind::PushButton:
            case ControlKind::DefPushButton:
                widget = gtk_button_new_with_label(text.c_str());
                g_signal_connect(widget, "clicked", G_CALLBACK(onClicked), this);
                if (control.kind == ControlKind::DefPushButton) {
                    gtk_widget_set_can_default(widget, TRUE);
                    gtk_window_set_default(GTK_WINDOW(window_), widget);
                    defaultId_ = control.id;
                }
                break;
        }
        g_object_set_data(G_OBJECT(widget), "yt-control-id",
                          GINT_TO_POINTER(static_cast<gint>(control.id)));
        return widget;
    }

    static int idOf(GtkWidget* widget) {
        return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "yt-control-id"));
    }

    static void onClicked(GtkWidget* widget, gpointer data) {
        auto* self = static_cast<LinuxDialogBox*>(data);
        if (!self->quiet_) self->command(idOf(widget), kBnClicked);
    }
    static void onChanged(GtkWidget* widget, gpointer data) {
        static_cast<LinuxDialogBox*>(data)->command(idOf(widget), kEnChange);
    }
    static gboolean onTimer(gpointer data) {
        auto* target = static_cast<TimerTarget*>(data);
        if (target->box->running_) target->box->send(base::kWmTimer, target->id, 0);
        return G_SOURCE_CONTINUE;
    }
    static gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
        static_cast<LinuxDialogBox*>(data)->close();
        return TRUE;
    }

    // The dialog manager's keys: Escape cancels, Enter presses the default button (a focused
    // push button presses itself), F1 and Help go to the handler.
    static gboolean onKey(GtkWidget* window, GdkEventKey* event, gpointer data) {
        auto* self = static_cast<LinuxDialogBox*>(data);
        const guint mods = event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SHIFT_MASK);
        switch (event->keyval) {
            case GDK_KEY_F1:
                self->send(base::kWmKeyDown, kVkF1, 0);
                return TRUE;
            case GDK_KEY_Help:
                self->send(base::kWmKeyDown, kVkHelp, 0);
                return TRUE;
            case GDK_KEY_Escape:
                if (mods) return FALSE;
                self->command(kIdCancel, kBnClicked);
                return TRUE;
            case GDK_KEY_Return:
            case GDK_KEY_KP_Enter: {
                if (mods & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return FALSE;
                GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
                if (focus && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus)) return FALSE;
                if (self->defaultId_ == kNoControlId)
                    self->command(kIdOk, kBnClicked);
                else if (self->isEnabled(self->defaultId_))
                    self->command(self->defaultId_, kBnClicked);
                return TRUE;
            }
            default:
                return FALSE;
        }
    }

    const DialogTemplate& dialog_;
    DialogHandler* handler_;
    GtkWidget* window_ = nullptr;
    BaseUnits units_;
    std::map<int, GtkWidget*> controls_;
    std::map<uintptr_t, guint> timers_;
    int defaultId_ = kNoControlId;
    bool running_ = true;
    bool quiet_ = false;
    intptr_t result_ = 0;
};

// The GTK window of a native window (the owner), through GDK's record of its X window.
GtkWidget* widgetOf(NativeWindow* window) {
    GdkDisplay* display = gdk_display_get_default();
    const uintptr_t xid = window ? window->nativeHandle() : 0;
    if (!display || !GDK_IS_X11_DISPLAY(display) || !xid) return nullptr;
    GdkWindow* gdk = gdk_x11_window_lookup_for_display(display, static_cast<Window>(xid));
    if (!gdk) return nullptr;
    gpointer widget = nullptr;
    gdk_window_get_user_data(gdk, &widget);
    return widget && GTK_IS_WINDOW(widget) ? GTK_WIDGET(widget) : nullptr;
}

GdkWindow* gdkWindowOf(NativeWindow* window) {
    GtkWidget* widget = widgetOf(window);
    return widget ? gtk_widget_get_window(widget) : nullptr;
}

}  // namespace

// ---- 3. running one ---------------------------------------------------------------------------

void setDialogIcon(int size, const std::vector<uint32_t>& pixels) {
    g_iconSize = size;
    g_iconPixels = pixels;
}

intptr_t runModalDialog(const DialogTemplate* dialog, NativeWindow* owner, DialogHandler* handler,
                        const RunPump& runPump) {
    if (!dialog || !handler) {
        errno = ENOENT;
        return -1;
    }
    if (!gdk_display_get_default()) {
        errno = ENXIO;
        return -1;
    }
    GtkWidget* ownerWidget = widgetOf(owner);
    LinuxDialogBox box(*dialog, handler);
    box.build(ownerWidget);
    // A close of the owner (the main window closing) closes the box first.
    const int token = addOwnedDialog(ownerWidget, [&box] { box.close(); });
    const intptr_t result = box.run(runPump);
    removeOwnedDialog(token);
    return result;
}

bool isMinimized(NativeWindow* window) {
    GdkWindow* gdk = gdkWindowOf(window);
    return gdk && (gdk_window_get_state(gdk) & GDK_WINDOW_STATE_ICONIFIED);
}

void minimize(NativeWindow* window) {
    if (GtkWidget* widget = widgetOf(window)) gtk_window_iconify(GTK_WINDOW(widget));
}

void restore(NativeWindow* window) {
    if (GtkWidget* widget = widgetOf(window)) {
        gtk_window_deiconify(GTK_WINDOW(widget));
        gtk_window_present(GTK_WINDOW(widget));
    }
}

void setPumpDialog(NativeWindow*) {}

}  // namespace platform
