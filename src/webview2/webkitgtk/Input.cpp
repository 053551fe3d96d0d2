#include "webview2/webkitgtk/Engine.h"
#include "webview2/webkitgtk/KeyCodes.h"

#include "webview2/UriMapping.h"

#include <gdk/gdkkeysyms.h>

// Keys, the mouse wheel, focus, zoom, the status bar and the context menu.

namespace WebView2::WebKitGtk {

void TBrowser::OnZoomChanged() {
    FZoomFactorChanged.Raise(Controller(), nullptr);
}

void TBrowser::OnFocusChanged(bool In) {
    (In ? FGotFocus : FLostFocus).Raise(Controller(), nullptr);
}

bool TBrowser::OnKey(GdkEventKey* Event) {
    const bool press = Event->type == GDK_KEY_PRESS;
    if (IsAcceleratorKey(Event) && !FAcceleratorKeyPressed.Empty()) {
        auto args = MakeCom<TAcceleratorKeyPressedArgs>();
        const bool system = (Event->state & GDK_MOD1_MASK) != 0 && (Event->state & GDK_CONTROL_MASK) == 0;
        args->Kind =
            system ? (press ? COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN
                            : COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP)
                   : (press ? COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN : COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP);
        args->VirtualKey = VirtualKeyOf(Event);
        args->LParam = KeyLParamOf(Event);
        FAcceleratorKeyPressed.Raise(Controller(), args.Get());
        if (args->Handled) {
            return true;
        }
    }
    // Zoom control: Ctrl+plus, Ctrl+minus and Ctrl+0, when the setting allows it.
    if (press && Alive() && FSettings->ZoomControlEnabled && (Event->state & GDK_CONTROL_MASK) != 0 &&
        (Event->state & GDK_MOD1_MASK) == 0) {
        switch (Event->keyval) {
        case GDK_KEY_plus:
        case GDK_KEY_equal:
        case GDK_KEY_KP_Add:
            return StepZoom(1);
        case GDK_KEY_minus:
        case GDK_KEY_KP_Subtract:
            return StepZoom(-1);
        case GDK_KEY_0:
        case GDK_KEY_KP_0:
            return StepZoom(0);
        default:
            break;
        }
    }
    return false;
}

bool TBrowser::OnScroll(GdkEventScroll* Event) {
    // Zoom control: Ctrl+wheel, when the setting allows it.
    if (!Alive() || !FSettings->ZoomControlEnabled || (Event->state & GDK_CONTROL_MASK) == 0) {
        return false;
    }
    double dy = 0;
    if (Event->direction == GDK_SCROLL_UP) {
        dy = -1;
    } else if (Event->direction == GDK_SCROLL_DOWN) {
        dy = 1;
    } else if (Event->direction == GDK_SCROLL_SMOOTH) {
        dy = Event->delta_y;
    }
    if (dy == 0) {
        return false;
    }
    return StepZoom(dy < 0 ? 1 : -1);
}

void TBrowser::OnMouseTargetChanged(WebKitHitTestResult* Hit) {
    // The status bar: the address of the link under the mouse, over the page's lower corner.
    std::string text;
    if (FSettings->StatusBarEnabled && webkit_hit_test_result_context_is_link(Hit)) {
        const char* uri = webkit_hit_test_result_get_link_uri(Hit);
        text = MapToHostUri(uri != nullptr ? uri : "");
    }
    UpdateStatusBar(text);
}

void TBrowser::UpdateStatusBar(const std::string& Text) {
    if (FStatusLabel == nullptr) {
        return;
    }
    gtk_label_set_text(GTK_LABEL(FStatusLabel), Text.c_str());
    gtk_widget_set_visible(FStatusLabel, !Text.empty());
}

bool TBrowser::OnContextMenu() {
    return !FSettings->DefaultContextMenusEnabled;
}

} // namespace WebView2::WebKitGtk
