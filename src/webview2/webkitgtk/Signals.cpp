#include "webview2/webkitgtk/Engine.h"

#include "base/glib/GuiPost.h"
#include "base/glib/Signals.h"

// Every WebKit and GTK signal the browser listens to, in one list. Each handler runs guarded (an
// exception never unwinds into WebKit or GTK) and with the browser kept alive, as a handler may
// raise events whose handlers let go of it. Where WebKit reports something in another shape the
// engine derives the event itself (see each handler).

namespace WebView2::WebKitGtk {

namespace {

void DetachOnceShown(WebKitWebInspector* Inspector) {
    GtkWidget* tools = GTK_WIDGET(webkit_web_inspector_get_web_view(Inspector));
    if (tools == nullptr || g_object_get_data(G_OBJECT(tools), "vtr-detaching") != nullptr) {
        return;
    }
    g_object_set_data(G_OBJECT(tools), "vtr-detaching", tools);
    Base::GLib::ConnectSignal<void(GtkWidget*)>(
        tools, "map", [inspector = TGObjectPtr<WebKitWebInspector>::Ref(Inspector)](GtkWidget*) {
            Base::GLib::PostToGuiThread([inspector] {
                if (webkit_web_inspector_is_attached(inspector.Get())) {
                    webkit_web_inspector_detach(inspector.Get());
                }
            });
        });
}

} // namespace

template <class Signature, class F>
void TBrowser::Connect(gpointer Instance, const char* Signal, F Handler, GConnectFlags Flags) {
    FSignals.Connect<Signature>(
        Instance, Signal,
        [this, Handler](auto... Args) {
            const ComPtr<TBrowser> keep(this);
            return Handler(Args...);
        },
        Flags);
}

void TBrowser::ConnectSignals() {
    WebKitWebView* view = View();
    using TView = WebKitWebView*;
    using TWidget = GtkWidget*;
    using TNotify = void(GObject*, GParamSpec*);

    // Navigation.
    Connect<void(TView, WebKitLoadEvent)>(view, "load-changed",
                                          [this](TView, WebKitLoadEvent e) { OnLoadChanged(e); });
    Connect<gboolean(TView, WebKitLoadEvent, const char*, GError*)>(
        view, "load-failed",
        [this](TView, WebKitLoadEvent, const char* uri, GError* error) { return OnLoadFailed(uri, error); });
    Connect<TNotify>(view, "notify::uri", [this](GObject*, GParamSpec*) { FNavigation.UriChanged(); });
    Connect<TNotify>(view, "notify::title", [this](GObject*, GParamSpec*) { FNavigation.TitleChanged(); });
    Connect<void(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer)>(
        webkit_web_view_get_back_forward_list(view), "changed",
        [this](WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer) {
            FNavigation.HistoryChanged();
        });
    Connect<void(TView, WebKitWebProcessTerminationReason)>(
        view, "web-process-terminated",
        [this](TView, WebKitWebProcessTerminationReason reason) { OnWebProcessTerminated(reason); });
    Connect<gboolean(TView, WebKitPolicyDecision*, WebKitPolicyDecisionType)>(
        view, "decide-policy", [this](TView, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
            return OnDecidePolicy(decision, type);
        });

    // What the page asks of its window.
    Connect<TWidget(TView, WebKitNavigationAction*)>(
        view, "create", [this](TView, WebKitNavigationAction* action) { return OnCreate(action); });
    Connect<gboolean(TView, WebKitPermissionRequest*)>(
        view, "permission-request",
        [this](TView, WebKitPermissionRequest* request) { return OnPermissionRequest(request); });
    Connect<gboolean(TView, WebKitScriptDialog*)>(
        view, "script-dialog", [this](TView, WebKitScriptDialog* dialog) { return OnScriptDialog(dialog); });
    Connect<gboolean(TView)>(view, "enter-fullscreen", [this](TView) { return OnFullscreen(true); });
    Connect<gboolean(TView)>(view, "leave-fullscreen", [this](TView) { return OnFullscreen(false); });
    Connect<void(TView)>(view, "close", [this](TView) { OnCloseRequested(); });

    // Input, focus, zoom and the status bar.
    Connect<TNotify>(view, "notify::zoom-level", [this](GObject*, GParamSpec*) { OnZoomChanged(); });
    Connect<gboolean(TWidget, GdkEvent*)>(view, "focus-in-event", [this](TWidget, GdkEvent*) {
        OnFocusChanged(true);
        return FALSE;
    });
    Connect<gboolean(TWidget, GdkEvent*)>(view, "focus-out-event", [this](TWidget, GdkEvent*) {
        OnFocusChanged(false);
        return FALSE;
    });
    Connect<gboolean(TWidget, GdkEventKey*)>(view, "key-press-event",
                                             [this](TWidget, GdkEventKey* event) { return OnKey(event); });
    Connect<gboolean(TWidget, GdkEventKey*)>(view, "key-release-event",
                                             [this](TWidget, GdkEventKey* event) { return OnKey(event); });
    // After WebKit's own handler, which passes on only what the page did not use.
    Connect<gboolean(TWidget, GdkEventKey*)>(
        view, "key-press-event", [this](TWidget, GdkEventKey* event) { return OnKeyNotUsed(event); },
        G_CONNECT_AFTER);
    Connect<gboolean(TWidget, GdkEventScroll*)>(
        view, "scroll-event", [this](TWidget, GdkEventScroll* event) { return OnScroll(event); });
    Connect<void(TView, WebKitHitTestResult*, guint)>(
        view, "mouse-target-changed",
        [this](TView, WebKitHitTestResult* hit, guint) { OnMouseTargetChanged(hit); });
    Connect<gboolean(TView, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*)>(
        view, "context-menu",
        [this](TView, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*) { return OnContextMenu(); });

    // The developer tools open in a window of their own, as the host's users know them, not
    // inside the application's window. WebKit attaches them first: they are moved out once shown.
    Connect<gboolean(WebKitWebInspector*)>(webkit_web_view_get_inspector(view), "attach",
                                           [](WebKitWebInspector* inspector) {
                                               DetachOnceShown(inspector);
                                               return FALSE;
                                           });

    // Messages from the web process and the page.
    Connect<gboolean(TView, WebKitUserMessage*)>(
        view, "user-message-received",
        [this](TView, WebKitUserMessage* message) { return OnUserMessage(message); });
    Connect<void(WebKitUserContentManager*, WebKitJavascriptResult*)>(
        FContent.Get(), WebMessageSignal,
        [this](WebKitUserContentManager*, WebKitJavascriptResult* result) { OnWebMessage(result); });
    Connect<void(WebKitUserContentManager*, WebKitJavascriptResult*)>(
        FContent.Get(), EngineMessageSignal,
        [this](WebKitUserContentManager*, WebKitJavascriptResult* result) { OnEngineMessage(result); });

    // The host's container.
    Connect<void(TWidget)>(FHost.Get(), "destroy", [this](TWidget widget) { OnHostDestroyed(widget); });
}

} // namespace WebView2::WebKitGtk
