#pragma once

// A widget the toolkit made and keeps: when the holder lets go, the widget is destroyed (taken
// out of its parent, a window closed) and the toolkit's reference dropped.

#include <gtk/gtk.h>

#include <memory>

namespace Forms {

struct TDestroyWidget {
    void operator()(GtkWidget* Widget) const {
        gtk_widget_destroy(Widget);
        g_object_unref(Widget);
    }
};

using TOwnedWidget = std::unique_ptr<GtkWidget, TDestroyWidget>;

// Takes a reference on Widget (sinking a floating one) that the holder owns.
inline TOwnedWidget OwnWidget(GtkWidget* Widget) {
    return TOwnedWidget(GTK_WIDGET(g_object_ref_sink(Widget)));
}

} // namespace Forms
