// The display's bell on Linux, rung through GDK on the thread that runs the GLib main loop.
#include <gtk/gtk.h>

#include "platform/beep.h"

namespace platform {
namespace {

// Rings the default display's bell once, if there is a display.
gboolean ringBell(gpointer) {
    if (GdkDisplay* display = gdk_display_get_default()) gdk_display_beep(display);
    return G_SOURCE_REMOVE;
}

}  // namespace

void beep() {
    g_idle_add(ringBell, nullptr);
}

}  // namespace platform
