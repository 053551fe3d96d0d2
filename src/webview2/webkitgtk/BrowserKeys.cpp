#include "webview2/webkitgtk/BrowserKeys.h"

#include <gdk/gdkkeysyms.h>

namespace WebView2::WebKitGtk {

TBrowserKey BrowserKeyOf(guint Keyval, guint State) {
    // Lock keys (Caps Lock, Num Lock) and mouse buttons do not change what a key means.
    const guint held = State & (GDK_SHIFT_MASK | GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_MOD4_MASK |
                                GDK_SUPER_MASK | GDK_HYPER_MASK | GDK_META_MASK);
    const guint ctrl = GDK_CONTROL_MASK;
    const guint shift = GDK_SHIFT_MASK;
    const guint alt = GDK_MOD1_MASK;
    switch (gdk_keyval_to_lower(Keyval)) {
    case GDK_KEY_F5:
        if (held == 0) {
            return TBrowserKey::Reload;
        }
        return held == ctrl || held == shift ? TBrowserKey::ReloadBypassingCache : TBrowserKey::None;
    case GDK_KEY_r:
        if (held == ctrl) {
            return TBrowserKey::Reload;
        }
        return held == (ctrl | shift) ? TBrowserKey::ReloadBypassingCache : TBrowserKey::None;
    case GDK_KEY_Reload:
        return held == 0 ? TBrowserKey::Reload : TBrowserKey::None;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
        return held == alt ? TBrowserKey::Back : TBrowserKey::None;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
        return held == alt ? TBrowserKey::Forward : TBrowserKey::None;
    case GDK_KEY_Back:
        return held == 0 ? TBrowserKey::Back : TBrowserKey::None;
    case GDK_KEY_Forward:
        return held == 0 ? TBrowserKey::Forward : TBrowserKey::None;
    case GDK_KEY_p:
        return held == ctrl ? TBrowserKey::Print : TBrowserKey::None;
    case GDK_KEY_F12:
        return held == 0 ? TBrowserKey::DevTools : TBrowserKey::None;
    case GDK_KEY_i:
        return held == (ctrl | shift) ? TBrowserKey::DevTools : TBrowserKey::None;
    default:
        return TBrowserKey::None;
    }
}

bool ActsBeforePage(TBrowserKey Key) {
    return Key == TBrowserKey::Back || Key == TBrowserKey::Forward;
}

} // namespace WebView2::WebKitGtk
