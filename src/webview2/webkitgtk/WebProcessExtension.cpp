// This part runs inside WebKit's web process, which loads the engine library as its
// extension (see InstallProcessExtension). WebKit does not tell the program which process
// shows a view, so each page sends its process id to its view.

#include "base/glib/Signals.h"
#include "webview2/webkitgtk/Protocol.h"

#include <webkit2/webkit-web-extension.h>

#include <unistd.h>

extern "C" __attribute__((visibility("default"))) void
webkit_web_extension_initialize(WebKitWebExtension* Extension) {
    Base::GLib::ConnectSignal<void(WebKitWebExtension*, WebKitWebPage*)>(
        Extension, "page-created", [](WebKitWebExtension*, WebKitWebPage* page) {
            // The message and its parameter are floating: sending takes them over.
            WebKitUserMessage* message = webkit_user_message_new(
                WebView2::WebKitGtk::ProcessIdMessage, g_variant_new_uint32(static_cast<guint32>(getpid())));
            webkit_web_page_send_message_to_view(page, message, nullptr, nullptr, nullptr);
        });
}
