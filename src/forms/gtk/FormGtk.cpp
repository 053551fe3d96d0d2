#include "forms/Application.h"
#include "forms/Menus.h"
#include "forms/gtk/FormImpl.h"

#include "base/VirtualKeys.h"

#include <X11/Xatom.h>
#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <cmath>
#include <utility>

// The GTK part of TForm. A top-level form is a GtkWindow holding a vertical box with the menu
// bar and the client area. Width and Height are the outer size: the window manager's frame is
// known only once the window is mapped (_NET_FRAME_EXTENTS), so the first size and placement
// use the last frame seen and are corrected when the real one arrives.

namespace Forms {

namespace {

// States in which the window system, not the form, decides the window's bounds.
constexpr auto LargeStates =
    static_cast<GdkWindowState>(GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_FULLSCREEN);

GQuark FormQuark() {
    static const GQuark quark = g_quark_from_static_string("vtr-form");
    return quark;
}

} // namespace

TForm* FormOfWindow(GtkWindow* Window) {
    return Window != nullptr ? static_cast<TForm*>(g_object_get_qdata(G_OBJECT(Window), FormQuark()))
                             : nullptr;
}

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
    if (data != nullptr) {
        XFree(data);
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
    // gtk_window_resize says: the content asks for exactly the form's size then.
    if (Box != nullptr && Window != nullptr) {
        const bool fixed = !gtk_window_get_resizable(Window);
        gtk_widget_set_size_request(Box, fixed ? Width : -1, fixed ? Height : -1);
    }
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

gboolean TForm::TFormImpl::OnDelete(GtkWidget*, GdkEvent*, gpointer Data) {
    // The form decides: the close protocol may refuse.
    static_cast<TFormImpl*>(Data)->Owner.Close();
    return TRUE;
}

gboolean TForm::TFormImpl::OnWindowState(GtkWidget*, GdkEventWindowState* Event, gpointer Data) {
    TForm& form = static_cast<TFormImpl*>(Data)->Owner;
    const auto state = Event->new_window_state;
    const TWindowState old = form.FWindowState;
    if ((state & GDK_WINDOW_STATE_ICONIFIED) != 0) {
        form.FWindowState = wsMinimized;
    } else if ((state & GDK_WINDOW_STATE_MAXIMIZED) != 0) {
        form.FWindowState = wsMaximized;
    } else if ((Event->changed_mask & (GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED)) != 0) {
        form.FWindowState = wsNormal;
    }
    if ((Event->changed_mask & LargeStates) != 0 &&
        (state & (LargeStates | GDK_WINDOW_STATE_ICONIFIED)) == 0 && form.FWindowState == wsNormal) {
        // Restored, by the form or by the window manager: the window takes the form's normal
        // bounds, whatever the window manager remembered. It may still have its maximized
        // frame; a size reckoned with that frame would be wrong, and could outlast the right
        // one, so it is reckoned with the normal frame the window is getting back.
        TFormImpl& f = *static_cast<TFormImpl*>(Data);
        f.AwaitingNormalFrame = true; // the read below must not take the old frame for normal
        f.ReadExtents();
        f.AwaitingNormalFrame = f.NormalExtentsKnown && f.Extents != f.NormalExtents;
        form.ApplyGeometry();
    }
    if (old != form.FWindowState) {
        if (form.FWindowState == wsMinimized) {
            form.BroadcastSysCommand(SC_MINIMIZE);
        } else if (old == wsMinimized) {
            form.BroadcastSysCommand(SC_RESTORE);
        } else if (form.FWindowState == wsMaximized) {
            form.BroadcastSysCommand(SC_MAXIMIZE);
        }
    }
    return FALSE;
}

gboolean TForm::TFormImpl::OnConfigure(GtkWidget* Widget, GdkEventConfigure*, gpointer Data) {
    auto* self = static_cast<TFormImpl*>(Data);
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

gboolean TForm::TFormImpl::OnMap(GtkWidget*, GdkEvent*, gpointer Data) {
    auto* self = static_cast<TFormImpl*>(Data);
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

gboolean TForm::TFormImpl::OnProperty(GtkWidget*, GdkEventProperty* Event, gpointer Data) {
    auto* self = static_cast<TFormImpl*>(Data);
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

gboolean TForm::TFormImpl::OnKey(GtkWidget*, GdkEventKey* Event, gpointer Data) {
    TForm& form = static_cast<TFormImpl*>(Data)->Owner;
    if (!form.FKeyPreview) {
        return FALSE;
    }
    const unsigned key = VirtualKeyOf(Event);
    const unsigned shift = ShiftStateOf(Event);
    const bool handled = Event->type == GDK_KEY_PRESS ? form.DoKeyDown(key, shift) : form.DoKeyUp(key, shift);
    return handled ? TRUE : FALSE;
}

gboolean TForm::TFormImpl::OnUnhandledKey(GtkWidget*, GdkEventKey* Event, gpointer Data) {
    // A key that no widget used: the form's shortcuts (its menu) may take it. Keys held by a
    // widget that keeps them (the browser) reach the shortcuts through that widget instead.
    TKeyMessage message;
    const bool alt = (Event->state & GDK_MOD1_MASK) != 0;
    message.Msg = alt && (Event->state & GDK_CONTROL_MASK) == 0 ? WM_SYSKEYDOWN : WM_KEYDOWN;
    message.WParam = VirtualKeyOf(Event);
    message.LParam = 1 | (alt ? 1 << 29 : 0);
    return message.WParam != 0 && static_cast<TFormImpl*>(Data)->Owner.IsShortCut(message) ? TRUE : FALSE;
}

unsigned VirtualKeyOf(const GdkEventKey* Event) {
    GdkDisplay* display = Event->window != nullptr ? gdk_window_get_display(Event->window) : gdk_display_get_default();
    GdkKeymap* keymap = display != nullptr ? gdk_keymap_get_for_display(display) : nullptr;
    // Shift and Caps Lock are folded the way virtual keys are; NumLock and the rest stay.
    const auto state = static_cast<GdkModifierType>(Event->state & ~(GDK_SHIFT_MASK | GDK_LOCK_MASK));
    guint unshifted = 0;
    if (keymap == nullptr || !gdk_keymap_translate_keyboard_state(keymap, Event->hardware_keycode, state,
                                                                  Event->group, &unshifted, nullptr, nullptr, nullptr)) {
        unshifted = 0;
    }
    return Base::VirtualKeyOfStroke(Event->keyval, unshifted);
}

unsigned ShiftStateOf(const GdkEventKey* Event) {
    unsigned shift = 0;
    if ((Event->state & GDK_SHIFT_MASK) != 0) {
        shift |= 1;
    }
    if ((Event->state & GDK_MOD1_MASK) != 0) {
        shift |= 2;
    }
    if ((Event->state & GDK_CONTROL_MASK) != 0) {
        shift |= 4;
    }
    return shift;
}

TForm::TForm() : FFormImpl(std::make_unique<TFormImpl>(*this)) {
    // A form is hidden until shown; its default size matches the classic 800 × 600.
    SetVisible(false);
    SetBounds(0, 0, 800, 600);
}

TForm::~TForm() {
    if (OnDestroy) {
        OnDestroy(this);
    }
    if (FMenu != nullptr) {
        FMenu->FForm = nullptr;
    }
    if (HandleAllocated()) {
        DestroyWnd();
    }
}

TNativeWidget* TForm::CreateNativeWidget(TNativeWidget*& ClientArea) {
    if (Parent() != nullptr) {
        return TWinControl::CreateNativeWidget(ClientArea);
    }
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    GtkWidget* layout = gtk_layout_new(nullptr, nullptr);
    gtk_widget_set_hexpand(layout, TRUE);
    gtk_widget_set_vexpand(layout, TRUE);
    gtk_box_pack_end(GTK_BOX(box), layout, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(window), box);
    gtk_widget_show(box);
    TFormImpl& f = *FFormImpl;
    f.Window = GTK_WINDOW(window);
    f.Box = box;
    g_object_set_qdata(G_OBJECT(window), FormQuark(), this);
    f.Extents = TFormImpl::LastExtents(FBorderStyle != bsNone);
    gtk_widget_add_events(window, GDK_PROPERTY_CHANGE_MASK | GDK_STRUCTURE_MASK);
    g_signal_connect(window, "delete-event", G_CALLBACK(TFormImpl::OnDelete), &f);
    g_signal_connect(window, "window-state-event", G_CALLBACK(TFormImpl::OnWindowState), &f);
    g_signal_connect(window, "configure-event", G_CALLBACK(TFormImpl::OnConfigure), &f);
    g_signal_connect(window, "map-event", G_CALLBACK(TFormImpl::OnMap), &f);
    g_signal_connect(window, "property-notify-event", G_CALLBACK(TFormImpl::OnProperty), &f);
    g_signal_connect(window, "key-press-event", G_CALLBACK(TFormImpl::OnKey), &f);
    g_signal_connect(window, "key-release-event", G_CALLBACK(TFormImpl::OnKey), &f);
    g_signal_connect_after(window, "key-press-event", G_CALLBACK(TFormImpl::OnUnhandledKey), &f);
    ClientArea = FromGtk(layout);
    return FromGtk(window);
}

void TForm::CreateWnd() {
    TWinControl::CreateWnd();
    if (FFormImpl->Window != nullptr) {
        ApplyBorder();
        ApplyConstraints();
        ApplyStayOnTop();
        if (FColor >= 0) {
            SetColor(FColor);
        }
        if (FMenu != nullptr) {
            TMainMenu* menu = FMenu;
            FMenu = nullptr;
            SetMenu(menu);
        }
    }
    WindowCreated();
}

void TForm::DestroyWnd() {
    TFormImpl& f = *FFormImpl;
    if (f.ModalLoop != nullptr && g_main_loop_is_running(f.ModalLoop)) {
        g_main_loop_quit(f.ModalLoop);
    }
    if (f.MenuBar != nullptr && f.Box != nullptr) {
        gtk_menu_shell_deactivate(GTK_MENU_SHELL(f.MenuBar));
        gtk_container_remove(GTK_CONTAINER(f.Box), f.MenuBar);
    }
    f.MenuBar = nullptr;
    if (f.ColorProvider != nullptr) {
        g_object_unref(f.ColorProvider);
        f.ColorProvider = nullptr;
    }
    if (f.Window != nullptr) {
        g_object_set_qdata(G_OBJECT(f.Window), FormQuark(), nullptr);
    }
    f.Window = nullptr;
    f.Box = nullptr;
    f.Mapped = false;
    f.Placed = false;
    TWinControl::DestroyWnd();
}

void TForm::ApplyBorder() {
    GtkWindow* window = FFormImpl->Window;
    if (window == nullptr) {
        return;
    }
    gtk_window_set_title(window, FCaption.c_str());
    const bool decorated = FBorderStyle != bsNone;
    // A borderless window stays resizable so that it can still be maximized (full screen).
    const bool resizable =
        FBorderStyle == bsSizeable || FBorderStyle == bsSizeToolWin || FBorderStyle == bsNone;
    GdkWindowTypeHint hint = GDK_WINDOW_TYPE_HINT_NORMAL;
    if (FBorderStyle == bsDialog) {
        hint = GDK_WINDOW_TYPE_HINT_DIALOG;
    } else if (FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin) {
        hint = GDK_WINDOW_TYPE_HINT_UTILITY;
    }
    if ((gtk_window_get_decorated(window) != FALSE) != decorated ||
        gtk_window_get_type_hint(window) != hint) {
        // Another frame comes: the one last seen in the normal state no longer holds.
        FFormImpl->NormalExtentsKnown = false;
        FFormImpl->AwaitingNormalFrame = false;
    }
    const bool mapped = gtk_widget_get_mapped(GTK_WIDGET(window));
    // The window manager reads the type only when the window is mapped.
    const bool remap = mapped && gtk_window_get_type_hint(window) != hint;
    if (remap) {
        gtk_widget_hide(GTK_WIDGET(window));
        FFormImpl->Mapped = false;
    }
    gtk_window_set_type_hint(window, hint);
    gtk_window_set_decorated(window, decorated);
    gtk_window_set_resizable(window, resizable);
    gtk_window_set_deletable(window, TRUE);
    int width = 0;
    int height = 0;
    FFormImpl->ContentSizeFor(Width(), Height(), width, height);
    FFormImpl->FixContentSize(width, height);
    if (remap) {
        FFormImpl->PlacementPending = true;
        gtk_widget_show(GTK_WIDGET(window));
        ApplyWindowState();
    }
}

void TForm::ApplyConstraints() {
    GtkWindow* window = FFormImpl->Window;
    if (window == nullptr) {
        return;
    }
    const TFrameExtents& e = FFormImpl->Frame();
    GdkGeometry geometry{};
    int mask = 0;
    if (FConstraints.MinWidth > 0 || FConstraints.MinHeight > 0) {
        geometry.min_width = std::max(1, FConstraints.MinWidth - e.Left - e.Right);
        geometry.min_height = std::max(1, FConstraints.MinHeight - e.Top - e.Bottom);
        mask |= GDK_HINT_MIN_SIZE;
    }
    if (FConstraints.MaxWidth > 0 || FConstraints.MaxHeight > 0) {
        geometry.max_width =
            FConstraints.MaxWidth > 0 ? std::max(1, FConstraints.MaxWidth - e.Left - e.Right) : 32767;
        geometry.max_height =
            FConstraints.MaxHeight > 0 ? std::max(1, FConstraints.MaxHeight - e.Top - e.Bottom) : 32767;
        mask |= GDK_HINT_MAX_SIZE;
    }
    gtk_window_set_geometry_hints(window, nullptr, &geometry, static_cast<GdkWindowHints>(mask));
}

void TForm::ApplyStayOnTop() {
    if (FFormImpl->Window != nullptr) {
        gtk_window_set_keep_above(FFormImpl->Window, FFormStyle == fsStayOnTop);
    }
}

void TForm::ApplyWindowState() {
    GtkWindow* window = FFormImpl->Window;
    if (window == nullptr) {
        return;
    }
    switch (FWindowState) {
    case wsMaximized:
        gtk_window_deiconify(window);
        gtk_window_maximize(window);
        break;
    case wsMinimized:
        gtk_window_iconify(window);
        break;
    case wsNormal:
        gtk_window_deiconify(window);
        gtk_window_unmaximize(window);
        break;
    }
}

void TForm::ApplyGeometry() {
    GtkWindow* window = FFormImpl->Window;
    if (window == nullptr) {
        return;
    }
    ApplyConstraints();
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

void TForm::VisibleChanged() {
    if (Parent() != nullptr) {
        TWinControl::VisibleChanged();
        return;
    }
    if (!Visible()) {
        if (FFormImpl->Window != nullptr) {
            gtk_widget_hide(GTK_WIDGET(FFormImpl->Window));
            FFormImpl->Mapped = false;
        }
        FFormImpl->Placed = false;
        if (OnHide) {
            OnHide(this);
        }
        return;
    }
    HandleNeeded();
    GtkWindow* window = FFormImpl->Window;
    if (window == nullptr) {
        return;
    }
    FFormImpl->PlacementPending = !FFormImpl->ExtentsKnown;
    ApplyGeometry();
    if (FWindowState == wsMaximized) {
        gtk_window_maximize(window);
    }
    gtk_widget_show(GTK_WIDGET(window));
    if (FWindowState == wsMinimized) {
        gtk_window_iconify(window);
    }
    if (OnShow) {
        OnShow(this);
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

void TForm::SetBorderStyle(TBorderStyle Value) {
    if (Value == FBorderStyle) {
        return;
    }
    FBorderStyle = Value;
    ApplyBorder();
}

TWindowState TForm::WindowState() const {
    return FWindowState;
}

void TForm::SetWindowState(TWindowState Value) {
    FWindowState = Value;
    if (FFormImpl->Window != nullptr && gtk_widget_get_visible(GTK_WIDGET(FFormImpl->Window))) {
        ApplyWindowState();
        if (Value == wsNormal) {
            ApplyGeometry();
        }
    }
}

void TForm::SetFormStyle(TFormStyle Value) {
    FFormStyle = Value;
    ApplyStayOnTop();
}

void TForm::SetConstraints(const TSizeConstraints& Value) {
    FConstraints = Value;
    if (FFormImpl->Window != nullptr && gtk_widget_get_visible(GTK_WIDGET(FFormImpl->Window))) {
        ApplyGeometry();
    } else {
        ApplyConstraints();
    }
}

void TForm::SetColor(int Value) {
    FColor = Value;
    if (!HandleAllocated()) {
        return;
    }
    GtkWidget* target = FFormImpl->Window != nullptr ? GTK_WIDGET(FFormImpl->Window) : ToGtk(Handle());
    GtkStyleContext* context = gtk_widget_get_style_context(target);
    TFormImpl& f = *FFormImpl;
    if (f.ColorProvider != nullptr) {
        gtk_style_context_remove_provider(context, GTK_STYLE_PROVIDER(f.ColorProvider));
        g_object_unref(f.ColorProvider);
        f.ColorProvider = nullptr;
    }
    if (Value < 0) {
        return;
    }
    char css[96];
    g_snprintf(css, sizeof css, "* { background-color: #%02x%02x%02x; }", Value & 0xFF, (Value >> 8) & 0xFF,
               (Value >> 16) & 0xFF);
    f.ColorProvider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(f.ColorProvider, css, -1, nullptr);
    gtk_style_context_add_provider(context, GTK_STYLE_PROVIDER(f.ColorProvider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
    GtkStyleContext* layoutContext = gtk_widget_get_style_context(ToGtk(Handle()));
    gtk_style_context_add_provider(layoutContext, GTK_STYLE_PROVIDER(f.ColorProvider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
}

void TForm::SetCursorName(const std::string& Value) {
    HandleNeeded();
    GtkWidget* widget = FFormImpl->Window != nullptr ? GTK_WIDGET(FFormImpl->Window) : ToGtk(Handle());
    gtk_widget_realize(widget);
    GdkWindow* gdkWindow = gtk_widget_get_window(widget);
    if (gdkWindow == nullptr) {
        return;
    }
    GdkCursor* cursor = gdk_cursor_new_from_name(gdk_window_get_display(gdkWindow), Value.c_str());
    gdk_window_set_cursor(gdkWindow, cursor);
    if (cursor != nullptr) {
        g_object_unref(cursor);
    }
}

void TForm::SetModalResult(TModalResult Value) {
    FModalResult = Value;
    if (Value != mrNone && FFormImpl->ModalLoop != nullptr && g_main_loop_is_running(FFormImpl->ModalLoop)) {
        g_main_loop_quit(FFormImpl->ModalLoop);
    }
}

TModalResult TForm::ShowModal() {
    HandleNeeded();
    TFormImpl& f = *FFormImpl;
    if (f.Window == nullptr) {
        return mrCancel;
    }
    if (TForm* owner = Application().ActiveForm();
        owner != nullptr && owner != this && owner->FFormImpl->Window) {
        gtk_window_set_transient_for(f.Window, owner->FFormImpl->Window);
    }
    gtk_window_set_modal(f.Window, TRUE);
    FModalResult = mrNone;
    FModal = true;
    Show();
    f.ModalLoop = g_main_loop_new(nullptr, FALSE);
    while (FModalResult == mrNone && !Application().Terminated() && f.Window != nullptr) {
        g_main_loop_run(f.ModalLoop);
    }
    g_main_loop_unref(std::exchange(f.ModalLoop, nullptr));
    FModal = false;
    if (f.Window != nullptr) {
        gtk_window_set_modal(f.Window, FALSE);
    }
    Hide();
    return FModalResult == mrNone ? mrCancel : FModalResult;
}

void TForm::BringToFront() {
    if (FFormImpl->Window != nullptr) {
        gtk_window_present(FFormImpl->Window);
    }
}

void TForm::CenterOnScreen() {
    int x = 0;
    int y = 0;
    if (FFormImpl->CentreOnWorkArea(Width(), Height(), x, y)) {
        SetBounds(x, y, Width(), Height());
    }
}

void TForm::SetRoundedRegion(int Radius) {
    HandleNeeded();
    GtkWidget* widget = FFormImpl->Window != nullptr ? GTK_WIDGET(FFormImpl->Window) : ToGtk(Handle());
    gtk_widget_realize(widget);
    GdkWindow* gdkWindow = gtk_widget_get_window(widget);
    if (gdkWindow == nullptr) {
        return;
    }
    if (Radius <= 0) {
        gdk_window_shape_combine_region(gdkWindow, nullptr, 0, 0);
        return;
    }
    const int w = Width();
    const int h = Height();
    // A rounded rectangle as a region: full rows, with each corner row inset by the circle.
    cairo_region_t* region = cairo_region_create();
    for (int y = 0; y < h; ++y) {
        int inset = 0;
        const int dy = y < Radius ? Radius - y : (y >= h - Radius ? y - (h - Radius) + 1 : 0);
        if (dy > 0) {
            const double r = Radius;
            const double x = r - std::sqrt(std::max(0.0, r * r - static_cast<double>(dy) * dy));
            inset = static_cast<int>(x + 0.5);
        }
        const cairo_rectangle_int_t row{inset, y, std::max(0, w - 2 * inset), 1};
        cairo_region_union_rectangle(region, &row);
    }
    gdk_window_shape_combine_region(gdkWindow, region, 0, 0);
    cairo_region_destroy(region);
}

} // namespace Forms

#include "forms/gtk/MenusImpl.h"

namespace Forms {

// Defined here because the bar goes into the form's own box.
void TForm::SetMenu(TMainMenu* Value) {
    if (Value == FMenu) {
        return;
    }
    TFormImpl& f = *FFormImpl;
    if (f.MenuBar != nullptr && f.Box != nullptr) {
        // An open menu closes while the bar is still in this window.
        gtk_menu_shell_deactivate(GTK_MENU_SHELL(f.MenuBar));
        gtk_container_remove(GTK_CONTAINER(f.Box), f.MenuBar);
    }
    f.MenuBar = nullptr;
    if (FMenu != nullptr) {
        FMenu->FForm = nullptr;
    }
    // One bar can be in one window only.
    if (Value != nullptr && Value->FForm != nullptr) {
        Value->FForm->SetMenu(nullptr);
    }
    FMenu = Value;
    if (Value != nullptr) {
        Value->FForm = this;
    }
    if (Value != nullptr && f.Box != nullptr) {
        GtkWidget* bar = MenuBarOf(*Value);
        if (GtkWidget* old = gtk_widget_get_parent(bar)) {
            gtk_container_remove(GTK_CONTAINER(old), bar);
        }
        f.MenuBar = bar;
        gtk_box_pack_start(GTK_BOX(f.Box), bar, FALSE, FALSE, 0);
        gtk_widget_show(bar);
    }
}

} // namespace Forms

namespace Forms {

bool SetWindowCornerPreference(TForm&, int) {
    // X11 window managers take no corner preference from a client.
    return false;
}

} // namespace Forms
