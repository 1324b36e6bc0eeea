// Linux notification-area icon: a StatusNotifierItem on the session bus (its menu exported as
// com.canonical.dbusmenu through libdbusmenu-glib), and an XEmbed icon (GTK's status icon) while
// no StatusNotifierWatcher with a host is there. GTK popup menus; the compiled-in version.
//
// Contents
//   1. popup menus
//   2. the icon picture
//   3. the exported menu
//   4. the StatusNotifierItem and the XEmbed icon
//   5. promotion and version
#include <gtk/gtk.h>
#include <libdbusmenu-glib/dbusmenu-glib.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/text.h"
#include "platform/tray.h"
#include "platform/window_host.h"

namespace platform {
namespace {

// ---- 1. popup menus ---------------------------------------------------------------------------

struct MenuRun {
    uint32_t chosen = 0;
    bool done = false;
};

void onMenuItemActivate(GtkMenuItem* item, gpointer data) {
    static_cast<MenuRun*>(data)->chosen =
        GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(item), "tintel-command"));
}

GtkWidget* buildGtkMenu(const std::vector<MenuItem>& items, MenuRun* run) {
    GtkWidget* menu = gtk_menu_new();
    for (const MenuItem& item : items) {
        GtkWidget* widget;
        if (item.separator) {
            widget = gtk_separator_menu_item_new();
        } else {
            const std::string text = base::cp1252ToUtf8(item.text);
            widget = item.checked ? gtk_check_menu_item_new_with_label(text.c_str())
                                  : gtk_menu_item_new_with_label(text.c_str());
            if (item.checked) gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), TRUE);
            if (item.isDefault) {
                // The default item is drawn bold, as the Windows menu draws it.
                GtkWidget* label = gtk_bin_get_child(GTK_BIN(widget));
                gchar* markup = g_markup_printf_escaped("<b>%s</b>", text.c_str());
                gtk_label_set_markup(GTK_LABEL(label), markup);
                g_free(markup);
            }
            if (item.greyed) gtk_widget_set_sensitive(widget, FALSE);
            if (!item.submenu.empty()) {
                gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), buildGtkMenu(item.submenu, run));
            } else {
                g_object_set_data(G_OBJECT(widget), "tintel-command", GUINT_TO_POINTER(item.id));
                g_signal_connect(widget, "activate", G_CALLBACK(onMenuItemActivate), run);
            }
        }
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), widget);
    }
    return menu;
}

void onMenuDeactivate(GtkMenuShell*, gpointer data) {
    static_cast<MenuRun*>(data)->done = true;
}

}  // namespace

uint32_t trackPopupMenu(NativeWindow*, const std::vector<MenuItem>& items, int x, int y) {
    if (!gdk_display_get_default()) return 0;
    MenuRun run;
    GtkWidget* menu = buildGtkMenu(items, &run);
    g_signal_connect(menu, "deactivate", G_CALLBACK(onMenuDeactivate), &run);
    gtk_widget_show_all(menu);
    // A release outside a freshly opened menu closes it, and the menu opened from a message
    // has no press to measure the release against: the button that opened it comes up first,
    // however long the user holds it (the bound only guards against a pointer that never says).
    GdkWindow* root = gdk_get_default_root_window();
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
    const gint64 giveUp = g_get_monotonic_time() + 60 * G_USEC_PER_SEC;
    while (pointer && g_get_monotonic_time() < giveUp) {
        GdkModifierType held = static_cast<GdkModifierType>(0);
        gdk_device_get_state(pointer, root, nullptr, &held);
        if (!(held & (GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK))) break;
        g_main_context_iteration(nullptr, FALSE);
        g_usleep(10000);
    }
    // Opens at the point and flips or slides where the screen ends.
    const GdkRectangle at{x, y, 1, 1};
    gtk_menu_popup_at_rect(GTK_MENU(menu), root, &at, GDK_GRAVITY_NORTH_WEST,
                           GDK_GRAVITY_NORTH_WEST, nullptr);
    // The menu runs in the main context like every other GTK window; an item's "activate" comes
    // within the same dispatch as the menu's "deactivate".
    while (!run.done && gtk_widget_get_visible(menu))
        g_main_context_iteration(nullptr, TRUE);
    gtk_widget_destroy(menu);
    return run.chosen;
}

