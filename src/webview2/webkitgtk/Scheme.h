#pragma once

// Answers for requests of the engine's file scheme.

#include "webview2/WebView2.h"

#include <webkit2/webkit2.h>

namespace WebView2::WebKitGtk {

// Reads the requested file from disk (the URI taken as a file:/// URL, without query or
// fragment) or fails the request when it cannot. Sandboxed: the document runs no script and
// gets an origin of its own.
void ServeFromDisk(WebKitURISchemeRequest* Request, bool Sandboxed);
// Answers with the host's response: its status, reason, headers (as real HTTP headers) and content.
void FinishWithResponse(WebKitURISchemeRequest* Request, ICoreWebView2WebResourceResponse* Response);

} // namespace WebView2::WebKitGtk
