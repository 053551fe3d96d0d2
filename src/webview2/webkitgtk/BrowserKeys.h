#pragma once

// The browser's own keys: what a key press that neither the host nor the page used does.

#include <gdk/gdk.h>

namespace WebView2::WebKitGtk {

enum class TBrowserKey {
    None,
    Reload,
    ReloadBypassingCache,
    Back,
    Forward,
    Print,
    DevTools,
};

// The action of a key press (its keyval and modifier state). Keys with other modifiers held
// than the ones listed for an action do nothing, so that the host's own combinations stay its own.
TBrowserKey BrowserKeyOf(guint Keyval, guint State);

// Whether the key acts before the page sees it (once the host has let it pass): the page takes
// arrow keys for scrolling, so Alt+Left would never come back from it.
bool ActsBeforePage(TBrowserKey Key);

} // namespace WebView2::WebKitGtk