namespace {

// ---- 2. the icon picture ----------------------------------------------------------------------

// Straight (not premultiplied) alpha of one channel.
uint8_t unpremultiply(uint32_t channel, uint32_t alpha) {
    return alpha ? static_cast<uint8_t>((channel * 255 + alpha / 2) / alpha) : 0;
}

GdkPixbuf* pixbufFromImage(const IconImage& image) {
    if (image.size <= 0) return nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, image.size, image.size);
    if (!pixbuf) return nullptr;
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int row = 0; row < image.size; ++row) {
        for (int col = 0; col < image.size; ++col) {
            const uint32_t p = image.pixels[static_cast<size_t>(row) * image.size + col];
            const uint32_t a = p >> 24;
            guchar* out = pixels + row * stride + col * 4;
            out[0] = unpremultiply((p >> 16) & 0xFF, a);
            out[1] = unpremultiply((p >> 8) & 0xFF, a);
            out[2] = unpremultiply(p & 0xFF, a);
            out[3] = static_cast<guchar>(a);
        }
    }
    return pixbuf;
}

// The StatusNotifierItem picture: a(iiay), ARGB with straight alpha in network byte order.
GVariant* pixmapVariant(const IconImage& image) {
    GVariantBuilder pixmaps;
    g_variant_builder_init(&pixmaps, G_VARIANT_TYPE("a(iiay)"));
    if (image.size > 0) {
        std::vector<guchar> bytes;
        bytes.reserve(image.pixels.size() * 4);
        for (const uint32_t p : image.pixels) {
            const uint32_t a = p >> 24;
            bytes.push_back(static_cast<guchar>(a));
            bytes.push_back(unpremultiply((p >> 16) & 0xFF, a));
            bytes.push_back(unpremultiply((p >> 8) & 0xFF, a));
            bytes.push_back(unpremultiply(p & 0xFF, a));
        }
        GVariant* data = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, bytes.data(), bytes.size(),
                                                   sizeof(guchar));
        g_variant_builder_add(&pixmaps, "(ii@ay)", image.size, image.size, data);
    }
    return g_variant_builder_end(&pixmaps);
}

// ---- 3. the exported menu ---------------------------------------------------------------------

constexpr const char* kMenuPath = "/MenuBar";
constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";

void appendExported(DbusmenuMenuitem* parent, const std::vector<MenuItem>& items,
                    NativeWindow* window);

void onExportedActivated(DbusmenuMenuitem* item, guint, gpointer data) {
    const auto command = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(item), "tintel-command"));
    // The command reaches the window as a message, as a click on the icon does.
    if (command) static_cast<NativeWindow*>(data)->post(kTrayMenuCommandMessage, command, 0);
}

void appendExported(DbusmenuMenuitem* parent, const std::vector<MenuItem>& items,
                    NativeWindow* window) {
    for (const MenuItem& item : items) {
        DbusmenuMenuitem* entry = dbusmenu_menuitem_new();
        if (item.separator) {
            dbusmenu_menuitem_property_set(entry, DBUSMENU_MENUITEM_PROP_TYPE,
                                           DBUSMENU_CLIENT_TYPES_SEPARATOR);
        } else {
            dbusmenu_menuitem_property_set(entry, DBUSMENU_MENUITEM_PROP_LABEL,
                                           base::cp1252ToUtf8(item.text).c_str());
            if (item.greyed)
                dbusmenu_menuitem_property_set_bool(entry, DBUSMENU_MENUITEM_PROP_ENABLED, FALSE);
            if (!item.submenu.empty()) {
                dbusmenu_menuitem_property_set(entry, DBUSMENU_MENUITEM_PROP_CHILD_DISPLAY,
                                               DBUSMENU_MENUITEM_CHILD_DISPLAY_SUBMENU);
                appendExported(entry, item.submenu, window);
            } else {
                dbusmenu_menuitem_property_set(entry, DBUSMENU_MENUITEM_PROP_TOGGLE_TYPE,
                                               DBUSMENU_MENUITEM_TOGGLE_CHECK);
                dbusmenu_menuitem_property_set_int(entry, DBUSMENU_MENUITEM_PROP_TOGGLE_STATE,
                                                   item.checked
                                                       ? DBUSMENU_MENUITEM_TOGGLE_STATE_CHECKED
                                                       : DBUSMENU_MENUITEM_TOGGLE_STATE_UNCHECKED);
                g_object_set_data(G_OBJECT(entry), "tintel-command", GUINT_TO_POINTER(item.id));
                g_signal_connect(entry, DBUSMENU_MENUITEM_SIGNAL_ITEM_ACTIVATED,
                                 G_CALLBACK(onExportedActivated), window);
            }
        }
        dbusmenu_menuitem_child_append(parent, entry);
        g_object_unref(entry);
    }
}

// ---- 4. the StatusNotifierItem and the XEmbed icon --------------------------------------------

