#pragma once

// Helpers of the style GUI tests: running the GTK loop and reading pixels back from the X server.
#include "shared/styles/StyleResource.h"

#include <gtk/gtk.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace StylesGuiSupport {

using Shared::TStyleColor;

inline void PumpFor(int Milliseconds) {
    const gint64 end = g_get_monotonic_time() + gint64{Milliseconds} * 1000;
    while (g_get_monotonic_time() < end) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        g_usleep(2000);
    }
}

inline bool PumpUntil(const std::function<bool()>& Done, int TimeoutMilliseconds = 4000) {
    const gint64 end = g_get_monotonic_time() + gint64{TimeoutMilliseconds} * 1000;
    while (g_get_monotonic_time() < end) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        if (Done()) {
            return true;
        }
        g_usleep(5000);
    }
    return Done();
}

inline std::string Hex(TStyleColor c) {
    return c.ToHex();
}

inline bool Near(TStyleColor a, TStyleColor b) {
    auto close = [](int x, int y) { return std::abs(x - y) <= 3; };
    return close(a.R, b.R) && close(a.G, b.G) && close(a.B, b.B);
}

// One pixel as the X server shows it, at (X, Y) of Widget.
inline TStyleColor ScreenPixel(GtkWidget* Widget, int X, int Y) {
    GtkWidget* top = gtk_widget_get_toplevel(Widget);
    int tx = 0;
    int ty = 0;
    gtk_widget_translate_coordinates(Widget, top, X, Y, &tx, &ty);
    gdk_display_sync(gdk_display_get_default());
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gtk_widget_get_window(top), tx, ty, 1, 1);
    if (pixbuf == nullptr) {
        return TStyleColor{0, 0, 0, 0};
    }
    const guchar* p = gdk_pixbuf_read_pixels(pixbuf);
    const TStyleColor color{p[0], p[1], p[2], 255};
    g_object_unref(pixbuf);
    return color;
}

} // namespace StylesGuiSupport
