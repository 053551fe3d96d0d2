#pragma once

namespace WebView2::WebKitGtk {

// Runs in the page's own world of every document of the engine's file scheme, before the page's
// scripts: the file:/// addresses the page asks for (fetch, XMLHttpRequest, the addresses of
// images, media, scripts, style sheets, frames and objects) are asked for as what they are
// served as, vtr-file:///. WebKit refuses file:/// to such a page before any request is made,
// so nothing later could turn them round.
extern const char* const FileAddressScript;

} // namespace WebView2::WebKitGtk