constexpr const char* kItemInterface = R"xml(
<node>
  <interface name="org.kde.StatusNotifierItem">
    <property name="Category" type="s" access="read"/>
    <property name="Id" type="s" access="read"/>
    <property name="Title" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="WindowId" type="i" access="read"/>
    <property name="IconName" type="s" access="read"/>
    <property name="IconPixmap" type="a(iiay)" access="read"/>
    <property name="OverlayIconName" type="s" access="read"/>
    <property name="AttentionIconName" type="s" access="read"/>
    <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
    <property name="ItemIsMenu" type="b" access="read"/>
    <property name="Menu" type="o" access="read"/>
    <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
    <signal name="NewTitle"/>
    <signal name="NewIcon"/>
    <signal name="NewToolTip"/>
    <signal name="NewStatus"><arg name="status" type="s"/></signal>
  </interface>
</node>)xml";

bool sessionBusPresent() {
    const char* address = g_getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return true;
    const char* runtime = g_getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return false;
    gchar* socket = g_build_filename(runtime, "bus", nullptr);
    const bool present = g_file_test(socket, G_FILE_TEST_EXISTS);
    g_free(socket);
    return present;
}

class LinuxTrayIcon : public TrayIcon {
public:
    LinuxTrayIcon(NativeWindow* window, const IconImage& image, const std::string& tip,
                  MenuSource menu)
        : window_(window),
          image_(image),
          tip_(tip.substr(0, kTrayTipLength)),
          menu_(std::move(menu)) {
        // Only a session bus that is there: without one GIO would launch a bus daemon of its
        // own for the X display, which nothing in that session would ever look at.
        if (sessionBusPresent()) connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        if (connection_) startItem();
        // Until a watcher with a host takes the item, the XEmbed icon stands in (at once when
        // there is no session bus at all).
        if (!connection_) showXembed(true);
    }

    ~LinuxTrayIcon() override {
        if (watch_) g_bus_unwatch_name(watch_);
        if (owner_) g_bus_unown_name(owner_);
        if (hostSignal_) g_dbus_connection_signal_unsubscribe(connection_, hostSignal_);
        if (registration_) g_dbus_connection_unregister_object(connection_, registration_);
        if (server_) g_object_unref(server_);
        if (root_) g_object_unref(root_);
        if (status_) {
            g_signal_handlers_disconnect_by_data(status_, this);
            G_GNUC_BEGIN_IGNORE_DEPRECATIONS
            gtk_status_icon_set_visible(status_, FALSE);
            G_GNUC_END_IGNORE_DEPRECATIONS
            g_object_unref(status_);
        }
        if (pending_) {
            g_cancellable_cancel(pending_);
            g_object_unref(pending_);
        }
        if (connection_) g_object_unref(connection_);
    }

    void setTip(const std::string& tip) override {
        const std::string cut = tip.substr(0, kTrayTipLength);
        if (cut == tip_) return;
        tip_ = cut;
        if (registration_)
            g_dbus_connection_emit_signal(connection_, nullptr, kItemPath,
                                          "org.kde.StatusNotifierItem", "NewToolTip", nullptr,
                                          nullptr);
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        if (status_) gtk_status_icon_set_tooltip_text(status_, base::cp1252ToUtf8(tip_).c_str());
        G_GNUC_END_IGNORE_DEPRECATIONS
    }

    bool onWindowMessage(uint32_t) override { return false; }

    bool clickPoint(int* x, int* y) const override {
        if (hasPoint_) {
            *x = pointX_;
            *y = pointY_;
            return true;
        }
        GdkDisplay* display = gdk_display_get_default();
        GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
        GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
        if (!pointer) return false;
        gdk_device_get_position(pointer, nullptr, x, y);
        return true;
    }

    bool shown() const override {
        if (hosted_) return true;
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        return status_ && gtk_status_icon_is_embedded(status_);
        G_GNUC_END_IGNORE_DEPRECATIONS
    }

private:
    // The item's object, its exported menu, its bus name, and the watch on the watcher.
    void startItem() {
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kItemInterface, nullptr);
        static const GDBusInterfaceVTable vtable = {onMethod, onGetProperty, nullptr, {}};
        registration_ = g_dbus_connection_register_object(
            connection_, kItemPath, node->interfaces[0], &vtable, this, nullptr, nullptr);
        g_dbus_node_info_unref(node);

