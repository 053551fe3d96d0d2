#pragma once

// Answers for requests of the application's files, however they arrive: through the engine's
// file scheme or through the media route (MediaServer.h).

#include "webview2/WebView2.h"
#include "webview2/webkitgtk/WebKitPtr.h"

#include <string>

namespace WebView2::WebKitGtk {

struct TFileAnswer {
    int Status = 200;
    std::string Reason = "OK";
    std::string ContentType; // with its charset, which decides how a page's text is read
    TSoupHeaders Headers;    // every header, as real HTTP headers
    ComPtr<IStream> Content; // read as it is needed, off the GUI thread
};

// The regular file a file:/// URI names (query and fragment are no part of it), read from disk;
// false when there is none. Sandboxed: the document runs no script and gets an origin of its own.
bool AnswerFromDisk(const std::string& HostUri, bool Sandboxed, TFileAnswer& Answer);
// The host's response: its status, reason, headers and content.
TFileAnswer AnswerFromResponse(ICoreWebView2WebResourceResponse* Response);

// Reads the requested file from disk or fails the request when it cannot.
void ServeFromDisk(WebKitURISchemeRequest* Request, bool Sandboxed);
void FinishSchemeRequest(WebKitURISchemeRequest* Request, TFileAnswer Answer);

} // namespace WebView2::WebKitGtk
