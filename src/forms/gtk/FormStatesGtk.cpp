#include "forms/gtk/FormImpl.h"

// A top-level form's states: the window state (normal, maximized, minimized) as the window
// manager reports and the form asks it, the border style and staying on top.

namespace Forms {

namespace {

// How long a requested state may take to be reported before the reports count again.
constexpr gint64 PendingStateMicroseconds = 1000 * 1000;

} // namespace

gboolean TForm::TFormImpl::OnWindowState(GtkWidget*, GdkEventWindowState* Event) {
    TForm& form = Owner;
    const auto state = Event->new_window_state;
    const TWindowState old = form.FWindowState;
    TWindowState reported = old;
    if ((state & GDK_WINDOW_STATE_ICONIFIED) != 0) {
        reported = wsMinimized;
    } else if ((state & GDK_WINDOW_STATE_MAXIMIZED) != 0) {
        reported = wsMaximized;
    } else if ((Event->changed_mask & (GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED)) != 0) {
        reported = wsNormal;
    }
    if (StatePending &&
        (reported == PendingState || g_get_monotonic_time() - PendingSince > PendingStateMicroseconds)) {
        StatePending = false;
    }
    if (!StatePending) {
        form.FWindowState = reported;
    }
    if ((Event->changed_mask & LargeStates) != 0 &&
        (state & (LargeStates | GDK_WINDOW_STATE_ICONIFIED)) == 0 && form.FWindowState == wsNormal) {
        // Restored, by the form or by the window manager: the window takes the form's normal
        // bounds, whatever the window manager remembered. It may still have its maximized
        // frame; a size reckoned with that frame would be wrong, and could outlast the right
        // one, so it is reckoned with the normal frame the window is getting back.
        TFormImpl& f = *this;
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

void TForm::ApplyBorder() {
    GtkWindow* window = FFormImpl->Window;
    if (window == nullptr) {
        return;
    }
    gtk_window_set_title(window, FCaption.c_str());
    const bool decorated = FBorderStyle != bsNone;
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
    FFormImpl->ApplyResizable();
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
        FFormImpl->ApplyResizable();
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
    const bool changes = Value != FWindowState;
    FWindowState = Value;
    if (FFormImpl->Window != nullptr && gtk_widget_get_visible(GTK_WIDGET(FFormImpl->Window))) {
        // Only a change is awaited: the same state again brings no report to wait for.
        FFormImpl->StatePending = changes;
        FFormImpl->PendingState = Value;
        FFormImpl->PendingSince = g_get_monotonic_time();
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

} // namespace Forms
