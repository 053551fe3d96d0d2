// This part runs inside WebKit's web process, which loads the engine library as its
// extension (see InstallProcessExtension). WebKit does not tell the program which process
// shows a view, so each page sends its process id to its view.

#include "webview2/webkitgtk/Protocol.h"

#include <webkit2/webkit-web-extension.h>

#include <unistd.h>

namespace {

void OnPageCreated(WebKitWebExtension*, WebKitWebPage* Page, gpointer) {
    WebKitUserMessage* message = webkit_user_message_new(
        WebView2::WebKitGtk::ProcessIdMessage, g_variant_new_uint32(static_cast<guint32>(getpid())));
    webkit_web_page_send_message_to_view(Page, message, nullptr, nullptr, nullptr);
}

} // namespace

extern "C" __attribute__((visibility("default"))) void
webkit_web_extension_initialize(WebKitWebExtension* Extension) {
    g_signal_connect(Extension, "page-created", G_CALLBACK(OnPageCreated), nullptr);
}
