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

} // namespace WebView2::WebKitGtk
