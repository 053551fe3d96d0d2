#include "forms/ApplicationWindow.h"
#include "forms/gtk/FormImpl.h"

namespace Forms {

void HideApplicationWindow() {
    if (gdk_display_get_default() == nullptr) {
        return;
    }
    const Base::GLib::TGList windows(gtk_window_list_toplevels());
    for (GList* w = windows.get(); w != nullptr; w = w->next) {
        GtkWindow* window = GTK_WINDOW(w->data);
        if (FormOfWindow(window) != nullptr) {
            gtk_window_set_skip_taskbar_hint(window, TRUE);
            gtk_window_set_skip_pager_hint(window, TRUE);
        }
    }
}

} // namespace Forms
