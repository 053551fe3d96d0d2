#pragma once

// The media route. WebKit's media player does not load from the engine's file scheme, so the
// web process sends the player's requests for the application's files to a server of this
// process on the loopback address, which answers them as the file scheme does: through the host,
// with byte ranges, reading as the player asks.
//
// Every local user can connect to the loopback address; what keeps them out is a random token of
// the run in every address, without which nothing is answered. The token goes to WebKit's web
// processes only (through WebKit's own channel) and is never logged.

#include <glib.h>

#include <string>

namespace WebView2::WebKitGtk {

class TBrowser;

// "http://127.0.0.1:PORT/TOKEN", the server started at the first call; empty when it cannot
// listen, and media then fail as they did without it. A request's address is this, "/", the
// web page's id, and the path of the file:/// URI with its query.
const std::string& MediaRouteBase();

// The browser whose view shows the web page PageId, for the requests of that page. Browser is
// not owned: it unregisters before it goes.
void RegisterMediaPage(guint64 PageId, TBrowser* Browser);
void UnregisterMediaPage(guint64 PageId);

} // namespace WebView2::WebKitGtk
