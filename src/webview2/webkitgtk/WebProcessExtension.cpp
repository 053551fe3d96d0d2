// This part runs inside WebKit's web process, which loads the engine library as its
// extension (see InstallProcessExtension). WebKit does not tell the program which process
// shows a view, so each page sends its process id to its view; and the media player's requests
// take the media route the program gives (MediaServer.h).

#include "base/glib/Signals.h"
#include "webview2/webkitgtk/MediaRedirect.h"
#include "webview2/webkitgtk/Protocol.h"

#include <webkit2/webkit-web-extension.h>

#include <unistd.h>

#include <string>

extern "C" __attribute__((visibility("default"))) void
webkit_web_extension_initialize_with_user_data(WebKitWebExtension* Extension, const GVariant* Data) {
    std::string route;
    if (Data != nullptr && g_variant_is_of_type(const_cast<GVariant*>(Data), G_VARIANT_TYPE_STRING)) {
        route = g_variant_get_string(const_cast<GVariant*>(Data), nullptr);
    }
    Base::GLib::ConnectSignal<void(WebKitWebExtension*, WebKitWebPage*)>(
        Extension, "page-created", [route](WebKitWebExtension*, WebKitWebPage* page) {
            if (!route.empty()) {
                WebView2::WebKitGtk::RedirectMediaRequests(page, route);
            }
            // The message and its parameter are floating: sending takes them over.
            WebKitUserMessage* message = webkit_user_message_new(
                WebView2::WebKitGtk::ProcessIdMessage, g_variant_new_uint32(static_cast<guint32>(getpid())));
            webkit_web_page_send_message_to_view(page, message, nullptr, nullptr, nullptr);
        });
}
