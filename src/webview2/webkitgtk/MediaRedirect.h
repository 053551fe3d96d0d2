#pragma once

// The web process's half of the media route (MediaServer.h): the player's requests for the
// engine's file scheme go to the media server instead.

#include <webkit2/webkit-web-extension.h>

#include <string>

namespace WebView2::WebKitGtk {

// Route: the media route's address (MediaRouteBase), not empty.
void RedirectMediaRequests(WebKitWebPage* Page, const std::string& Route);

} // namespace WebView2::WebKitGtk
