#include "forms/gtk/FormImpl.h"

#include "base/glib/GLibPtr.h"

#include <X11/Xatom.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <memory>

// A top-level form's geometry. Width and Height are the outer size: the window manager's frame
// is known only once the window is mapped (_NET_FRAME_EXTENTS), so the first size and placement
// use the last frame seen and are corrected when the real one arrives.

namespace Forms {

TFrameExtents& TForm::TFormImpl::LastExtents(bool Decorated) {
    static TFrameExtents decorated;
    static TFrameExtents undecorated;
    return Decorated ? decorated : undecorated;
}

void TForm::TFormImpl::ReadExtents() {
    GdkWindow* gdkWindow = Window != nullptr ? gtk_widget_get_window(GTK_WIDGET(Window)) : nullptr;
    if (gdkWindow == nullptr || !GDK_IS_X11_WINDOW(gdkWindow)) {
        return;
    }
    GdkDisplay* display = gdk_window_get_display(gdkWindow);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    gdk_x11_display_error_trap_push(display);
    const int status =
        XGetWindowProperty(GDK_DISPLAY_XDISPLAY(display), GDK_WINDOW_XID(gdkWindow),
                           gdk_x11_get_xatom_by_name_for_display(display, "_NET_FRAME_EXTENTS"), 0, 4, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data);
    gdk_x11_display_error_trap_pop_ignored(display);
    const std::unique_ptr<unsigned char, int (*)(void*)> owned(data, &XFree);
    if (status == Success && type == XA_CARDINAL && format == 32 && count == 4 && data != nullptr) {
        const auto* values = reinterpret_cast<const long*>(data);
        const int scale = gdk_window_get_scale_factor(gdkWindow);
        Extents = {static_cast<int>(values[0]) / scale, static_cast<int>(values[1]) / scale,
                   static_cast<int>(values[2]) / scale, static_cast<int>(values[3]) / scale};
        ExtentsKnown = true;
        LastExtents(gtk_window_get_decorated(Window) != FALSE) = Extents;
        if (Owner.FWindowState == wsNormal && (NativeState() & LargeStates) == 0 && !AwaitingNormalFrame) {
            NormalExtents = Extents;
            NormalExtentsKnown = true;
        }
    }
}

GdkWindowState TForm::TFormImpl::NativeState() const {
    GdkWindow* gdkWindow = Window != nullptr ? gtk_widget_get_window(GTK_WIDGET(Window)) : nullptr;
    return gdkWindow != nullptr ? gdk_window_get_state(gdkWindow) : GdkWindowState{};
}

int TForm::TFormImpl::MenuHeight() const {
    if (MenuBar == nullptr || !gtk_widget_get_visible(MenuBar)) {
        return 0;
    }
    int minimum = 0;
    int natural = 0;
    gtk_widget_get_preferred_height(MenuBar, &minimum, &natural);
    return natural;
}

void TForm::TFormImpl::FixContentSize(int Width, int Height) {
    // GTK gives a window the user cannot resize the size its content asks for, whatever
    // gtk_window_resize says: the content asks for exactly the form's size then. GTK also keeps
    // such a window at least at its default size (one set while it was maximized would hold it
    // larger), so that follows too.
    if (Box != nullptr && Window != nullptr) {
        const bool fixed = !gtk_window_get_resizable(Window);
        gtk_widget_set_size_request(Box, fixed ? Width : -1, fixed ? Height : -1);
        if (fixed) {
            gtk_window_set_default_size(Window, Width, Height);
        }
    }
}

bool TForm::TFormImpl::SizeFixed() const {
    const TBorderStyle border = Owner.FBorderStyle;
    // A borderless window stays resizable so that it can still be maximized (full screen).
    const bool sizeable = border == bsSizeable || border == bsSizeToolWin || border == bsNone;
    return !sizeable && Owner.FWindowState != wsMaximized && (NativeState() & LargeStates) == 0;
}

void TForm::TFormImpl::ApplyResizable() {
    if (Window == nullptr) {
        return;
    }
    const bool resizable = !SizeFixed();
    if ((gtk_window_get_resizable(Window) != FALSE) == resizable) {
        return;
    }
    gtk_window_set_resizable(Window, resizable);
    if (!resizable) {
        return; // the content size is fixed by the caller's next geometry
    }
    if (Box != nullptr) {
        gtk_widget_set_size_request(Box, -1, -1);
    }
    // GTK passes the new hints on with its next layout; a maximize asked before that would meet
    // the fixed ones.
    if (GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(Window))) {
        GdkGeometry geometry{};
        const GdkWindowHints mask = ConstraintHints(geometry);
        gdk_window_set_geometry_hints(gdkWindow, &geometry, mask);
    }
}

