#pragma once

// The GTK part of TWinControl, for the toolkit's own GTK code (subclasses that bring their
// own native widget convert between TNativeWidget and GtkWidget here).

#include "forms/WinControl.h"
#include "forms/gtk/OwnedWidget.h"

#include "base/glib/SignalConnections.h"

#include <gtk/gtk.h>

namespace Forms {

inline GtkWidget* ToGtk(TNativeWidget* Widget) {
    return reinterpret_cast<GtkWidget*>(Widget);
}
inline TNativeWidget* FromGtk(GtkWidget* Widget) {
    return reinterpret_cast<TNativeWidget*>(Widget);
}

struct TWinControl::TImpl {
    explicit TImpl(TWinControl& AOwner) : Owner(AOwner) {}

    TWinControl& Owner;
    // The control's outer widget; none while the control has no handle.
    TOwnedWidget Widget;
    // The widget that holds child controls (Widget itself or one inside it); may be null.
    GtkWidget* Container = nullptr;
    // On a top-level control: the control that holds the keyboard focus, and whether the
    // focus is on its own widget (not on a widget of another library inside it).
    TWinControl* ActiveControl = nullptr;
    bool ActiveOwnWidget = false;
    // The handlers on Widget and Container, broken when the handle goes.
    Base::GLib::TSignalConnections Signals;

    // The control whose widget is Widget or the nearest ancestor of it.
    static TWinControl* ControlOf(GtkWidget* Focus);

    // A top-level's focus moved to Widget (null: to none).
    void FocusWidgetChanged(GtkWidget* Focus);
    // The container got its size (the "size-allocate" handler).
    void OnSizeAllocate(GdkRectangle* Allocation);
};

} // namespace Forms
