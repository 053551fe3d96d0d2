#include "forms/BorderIcons.h"
#include "forms/gtk/FormImpl.h"

namespace Forms {

void ApplyBorderIcons(TForm& Form, TBorderIcons Icons) {
    Form.HandleNeeded();
    GtkWindow* window = Form.FormImpl().Window;
    if (window == nullptr) {
        return;
    }
    gtk_widget_realize(GTK_WIDGET(window));
    GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
    if (gdkWindow == nullptr) {
        return;
    }
    // The window manager reads these as the Motif hints every X11 window manager honours.
    unsigned functions = GDK_FUNC_MOVE;
    unsigned decorations = GDK_DECOR_BORDER | GDK_DECOR_TITLE;
    const TBorderStyle border = Form.BorderStyle();
    if (border == bsSizeable || border == bsSizeToolWin) {
        functions |= GDK_FUNC_RESIZE;
        decorations |= GDK_DECOR_RESIZEH;
    }
    if ((Icons & biSystemMenu) != 0) {
        functions |= GDK_FUNC_CLOSE;
        decorations |= GDK_DECOR_MENU;
    }
    if ((Icons & biMinimize) != 0) {
        functions |= GDK_FUNC_MINIMIZE;
        decorations |= GDK_DECOR_MINIMIZE;
    }
    if ((Icons & biMaximize) != 0) {
        functions |= GDK_FUNC_MAXIMIZE;
        decorations |= GDK_DECOR_MAXIMIZE;
    }
    // First: GTK sets the functions itself when the close box comes or goes.
    gtk_window_set_deletable(window, (Icons & biSystemMenu) != 0);
    gdk_window_set_functions(gdkWindow, static_cast<GdkWMFunction>(functions));
    if (border != bsNone) {
        gdk_window_set_decorations(gdkWindow, static_cast<GdkWMDecoration>(decorations));
    }
}

} // namespace Forms
