#include "forms/Application.h"
#include "forms/Menus.h"
#include "forms/gtk/FormImpl.h"
#include "forms/gtk/MenusImpl.h"

#include "base/glib/GLibPtr.h"
#include "base/glib/Signals.h"

#include <algorithm>
#include <cmath>
#include <utility>

// The GTK part of TForm: its window and life, colour, cursor, shape, the modal loop and the
// menu bar. A top-level form is a GtkWindow holding a vertical box with the menu bar and the
// client area. Geometry, states and keys have files of their own (FormGeometryGtk.cpp,
// FormStatesGtk.cpp, FormKeysGtk.cpp).

namespace Forms {

namespace {

GQuark FormQuark() {
    static const GQuark quark = g_quark_from_static_string("vtr-form");
    return quark;
}

// Connects an event signal of the form's window to a handler of its GTK part.
template <class TEvent>
void ConnectWindowEvent(GtkWidget* Window, const char* Signal, TForm::TFormImpl& Impl,
                        gboolean (TForm::TFormImpl::*Handler)(GtkWidget*, TEvent*),
                        GConnectFlags Flags = GConnectFlags(0)) {
    Base::GLib::ConnectSignal<gboolean(GtkWidget*, TEvent*)>(
        Window, Signal,
        [&Impl, Handler](GtkWidget* Widget, TEvent* Event) { return (Impl.*Handler)(Widget, Event); }, Flags);
}

} // namespace

TForm* FormOfWindow(GtkWindow* Window) {
    return Window != nullptr ? static_cast<TForm*>(g_object_get_qdata(G_OBJECT(Window), FormQuark()))
                             : nullptr;
}

gboolean TForm::TFormImpl::OnDelete(GtkWidget*, GdkEvent*) {
    // The form decides: the close protocol may refuse.
    Owner.Close();
    return TRUE;
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
    ConnectWindowEvent<GdkEvent>(window, "delete-event", f, &TFormImpl::OnDelete);
    ConnectWindowEvent<GdkEventWindowState>(window, "window-state-event", f, &TFormImpl::OnWindowState);
    ConnectWindowEvent<GdkEventConfigure>(window, "configure-event", f, &TFormImpl::OnConfigure);
    ConnectWindowEvent<GdkEvent>(window, "map-event", f, &TFormImpl::OnMap);
    ConnectWindowEvent<GdkEventProperty>(window, "property-notify-event", f, &TFormImpl::OnProperty);
    ConnectWindowEvent<GdkEventKey>(window, "key-press-event", f, &TFormImpl::OnKey);
    ConnectWindowEvent<GdkEventKey>(window, "key-release-event", f, &TFormImpl::OnKey);
    ConnectWindowEvent<GdkEventKey>(window, "key-press-event", f, &TFormImpl::OnUnhandledKey,
                                    G_CONNECT_AFTER);
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
    if (f.ModalLoop && g_main_loop_is_running(f.ModalLoop.get())) {
        g_main_loop_quit(f.ModalLoop.get());
    }
    if (f.MenuBar != nullptr && f.Box != nullptr) {
        gtk_menu_shell_deactivate(GTK_MENU_SHELL(f.MenuBar));
        gtk_container_remove(GTK_CONTAINER(f.Box), f.MenuBar);
    }
    f.MenuBar = nullptr;
    f.ColorProvider.Reset();
    if (f.Window != nullptr) {
        g_object_set_qdata(G_OBJECT(f.Window), FormQuark(), nullptr);
    }
    f.Window = nullptr;
    f.Box = nullptr;
    f.Mapped = false;
    f.Placed = false;
    TWinControl::DestroyWnd();
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

void TForm::SetColor(int Value) {
    FColor = Value;
    if (!HandleAllocated()) {
        return;
    }
    GtkWidget* target = FFormImpl->Window != nullptr ? GTK_WIDGET(FFormImpl->Window) : ToGtk(Handle());
    GtkStyleContext* context = gtk_widget_get_style_context(target);
    TFormImpl& f = *FFormImpl;
    if (f.ColorProvider) {
        gtk_style_context_remove_provider(context, GTK_STYLE_PROVIDER(f.ColorProvider.Get()));
        f.ColorProvider.Reset();
    }
    if (Value < 0) {
        return;
    }
    char css[96];
    g_snprintf(css, sizeof css, "* { background-color: #%02x%02x%02x; }", Value & 0xFF, (Value >> 8) & 0xFF,
               (Value >> 16) & 0xFF);
    f.ColorProvider = Base::GLib::TGObjectPtr<GtkCssProvider>::Adopt(gtk_css_provider_new());
    gtk_css_provider_load_from_data(f.ColorProvider.Get(), css, -1, nullptr);
    gtk_style_context_add_provider(context, GTK_STYLE_PROVIDER(f.ColorProvider.Get()),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
    GtkStyleContext* layoutContext = gtk_widget_get_style_context(ToGtk(Handle()));
    gtk_style_context_add_provider(layoutContext, GTK_STYLE_PROVIDER(f.ColorProvider.Get()),
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
    const auto cursor = Base::GLib::TGObjectPtr<GdkCursor>::Adopt(
        gdk_cursor_new_from_name(gdk_window_get_display(gdkWindow), Value.c_str()));
    gdk_window_set_cursor(gdkWindow, cursor.Get());
}

void TForm::SetModalResult(TModalResult Value) {
    FModalResult = Value;
    if (Value != mrNone && FFormImpl->ModalLoop && g_main_loop_is_running(FFormImpl->ModalLoop.get())) {
        g_main_loop_quit(FFormImpl->ModalLoop.get());
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
    f.ModalLoop.reset(g_main_loop_new(nullptr, FALSE));
    while (FModalResult == mrNone && !Application().Terminated() && f.Window != nullptr) {
        g_main_loop_run(f.ModalLoop.get());
    }
    f.ModalLoop.reset();
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
    const Base::GLib::TOwned<cairo_region_t, cairo_region_destroy> owned(cairo_region_create());
    cairo_region_t* region = owned.get();
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
}

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

bool SetWindowCornerPreference(TForm&, int) {
    // X11 window managers take no corner preference from a client.
    return false;
}

} // namespace Forms
