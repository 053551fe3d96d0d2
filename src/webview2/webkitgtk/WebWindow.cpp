#include "webview2/webkitgtk/WebWindow.h"

#include "base/glib/GLibPtr.h"
#include "base/glib/Signals.h"

namespace WebView2::WebKitGtk {

using Base::GLib::ConnectSignal;
using Base::GLib::TGObjectPtr;

void OpenWebWindow(WebKitWebContext* Context, const char* Uri) {
    // Not a related view: a related view would share the application's user content manager,
    // and with it the document script and the message handlers of the bridge.
    const auto content = TGObjectPtr<WebKitUserContentManager>::Adopt(webkit_user_content_manager_new());
    auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", Context,
                                              "user-content-manager", content.Get(), nullptr));
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 800, 600);
    gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(view));
    g_object_bind_property(view, "title", window, "title", G_BINDING_SYNC_CREATE);
    ConnectSignal<void(WebKitWebView*)>(view, "close",
                                        [window](WebKitWebView*) { gtk_widget_destroy(window); });
    ConnectSignal<GtkWidget*(WebKitWebView*, WebKitNavigationAction*)>(
        view, "create", [](WebKitWebView* opener, WebKitNavigationAction* action) -> GtkWidget* {
            // Windows that this window's pages open are windows of the same kind.
            const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
            if (uri != nullptr && *uri != '\0') {
                OpenWebWindow(webkit_web_view_get_context(opener), uri);
            }
            return nullptr;
        });
    webkit_web_view_load_uri(view, Uri);
    gtk_widget_show_all(window);
}

} // namespace WebView2::WebKitGtk
