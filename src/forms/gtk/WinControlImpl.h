#pragma once

// The GTK part of TWinControl, for the toolkit's own GTK code (subclasses that bring their
// own native widget convert between TNativeWidget and GtkWidget here).

#include "forms/WinControl.h"

#include <gtk/gtk.h>

namespace Forms {

inline GtkWidget* ToGtk(TNativeWidget* Widget) { return reinterpret_cast<GtkWidget*>(Widget); }
inline TNativeWidget* FromGtk(GtkWidget* Widget) { return reinterpret_cast<TNativeWidget*>(Widget); }

struct TWinControl::TImpl {
    explicit TImpl(TWinControl& AOwner) : Owner(AOwner) {}

    TWinControl& Owner;
    // The control's outer widget, with our own reference; null while there is none.
    GtkWidget* Widget = nullptr;
    // The widget that holds child controls (Widget itself or one inside it); may be null.
    GtkWidget* Container = nullptr;
    // On a top-level control: the control whose widget has the keyboard focus.
    TWinControl* ActiveControl = nullptr;
    gulong SizeAllocateHandler = 0;
    gulong SetFocusHandler = 0;

    // The control whose widget is Widget or the nearest ancestor of it.
    static TWinControl* ControlOf(GtkWidget* Widget);

    // A top-level's focus moved to a widget of Control (null: to no control's widget).
    void FocusWidgetChanged(TWinControl* Control);
    static void OnSizeAllocate(GtkWidget* Widget, GdkRectangle* Allocation, gpointer Data);
    static void OnSetFocus(GtkWindow* Window, GtkWidget* Widget, gpointer Data);
};

} // namespace Forms
