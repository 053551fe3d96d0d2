#include "webview2/webkitgtk/MediaRedirect.h"

#include "base/glib/Signals.h"
#include "webview2/UriMapping.h"

#include <memory>
#include <string>
#include <string_view>

namespace WebView2::WebKitGtk {

namespace {

// Whether the request is the media player's. WebKit says nothing of a request's kind, and shows
// a request's headers only for web addresses; seen through one, every load of a document, a
// script, a style sheet, an image, a font, a fetch or a worker carries headers (Accept at
// least), and only the player's own requests carry none. (WebKitGTK 2.50.)
bool IsPlayerRequest(WebKitURIRequest* Request, const std::string& Uri) {
    webkit_uri_request_set_uri(Request, "http://127.0.0.1/");
    SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(Request);
    bool none = true;
    if (headers != nullptr) {
        SoupMessageHeadersIter iter;
        soup_message_headers_iter_init(&iter, headers);
        const char* name = nullptr;
        const char* value = nullptr;
        none = !soup_message_headers_iter_next(&iter, &name, &value);
    }
    webkit_uri_request_set_uri(Request, Uri.c_str());
    return none;
}

} // namespace

void RedirectMediaRequests(WebKitWebPage* Page, const std::string& Route) {
    const std::string prefix = std::string(EngineFileScheme) + ":///";
    const std::string route = Route + "/" + std::to_string(webkit_web_page_get_id(Page)) + "/";
    Base::GLib::ConnectSignal<gboolean(WebKitWebPage*, WebKitURIRequest*, WebKitURIResponse*)>(
        Page, "send-request",
        [prefix, route](WebKitWebPage* Sender, WebKitURIRequest* Request, WebKitURIResponse*) {
            const char* raw = webkit_uri_request_get_uri(Request);
            // Only pages of the engine's file scheme ask for its addresses (WebKit refuses them
            // to every other origin before a request is made). The page's own address is its
            // document: a page shown in place of a failed one asks for it without headers too.
            const char* page = webkit_web_page_get_uri(Sender);
            if (raw == nullptr || g_ascii_strncasecmp(raw, prefix.c_str(), prefix.size()) != 0 ||
                (page != nullptr && g_strcmp0(raw, page) == 0)) {
                return FALSE;
            }
            std::string uri(raw);
            if (!IsPlayerRequest(Request, uri)) {
                return FALSE;
            }
            std::string_view rest = std::string_view(uri).substr(prefix.size());
            rest = rest.substr(0, rest.find('#'));
            const std::string target = route + std::string(rest);
            webkit_uri_request_set_uri(Request, target.c_str());
            return FALSE;
        });
}

} // namespace WebView2::WebKitGtk