        root_ = dbusmenu_menuitem_new();
        // A root without children only hears "about to show" when it says it has a submenu.
        dbusmenu_menuitem_property_set(root_, DBUSMENU_MENUITEM_PROP_CHILD_DISPLAY,
                                       DBUSMENU_MENUITEM_CHILD_DISPLAY_SUBMENU);
        // Filled when a host is about to show it (hosts ask before showing): building it reads
        // preferences the program would otherwise not touch at start-up.
        g_signal_connect(root_, DBUSMENU_MENUITEM_SIGNAL_ABOUT_TO_SHOW, G_CALLBACK(onAboutToShow),
                         this);
        server_ = dbusmenu_server_new(kMenuPath);
        dbusmenu_server_set_root(server_, root_);

        static int instance = 0;
        char name[96];
        std::snprintf(name, sizeof name, "org.kde.StatusNotifierItem-%d-%d",
                      static_cast<int>(getpid()), ++instance);
        busName_ = name;
        owner_ = g_bus_own_name_on_connection(connection_, name, G_BUS_NAME_OWNER_FLAGS_NONE,
                                              nullptr, nullptr, nullptr, nullptr);
        hostSignal_ = g_dbus_connection_signal_subscribe(
            connection_, nullptr, kWatcherName, "StatusNotifierHostRegistered", kWatcherPath,
            nullptr, G_DBUS_SIGNAL_FLAGS_NONE, onHostRegistered, this, nullptr);
        watch_ =
            g_bus_watch_name_on_connection(connection_, kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                           onWatcherAppeared, onWatcherVanished, this, nullptr);
    }

    void rebuildExportedMenu() {
        GList* old = dbusmenu_menuitem_take_children(root_);
        g_list_free_full(old, g_object_unref);
        if (menu_) appendExported(root_, menu_(), window_);
    }

    static gboolean onAboutToShow(DbusmenuMenuitem*, gpointer self) {
        // The checks and greyed items follow the program's state at the moment it shows.
        static_cast<LinuxTrayIcon*>(self)->rebuildExportedMenu();
        return TRUE;
    }

    // A (new) watcher: register with it, then ask whether a host shows items.
    static void onWatcherAppeared(GDBusConnection*, const gchar*, const gchar*, gpointer data) {
        auto* self = static_cast<LinuxTrayIcon*>(data);
        self->cancelPending();
        self->pending_ = g_cancellable_new();
        g_dbus_connection_call(self->connection_, kWatcherName, kWatcherPath, kWatcherName,
                               "RegisterStatusNotifierItem",
                               g_variant_new("(s)", self->busName_.c_str()), nullptr,
                               G_DBUS_CALL_FLAGS_NONE, 5000, self->pending_, onRegistered, self);
    }

    static void onWatcherVanished(GDBusConnection*, const gchar*, gpointer data) {
        auto* self = static_cast<LinuxTrayIcon*>(data);
        self->cancelPending();
        self->hosted_ = false;
        self->showXembed(true);
    }

    static void onRegistered(GObject* source, GAsyncResult* result, gpointer data) {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
        if (!reply) {
            const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
            g_error_free(error);
            if (!cancelled) static_cast<LinuxTrayIcon*>(data)->showXembed(true);
            return;
        }
        g_variant_unref(reply);
        static_cast<LinuxTrayIcon*>(data)->askForHost();
    }

    void askForHost() {
        g_dbus_connection_call(
            connection_, kWatcherName, kWatcherPath, "org.freedesktop.DBus.Properties", "Get",
            g_variant_new("(ss)", kWatcherName, "IsStatusNotifierHostRegistered"),
            G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, 5000, pending_, onHostAnswer, this);
    }

    static void onHostAnswer(GObject* source, GAsyncResult* result, gpointer data) {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
        if (!reply) {
            const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
            g_error_free(error);
            if (!cancelled) static_cast<LinuxTrayIcon*>(data)->showXembed(true);
            return;
        }
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        const bool host = value && g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) &&
                          g_variant_get_boolean(value);
        if (value) g_variant_unref(value);
        g_variant_unref(reply);
        auto* self = static_cast<LinuxTrayIcon*>(data);
        self->hosted_ = host;
        self->showXembed(!host);
    }

    static void onHostRegistered(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                 const gchar*, GVariant*, gpointer data) {
        auto* self = static_cast<LinuxTrayIcon*>(data);
        self->hosted_ = true;
        self->showXembed(false);
    }

    void cancelPending() {
        if (!pending_) return;
        g_cancellable_cancel(pending_);
        g_object_unref(pending_);
        pending_ = nullptr;
    }

    static void onMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                         const gchar* method, GVariant* parameters,
                         GDBusMethodInvocation* invocation, gpointer data) {
        auto* self = static_cast<LinuxTrayIcon*>(data);
        if (g_strcmp0(method, "Activate") == 0) {
            self->window_->post(kTrayCallbackMessage, 0, base::kWmLButtonDown);
        } else if (g_strcmp0(method, "ContextMenu") == 0) {
            g_variant_get(parameters, "(ii)", &self->pointX_, &self->pointY_);
            self->hasPoint_ = true;
            self->window_->post(kTrayCallbackMessage, 0, base::kWmRButtonDown);
        }
        g_dbus_method_invocation_return_value(invocation, nullptr);
    }

    static GVariant* onGetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                   const gchar* property, GError**, gpointer data) {
        auto* self = static_cast<LinuxTrayIcon*>(data);
        const std::string name = property;
        if (name == "Category") return g_variant_new_string("ApplicationStatus");
        if (name == "Id") return g_variant_new_string("tintel");
        if (name == "Title") return g_variant_new_string("Tintel");
        if (name == "Status") return g_variant_new_string("Active");
        if (name == "WindowId") return g_variant_new_int32(0);
        if (name == "IconPixmap") return pixmapVariant(self->image_);
        if (name == "ToolTip") {
            GVariantBuilder none;
            g_variant_builder_init(&none, G_VARIANT_TYPE("a(iiay)"));
            return g_variant_new("(sa(iiay)ss)", "", &none, "Tintel",
                                 base::cp1252ToUtf8(self->tip_).c_str());
        }
        if (name == "ItemIsMenu") return g_variant_new_boolean(FALSE);
        if (name == "Menu") return g_variant_new_object_path(kMenuPath);
        return g_variant_new_string("");  // the icon names: the picture is the pixmap
    }

    // The XEmbed icon for trays without a StatusNotifierItem host.
    void showXembed(bool visible) {
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        if (!status_) {
            if (!visible) return;
            GdkPixbuf* pixbuf = pixbufFromImage(image_);
            status_ = gtk_status_icon_new_from_pixbuf(pixbuf);
            if (pixbuf) g_object_unref(pixbuf);
            gtk_status_icon_set_title(status_, "Tintel");
            gtk_status_icon_set_name(status_, "tintel");
            gtk_status_icon_set_tooltip_text(status_, base::cp1252ToUtf8(tip_).c_str());
            g_signal_connect(status_, "activate", G_CALLBACK(onXembedActivate), this);
            g_signal_connect(status_, "popup-menu", G_CALLBACK(onXembedPopup), this);
        }
        gtk_status_icon_set_visible(status_, visible);
        G_GNUC_END_IGNORE_DEPRECATIONS
    }

    static void onXembedActivate(GtkStatusIcon*, gpointer data) {
        static_cast<LinuxTrayIcon*>(data)->window_->post(kTrayCallbackMessage, 0,
                                                         base::kWmLButtonDown);
    }

    static void onXembedPopup(GtkStatusIcon*, guint, guint, gpointer data) {
        auto* self = static_cast<LinuxTrayIcon*>(data);
        self->hasPoint_ = false;  // the pointer is where the click was
        self->window_->post(kTrayCallbackMessage, 0, base::kWmRButtonDown);
    }

    NativeWindow* window_;
    IconImage image_;
    std::string tip_;
    MenuSource menu_;
    GDBusConnection* connection_ = nullptr;
    guint registration_ = 0, owner_ = 0, watch_ = 0, hostSignal_ = 0;
    std::string busName_;
    DbusmenuServer* server_ = nullptr;
    DbusmenuMenuitem* root_ = nullptr;
    GCancellable* pending_ = nullptr;
    GtkStatusIcon* status_ = nullptr;
    bool hosted_ = false;
    bool hasPoint_ = false;
    int pointX_ = 0, pointY_ = 0;
};

}  // namespace

int trayIconSize() {
    // Hosts scale the picture to their panel; this size stays sharp on the common ones.
    return 32;
}

std::unique_ptr<TrayIcon> createTrayIcon(NativeWindow* window, const IconImage& image,
                                         const std::string& tip, MenuSource menu) {
    if (!window || !gdk_display_get_default()) return nullptr;
    return std::make_unique<LinuxTrayIcon>(window, image, tip, std::move(menu));
}

// ---- 5. promotion and version -----------------------------------------------------------------

int32_t promoteTrayIcon(const std::string&, bool* changed) {
    // Desktops here keep no per-program visibility store to rewrite.
    *changed = false;
    return 0;
}

bool productVersion(int* major, int* minor) {
    *major = TINTEL_VERSION_MAJOR;
    *minor = TINTEL_VERSION_MINOR;
    return true;
}

}  // namespace platform