GdkWindowHints TForm::TFormImpl::ConstraintHints(GdkGeometry& Geometry) const {
    const TSizeConstraints& c = Owner.FConstraints;
    const TFrameExtents& e = Frame();
    int mask = 0;
    if (c.MinWidth > 0 || c.MinHeight > 0) {
        Geometry.min_width = std::max(1, c.MinWidth - e.Left - e.Right);
        Geometry.min_height = std::max(1, c.MinHeight - e.Top - e.Bottom);
        mask |= GDK_HINT_MIN_SIZE;
    }
    if (c.MaxWidth > 0 || c.MaxHeight > 0) {
        Geometry.max_width = c.MaxWidth > 0 ? std::max(1, c.MaxWidth - e.Left - e.Right) : 32767;
        Geometry.max_height = c.MaxHeight > 0 ? std::max(1, c.MaxHeight - e.Top - e.Bottom) : 32767;
        mask |= GDK_HINT_MAX_SIZE;
    }
    return static_cast<GdkWindowHints>(mask);
}

bool TForm::TFormImpl::CentreOnWorkArea(int OuterWidth, int OuterHeight, int& X, int& Y) const {
    GdkDisplay* display =
        Window != nullptr ? gtk_widget_get_display(GTK_WIDGET(Window)) : gdk_display_get_default();
    if (display == nullptr) {
        return false;
    }
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (monitor == nullptr) {
        monitor = gdk_display_get_monitor(display, 0);
    }
    if (monitor == nullptr) {
        return false;
    }
    GdkRectangle area{};
    gdk_monitor_get_workarea(monitor, &area);
    X = area.x + (area.width - OuterWidth) / 2;
    Y = area.y + (area.height - OuterHeight) / 2;
    return true;
}

void TForm::TFormImpl::ContentSizeFor(int OuterWidth, int OuterHeight, int& Width, int& Height) const {
    const TFrameExtents& e = Frame();
    Width = std::max(1, OuterWidth - e.Left - e.Right);
    Height = std::max(1, OuterHeight - e.Top - e.Bottom);
}

gboolean TForm::TFormImpl::OnConfigure(GtkWidget* Widget, GdkEventConfigure*) {
    TFormImpl* self = this;
    if (!self->Mapped) {
        return FALSE;
    }
    if (self->Owner.FWindowState != wsNormal ||
        (self->NativeState() & (LargeStates | GDK_WINDOW_STATE_ICONIFIED)) != 0) {
        // A maximized (or full-screen, or minimized) window's bounds are the window system's;
        // the form keeps its normal bounds, which the window returns to when restored.
        self->RequestedWidth = 0;
        return FALSE;
    }
    int x = 0;
    int y = 0;
    gtk_window_get_position(GTK_WINDOW(Widget), &x, &y);
    int width = 0;
    int height = 0;
    gtk_window_get_size(GTK_WINDOW(Widget), &width, &height);
    if (self->RequestedWidth > 0) {
        // Until the window has reached the asked size once, what it reports is its old size,
        // however long the window system takes (a busy machine can take seconds).
        if (width != self->RequestedWidth || height != self->RequestedHeight) {
            return FALSE;
        }
        self->RequestedWidth = 0;
    }
    const TFrameExtents& e = self->Frame();
    // gtk_window_get_position gives the frame's corner (north-west gravity).
    self->Owner.NativeBoundsChanged(x, y, width + e.Left + e.Right, height + e.Top + e.Bottom);
    self->Placed = true;
    return FALSE;
}

gboolean TForm::TFormImpl::OnMap(GtkWidget*, GdkEvent*) {
    TFormImpl* self = this;
    self->Mapped = true;
    self->ReadExtents();
    if (self->ExtentsKnown && self->PlacementPending) {
        self->PlacementPending = false;
        self->Owner.ApplyGeometry();
    }
    // A position the form chose holds from now on; one the window system chooses holds once
    // it has been reported (OnConfigure).
    if (self->Owner.FPosition != poDefault) {
        self->Placed = true;
    }
    return FALSE;
}

gboolean TForm::TFormImpl::OnProperty(GtkWidget*, GdkEventProperty* Event) {
    TFormImpl* self = this;
    if (Event->atom != gdk_atom_intern_static_string("_NET_FRAME_EXTENTS")) {
        return FALSE;
    }
    const TFrameExtents before = self->Frame();
    self->AwaitingNormalFrame = false;
    self->ReadExtents();
    const bool changed = before != self->Extents;
    if (self->Mapped && (self->PlacementPending || changed)) {
        self->PlacementPending = false;
        self->Owner.ApplyGeometry();
    }
    return FALSE;
}

void TForm::ApplyConstraints() {
    GtkWindow* window = FFormImpl->Window;
    if (window == nullptr) {
        return;
    }
    GdkGeometry geometry{};
    const GdkWindowHints mask = FFormImpl->ConstraintHints(geometry);
    gtk_window_set_geometry_hints(window, nullptr, &geometry, mask);
}

