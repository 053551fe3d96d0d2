#pragma once

// Windows for pages the host leaves to the engine (window.open, links with a target).

#include <webkit2/webkit2.h>

namespace WebView2::WebKitGtk {

// Opens Uri in a window of its own: a view that shares nothing with the application's view but
// the browsing data of Context. It has its own, empty user content (no document script, no
// message handler, no bridge) and its own web process, so a page shown there cannot reach the
// host. The opener gets no handle to it.
void OpenWebWindow(WebKitWebContext* Context, const char* Uri);

} // namespace WebView2::WebKitGtk
