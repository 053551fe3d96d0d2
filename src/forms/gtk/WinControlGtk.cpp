#include "forms/gtk/WinControlImpl.h"

#include <algorithm>
#include <utility>

// The GTK part of TWinControl. Every control's client area is a GtkLayout: it places child
// widgets at exact positions, clips them, and asks for no size of its own, so a window can
// always be made smaller than its content. Widgets that are not controls (the browser
// engine's) are added by their owners and size themselves.

namespace Forms {

namespace {

GQuark ControlQuark() {
    static const GQuark quark = g_quark_from_static_string("vtr-control");
    return quark;
}

} // namespace

void TWinControl::TImpl::OnSizeAllocate(GdkRectangle* Allocation) {
    TImpl* impl = this;
    impl->Owner.ClientAreaResized(Allocation->width, Allocation->height);
    // The layout has just placed the children by their old sizes; a resize requested now would
    // wait for the next frame, so the children take their new bounds at once.
    for (TWinControl* child : impl->Owner.FControls) {
        GtkWidget* widget = child->FImpl->Widget.get();
        if (widget == nullptr || !gtk_widget_get_visible(widget) ||
            gtk_widget_get_parent(widget) != impl->Container) {
            continue;
        }
        GtkRequisition minimum{};
        gtk_widget_get_preferred_size(widget, &minimum, nullptr);
        GtkAllocation bounds{child->FLeft, child->FTop, std::max(child->FWidth, minimum.width),
                             std::max(child->FHeight, minimum.height)};
        gtk_widget_size_allocate(widget, &bounds);
    }
}

void TWinControl::TImpl::FocusWidgetChanged(GtkWidget* Focus) {
    // Enter and exit follow the control that holds the focus. When the focus is on a widget
    // that another library put inside a control (the browser engine's view), that library
    // reports its own focus changes; the toolkit reports only those of its own widgets.
    TWinControl* control = ControlOf(Focus);
    const bool own =
        control != nullptr && (Focus == control->FImpl->Widget.get() || Focus == control->FImpl->Container);
    TWinControl* old = ActiveControl;
    const bool oldOwn = ActiveOwnWidget;
    ActiveControl = control;
    ActiveOwnWidget = own;
    if (old == control) {
        return;
    }
    if (old != nullptr && oldOwn) {
        old->DoExit();
    }
    if (control != nullptr && own && ActiveControl == control) {
        control->DoEnter();
    }
}

TWinControl* TWinControl::TImpl::ControlOf(GtkWidget* Focus) {
    for (GtkWidget* w = Focus; w != nullptr; w = gtk_widget_get_parent(w)) {
        if (auto* control = static_cast<TWinControl*>(g_object_get_qdata(G_OBJECT(w), ControlQuark()))) {
            return control;
        }
    }
    return nullptr;
}

TWinControl::TWinControl() : FImpl(std::make_unique<TImpl>(*this)) {}

TWinControl::~TWinControl() {
    for (TWinControl* c : std::vector<TWinControl*>(FControls)) {
        c->SetParent(nullptr);
    }
    SetParent(nullptr);
    if (HandleAllocated()) {
        DestroyWnd();
    }
}

bool TWinControl::HandleAllocated() const {
    return FImpl->Widget != nullptr;
}

TNativeWidget* TWinControl::Handle() {
    HandleNeeded();
    return FromGtk(FImpl->Container != nullptr ? FImpl->Container : FImpl->Widget.get());
}

TNativeWidget* TWinControl::CreateNativeWidget(TNativeWidget*& ClientArea) {
    GtkWidget* layout = gtk_layout_new(nullptr, nullptr);
    ClientArea = FromGtk(layout);
    return FromGtk(layout);
}

void TWinControl::CreateWnd() {
    TNativeWidget* client = nullptr;
    GtkWidget* widget = ToGtk(CreateNativeWidget(client));
    FImpl->Widget = OwnWidget(widget);
    FImpl->Container = ToGtk(client);
    g_object_set_qdata(G_OBJECT(widget), ControlQuark(), this);
    if (FImpl->Container != nullptr) {
        g_object_set_qdata(G_OBJECT(FImpl->Container), ControlQuark(), this);
        gtk_widget_show(FImpl->Container);
        FImpl->Signals.Connect<void(GtkWidget*, GdkRectangle*)>(
            FImpl->Container, "size-allocate",
            [impl = FImpl.get()](GtkWidget*, GdkRectangle* Allocation) { impl->OnSizeAllocate(Allocation); });
    }
    if (GTK_IS_WINDOW(widget)) {
        FImpl->Signals.Connect<void(GtkWindow*, GtkWidget*)>(
            widget, "set-focus",
            [impl = FImpl.get()](GtkWindow*, GtkWidget* Focus) { impl->FocusWidgetChanged(Focus); },
            G_CONNECT_AFTER);
    }
    if (FTabStop) {
        gtk_widget_set_can_focus(FImpl->Container != nullptr ? FImpl->Container : widget, TRUE);
    }
    NativePlaceInParent();
    NativeApplyBounds();
    NativeApplyVisible();
    for (TWinControl* c : FControls) {
        if (!c->HandleAllocated()) {
            c->CreateWnd();
        } else {
            c->NativePlaceInParent();
        }
    }
}

void TWinControl::DestroyWnd() {
    for (TWinControl* c : FControls) {
        if (c->HandleAllocated()) {
            c->DestroyWnd();
        }
    }
    NativeForgetControl();
    const TOwnedWidget owned = std::move(FImpl->Widget); // destroyed last
    GtkWidget* widget = owned.get();
    FImpl->Signals.DisconnectAll();
    if (FImpl->Container != nullptr) {
        g_object_set_qdata(G_OBJECT(FImpl->Container), ControlQuark(), nullptr);
    }
    g_object_set_qdata(G_OBJECT(widget), ControlQuark(), nullptr);
    FImpl->Container = nullptr;
    FImpl->ActiveControl = nullptr;
}

void TWinControl::NativePlaceInParent() {
    GtkWidget* widget = FImpl->Widget.get();
    if (widget == nullptr || GTK_IS_WINDOW(widget)) {
        return;
    }
    GtkWidget* target = nullptr;
    if (FParent != nullptr && FParent->HandleAllocated()) {
        target = FParent->FImpl->Container;
    }
    GtkWidget* current = gtk_widget_get_parent(widget);
    if (current == target) {
        return;
    }
    if (current != nullptr) {
        gtk_container_remove(GTK_CONTAINER(current), widget);
    }
    if (target != nullptr) {
        gtk_layout_put(GTK_LAYOUT(target), widget, FLeft, FTop);
    }
}

void TWinControl::NativeApplyBounds() {
    GtkWidget* widget = FImpl->Widget.get();
    if (widget == nullptr) {
        return;
    }
    if (GTK_IS_WINDOW(widget)) {
        return; // a top-level window's geometry belongs to its own class
    }
    gtk_widget_set_size_request(widget, FWidth, FHeight);
    GtkWidget* parent = gtk_widget_get_parent(widget);
    if (parent != nullptr && GTK_IS_LAYOUT(parent)) {
        gtk_layout_move(GTK_LAYOUT(parent), widget, FLeft, FTop);
    }
}

void TWinControl::NativeApplyVisible() {
    if (FImpl->Widget != nullptr) {
        gtk_widget_set_visible(FImpl->Widget.get(), FVisible);
    }
}

void TWinControl::NativeForgetControl() {
    // The top-level must not keep pointing at this control or one inside it once it leaves.
    TImpl& top = *TopLevelControl()->FImpl;
    if (top.ActiveControl == nullptr) {
        return;
    }
    std::vector<TWinControl*> inner{this};
    CollectTabOrder(inner);
    if (std::find(inner.begin(), inner.end(), top.ActiveControl) != inner.end()) {
        top.ActiveControl = nullptr;
    }
}

bool TWinControl::Focused() const {
    if (FImpl->Widget == nullptr) {
        return false;
    }
    GtkWidget* top = gtk_widget_get_toplevel(FImpl->Widget.get());
    if (!GTK_IS_WINDOW(top)) {
        return false;
    }
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(top));
    return focus != nullptr && TImpl::ControlOf(focus) == this;
}

void TWinControl::SetFocus() {
    HandleNeeded();
    // A control whose widget takes no focus of its own hands it to the first widget inside
    // that does (the browser's view inside the host control); only one with nothing of the
    // kind inside takes it itself.
    GtkWidget* target = FImpl->Container != nullptr ? FImpl->Container : FImpl->Widget.get();
    if (gtk_widget_has_focus(target) || gtk_widget_child_focus(target, GTK_DIR_TAB_FORWARD)) {
        return;
    }
    gtk_widget_set_can_focus(target, TRUE);
    gtk_widget_grab_focus(target);
}

} // namespace Forms
