#include "webview2/webkitgtk/Engine.h"
#include "webview2/webkitgtk/KeyCodes.h"

#include "webview2/UriMapping.h"

#include <gdk/gdkkeysyms.h>

#include <algorithm>

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
    if (TakeReturnedKey(Event)) {
        // WebKit hands a key the page did not use back to GTK, which offers it to the view once
        // more: the host has had it already.
        return false;
    }
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
    if (press) {
        const TBrowserKey key = BrowserKeyOf(Event->keyval, Event->state);
        if (ActsBeforePage(key) && RunBrowserKey(key)) {
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
    RememberKeyForPage(Event);
    return false;
}

void TBrowser::RememberKeyForPage(const GdkEventKey* Event) {
    // Only the last few: a key the page used never comes back.
    constexpr std::size_t Kept = 32;
    if (FKeysForPage.size() == Kept) {
        FKeysForPage.pop_front();
    }
    FKeysForPage.push_back({Event->time, Event->hardware_keycode, Event->type});
}

bool TBrowser::TakeReturnedKey(const GdkEventKey* Event) {
    const auto it = std::find_if(FKeysForPage.begin(), FKeysForPage.end(), [&](const TKeyStamp& k) {
        return k.Time == Event->time && k.Keycode == Event->hardware_keycode && k.Type == Event->type;
    });
    if (it == FKeysForPage.end()) {
        return false;
    }
    FKeysForPage.erase(it);
    return true;
}

bool TBrowser::OnKeyNotUsed(GdkEventKey* Event) {
    // Neither the host (it was offered the key first) nor the page used the key: the browser's
    // own keys act now, as a browser's do after the page had its chance to prevent them.
    const TBrowserKey key = BrowserKeyOf(Event->keyval, Event->state);
    return !ActsBeforePage(key) && RunBrowserKey(key);
}

bool TBrowser::RunBrowserKey(TBrowserKey Key) {
    if (!Alive()) {
        return false;
    }
    switch (Key) {
    case TBrowserKey::Reload:
        Reload();
        return true;
    case TBrowserKey::ReloadBypassingCache:
        HostLoad([&] { webkit_web_view_reload_bypass_cache(View()); });
        return true;
    case TBrowserKey::Back:
        GoBack();
        return true;
    case TBrowserKey::Forward:
        GoForward();
        return true;
    case TBrowserKey::Print:
        PrintLater();
        return true;
    case TBrowserKey::DevTools: {
        BOOL enabled = 0;
        FSettings->get_AreDevToolsEnabled(&enabled);
        if (enabled == 0) {
            return false; // as if the key were no browser key
        }
        OpenDevToolsWindow();
        return true;
    }
    case TBrowserKey::None:
        break;
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
