#include "webview2/webkitgtk/Engine.h"
#include "webview2/webkitgtk/JsValues.h"

#include "webview2/UriMapping.h"

#include <nlohmann/json.hpp>

// Messages from the page (web messages), from the engine's own document script (what WebKit has
// no signal for) and from the web process (its process id).

namespace WebView2::WebKitGtk {

bool TBrowser::OnUserMessage(WebKitUserMessage* Message) {
    if (g_strcmp0(webkit_user_message_get_name(Message), ProcessIdMessage) != 0) {
        return false;
    }
    GVariant* parameters = webkit_user_message_get_parameters(Message);
    if (parameters != nullptr && g_variant_is_of_type(parameters, G_VARIANT_TYPE_UINT32)) {
        FProcessId = g_variant_get_uint32(parameters);
    }
    return true;
}

void TBrowser::OnWebMessage(WebKitJavascriptResult* Result) {
    if (!Alive() || !FSettings->WebMessageEnabled) {
        return; // disabled: messages are dropped
    }
    const std::string json = JsString(webkit_javascript_result_get_js_value(Result));
    if (json.empty()) {
        return;
    }
    auto args = MakeCom<TWebMessageReceivedArgs>();
    args->Source = CurrentSource();
    args->Json = json;
    if (json.front() == '"') {
        try {
            args->StringValue = nlohmann::json::parse(json).get<std::string>();
            args->IsString = true;
        } catch (const nlohmann::json::exception&) {
            args->IsString = false;
        }
    }
    FWebMessageReceived.Raise(Core(), args.Get());
}

void TBrowser::OnEngineMessage(WebKitJavascriptResult* Result) {
    if (!Alive()) {
        return;
    }
    JSCValue* message = webkit_javascript_result_get_js_value(Result);
    const std::string kind = JsProperty(message, "kind");
    if (kind == "frame-started") {
        // WebKit has no signal for sub-frame navigations: the frame's document reports itself
        // when it starts (too late to cancel) and when it has loaded.
        const UINT64 id = FNavigation.NewNavigationId();
        FFrameNavigations[JsProperty(message, "token")] = id;
        auto args = MakeCom<TNavigationStartingArgs>();
        args->Uri = MapToHostUri(JsProperty(message, "uri"));
        args->NavigationId = id;
        FFrameNavigationStarting.Raise(Core(), args.Get());
    } else if (kind == "frame-completed") {
        const auto it = FFrameNavigations.find(JsProperty(message, "token"));
        if (it == FFrameNavigations.end()) {
            return;
        }
        auto args = MakeCom<TNavigationCompletedArgs>();
        args->IsSuccess = true;
        args->NavigationId = it->second;
        FFrameNavigations.erase(it);
        FFrameNavigationCompleted.Raise(Core(), args.Get());
    } else if (kind == "download") {
        // A link asked to download one of the application's files (Downloads.cpp).
        const std::string uri = MapToHostUri(JsProperty(message, "uri"));
        if (uri.rfind("file:///", 0) == 0) {
            DownloadFile(uri, JsProperty(message, "name"));
        }
    } else if (kind == "permission") {
        OnPagePermission(JsProperty(message, "id"), JsProperty(message, "name"));
    } else if (kind == "move-focus") {
        // WebKit has no signal for focus leaving the page: the page reports Tab on its edges.
        auto args = MakeCom<TMoveFocusRequestedArgs>();
        args->Reason = JsProperty(message, "reason") == "previous" ? COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS
                                                                   : COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT;
        FMoveFocusRequested.Raise(Controller(), args.Get());
        if (!args->Handled && Alive()) {
            // Unhandled: on to the next widget of the window, as Tab would go.
            GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(View()));
            if (gtk_widget_is_toplevel(top)) {
                gtk_widget_child_focus(top, args->Reason == COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS
                                                ? GTK_DIR_TAB_BACKWARD
                                                : GTK_DIR_TAB_FORWARD);
            }
        }
    }
}

} // namespace WebView2::WebKitGtk