void TForm::ApplyGeometry() {
    GtkWindow* window = FFormImpl->Window;
    if (window == nullptr) {
        return;
    }
    ApplyConstraints();
    FFormImpl->ApplyResizable();
    if (FFormImpl->ClientRequestWidth > 0) {
        // The frame may have proved other than guessed: the client size is what was asked.
        const TFrameExtents& e = FFormImpl->Frame();
        NativeBoundsChanged(Left(), Top(), FFormImpl->ClientRequestWidth + e.Left + e.Right,
                            FFormImpl->ClientRequestHeight + e.Top + e.Bottom + FFormImpl->MenuHeight());
    }
    int width = 0;
    int height = 0;
    int outerWidth = Width();
    int outerHeight = Height();
    if (FConstraints.MinWidth > 0) {
        outerWidth = std::max(outerWidth, FConstraints.MinWidth);
    }
    if (FConstraints.MinHeight > 0) {
        outerHeight = std::max(outerHeight, FConstraints.MinHeight);
    }
    if (FConstraints.MaxWidth > 0) {
        outerWidth = std::min(outerWidth, FConstraints.MaxWidth);
    }
    if (FConstraints.MaxHeight > 0) {
        outerHeight = std::min(outerHeight, FConstraints.MaxHeight);
    }
    FFormImpl->ContentSizeFor(outerWidth, outerHeight, width, height);
    FFormImpl->FixContentSize(width, height);
    // Until the window manager has restored a maximized window, its frame is the maximized
    // one and a size asked now would be taken wrongly; the window is sized when it is restored.
    const bool normal = FWindowState == wsNormal && (FFormImpl->NativeState() & LargeStates) == 0;
    if (normal) {
        FFormImpl->RequestedWidth = width;
        FFormImpl->RequestedHeight = height;
        gtk_window_resize(window, width, height);
    } else {
        gtk_window_set_default_size(window, width, height);
    }
    int x = 0;
    int y = 0;
    if (!FFormImpl->Placed && (FPosition == poDesktopCenter || FPosition == poScreenCenter) &&
        FFormImpl->CentreOnWorkArea(outerWidth, outerHeight, x, y)) {
        // Centred once, when first placed; the centre becomes the form's position.
        NativeBoundsChanged(x, y, Width(), Height());
    }
    // A maximized window is not moved; the window system chooses the first position only.
    if ((normal || !FFormImpl->Mapped) && (FPosition != poDefault || FFormImpl->Placed)) {
        gtk_window_move(window, Left(), Top());
    }
}

void TForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (!FFromNative) {
        FFormImpl->ClientRequestWidth = 0;
        FFormImpl->ClientRequestHeight = 0;
    }
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (!FFromNative && FFormImpl->Window != nullptr &&
        gtk_widget_get_visible(GTK_WIDGET(FFormImpl->Window))) {
        ApplyGeometry();
    }
}

void TForm::NativeBoundsChanged(int ALeft, int ATop, int AWidth, int AHeight) {
    FFromNative = true;
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    FFromNative = false;
}

TRect TForm::ClientRect() const {
    if (Parent() != nullptr || FFormImpl->Window == nullptr) {
        if (Parent() == nullptr) {
            const TFrameExtents& e = FFormImpl->Frame();
            return {0, 0, std::max(0, Width() - e.Left - e.Right),
                    std::max(0, Height() - e.Top - e.Bottom - FFormImpl->MenuHeight())};
        }
        return TWinControl::ClientRect();
    }
    GtkWidget* layout = ToGtk(const_cast<TForm*>(this)->Handle());
    GtkAllocation allocation{};
    gtk_widget_get_allocation(layout, &allocation);
    if (allocation.width <= 1 && allocation.height <= 1) {
        const TFrameExtents& e = FFormImpl->Frame();
        return {0, 0, std::max(0, Width() - e.Left - e.Right),
                std::max(0, Height() - e.Top - e.Bottom - FFormImpl->MenuHeight())};
    }
    return {0, 0, allocation.width, allocation.height};
}

void TForm::ClientAreaResized(int AWidth, int AHeight) {
    if (Parent() != nullptr) {
        TWinControl::ClientAreaResized(AWidth, AHeight);
        return;
    }
    AlignControls();
    Resize();
}

void TForm::SetClientSize(int AWidth, int AHeight) {
    const TFrameExtents& e = FFormImpl->Frame();
    SetBounds(Left(), Top(), AWidth + e.Left + e.Right, AHeight + e.Top + e.Bottom + FFormImpl->MenuHeight());
    FFormImpl->ClientRequestWidth = AWidth;
    FFormImpl->ClientRequestHeight = AHeight;
}

void TForm::SetConstraints(const TSizeConstraints& Value) {
    FConstraints = Value;
    if (FFormImpl->Window != nullptr && gtk_widget_get_visible(GTK_WIDGET(FFormImpl->Window))) {
        ApplyGeometry();
    } else {
        ApplyConstraints();
    }
}

void TForm::CenterOnScreen() {
    int x = 0;
    int y = 0;
    if (FFormImpl->CentreOnWorkArea(Width(), Height(), x, y)) {
        SetBounds(x, y, Width(), Height());
    }
}

} // namespace Forms
