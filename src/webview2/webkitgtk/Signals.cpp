#include "webview2/webkitgtk/Engine.h"
#include "webview2/webkitgtk/ErrorPages.h"
#include "webview2/webkitgtk/KeyCodes.h"
#include "webview2/webkitgtk/WebWindow.h"

#include "webview2/UriMapping.h"

#include <gdk/gdkkeysyms.h>
#include <nlohmann/json.hpp>

// WebKit's signals, turned into the WebView2 events. Where WebKit reports something in another
// shape the engine derives the event itself (see each handler).

namespace WebView2::WebKitGtk {

namespace {

// Runs a handler's body so that nothing thrown reaches WebKit or GTK.
template <class F>
auto Guard(const char* Where, F&& Body) -> decltype(Body()) {
    try {
        return Body();
    } catch (...) {
        ReportBoundaryException(Where);
        return decltype(Body())();
    }
}

TBrowser* Self(gpointer Data) {
    return static_cast<TBrowser*>(Data);
}

std::string JsString(JSCValue* Value) {
    if (Value == nullptr || !jsc_value_is_string(Value)) {
        return {};
    }
    char* text = jsc_value_to_string(Value);
    std::string out = text != nullptr ? text : "";
    g_free(text);
    return out;
}

std::string JsProperty(JSCValue* Object, const char* Name) {
    if (Object == nullptr || !jsc_value_is_object(Object)) {
        return {};
    }
    JSCValue* value = jsc_value_object_get_property(Object, Name);
    std::string out = JsString(value);
    if (value != nullptr) {
        g_object_unref(value);
    }
    return out;
}

COREWEBVIEW2_WEB_ERROR_STATUS ErrorStatusOf(const GError* Error) {
    if (Error == nullptr) {
        return COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
    }
    if (g_error_matches(Error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
        g_error_matches(Error, WEBKIT_POLICY_ERROR,
                        WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
        return COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED;
    }
    if (Error->domain == G_RESOLVER_ERROR) {
        return COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED;
    }
    if (Error->domain == G_TLS_ERROR) {
        return COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_IS_INVALID;
    }
    if (Error->domain == G_IO_ERROR) {
        switch (Error->code) {
        case G_IO_ERROR_TIMED_OUT:
            return COREWEBVIEW2_WEB_ERROR_STATUS_TIMEOUT;
        case G_IO_ERROR_CONNECTION_REFUSED:
        case G_IO_ERROR_HOST_UNREACHABLE:
        case G_IO_ERROR_NETWORK_UNREACHABLE:
            return COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT;
        case G_IO_ERROR_CONNECTION_CLOSED:
            return COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_RESET;
        case G_IO_ERROR_HOST_NOT_FOUND:
            return COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED;
        default:
            return COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
        }
    }
    if (g_error_matches(Error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_TRANSPORT)) {
        return COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT;
    }
    return COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
}

COREWEBVIEW2_PERMISSION_KIND PermissionKindOf(WebKitPermissionRequest* Request) {
    if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(Request)) {
        return COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION;
    }
    if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(Request)) {
        return COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS;
    }
    if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(Request)) {
        auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(Request);
        return webkit_user_media_permission_is_for_video_device(media)
                   ? COREWEBVIEW2_PERMISSION_KIND_CAMERA
                   : COREWEBVIEW2_PERMISSION_KIND_MICROPHONE;
    }
    if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(Request)) {
        return COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ;
    }
    return COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
}

} // namespace

void TBrowser::ConnectSignals() {
    WebKitWebView* view = View();
    g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent e, gpointer d) {
                         Guard("load-changed", [&] { Self(d)->OnLoadChanged(e); });
                     }),
                     this);
    g_signal_connect(
        view, "load-failed",
        G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent e, const char* uri, GError* error, gpointer d) {
            return static_cast<gboolean>(
                Guard("load-failed", [&] { return Self(d)->OnLoadFailed(e, uri, error); }));
        }),
        this);
    g_signal_connect(view, "notify::uri", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer d) {
                         Guard("notify::uri", [&] { Self(d)->OnUriChanged(); });
                     }),
                     this);
    g_signal_connect(view, "notify::title", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer d) {
                         Guard("notify::title", [&] { Self(d)->OnTitleChanged(); });
                     }),
                     this);
    g_signal_connect(view, "notify::zoom-level", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer d) {
                         Guard("notify::zoom-level", [&] { Self(d)->OnZoomChanged(); });
                     }),
                     this);
    g_signal_connect(webkit_web_view_get_back_forward_list(view), "changed",
                     G_CALLBACK(+[](WebKitBackForwardList*, gpointer, gpointer, gpointer d) {
                         Guard("back-forward list", [&] { Self(d)->OnHistoryChanged(); });
                     }),
                     this);
    g_signal_connect(view, "web-process-terminated",
                     G_CALLBACK(+[](WebKitWebView*, WebKitWebProcessTerminationReason r, gpointer d) {
                         Guard("web-process-terminated", [&] { Self(d)->OnWebProcessTerminated(r); });
                     }),
                     this);
    g_signal_connect(view, "decide-policy",
                     G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* decision,
                                    WebKitPolicyDecisionType type, gpointer d) {
                         return static_cast<gboolean>(
                             Guard("decide-policy", [&] { return Self(d)->OnDecidePolicy(decision, type); }));
                     }),
                     this);
    g_signal_connect(view, "create",
                     G_CALLBACK(+[](WebKitWebView*, WebKitNavigationAction* action, gpointer d) {
                         return Guard("create", [&] { return Self(d)->OnCreate(action); });
                     }),
                     this);
    g_signal_connect(view, "permission-request",
                     G_CALLBACK(+[](WebKitWebView*, WebKitPermissionRequest* request, gpointer d) {
                         return static_cast<gboolean>(Guard(
                             "permission-request", [&] { return Self(d)->OnPermissionRequest(request); }));
                     }),
                     this);
    g_signal_connect(view, "script-dialog",
                     G_CALLBACK(+[](WebKitWebView*, WebKitScriptDialog* dialog, gpointer d) {
                         return static_cast<gboolean>(
                             Guard("script-dialog", [&] { return Self(d)->OnScriptDialog(dialog); }));
                     }),
                     this);
    g_signal_connect(view, "enter-fullscreen", G_CALLBACK(+[](WebKitWebView*, gpointer d) {
                         return static_cast<gboolean>(
                             Guard("enter-fullscreen", [&] { return Self(d)->OnFullscreen(true); }));
                     }),
                     this);
    g_signal_connect(view, "leave-fullscreen", G_CALLBACK(+[](WebKitWebView*, gpointer d) {
                         return static_cast<gboolean>(
                             Guard("leave-fullscreen", [&] { return Self(d)->OnFullscreen(false); }));
                     }),
                     this);
    g_signal_connect(view, "close", G_CALLBACK(+[](WebKitWebView*, gpointer d) {
                         Guard("close", [&] { Self(d)->OnCloseRequested(); });
                     }),
                     this);
    g_signal_connect(view, "focus-in-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer d) {
                         Guard("focus-in-event", [&] { Self(d)->OnFocusChanged(true); });
                         return FALSE;
                     }),
                     this);
    g_signal_connect(view, "focus-out-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer d) {
                         Guard("focus-out-event", [&] { Self(d)->OnFocusChanged(false); });
                         return FALSE;
                     }),
                     this);
    auto onKey = +[](GtkWidget*, GdkEventKey* event, gpointer d) {
        return static_cast<gboolean>(Guard("key event", [&] { return Self(d)->OnKey(event); }));
    };
    g_signal_connect(view, "key-press-event", G_CALLBACK(onKey), this);
    g_signal_connect(view, "key-release-event", G_CALLBACK(onKey), this);
    g_signal_connect(view, "scroll-event", G_CALLBACK(+[](GtkWidget*, GdkEventScroll* event, gpointer d) {
                         return static_cast<gboolean>(
                             Guard("scroll-event", [&] { return Self(d)->OnScroll(event); }));
                     }),
                     this);
    g_signal_connect(view, "mouse-target-changed",
                     G_CALLBACK(+[](WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer d) {
                         Guard("mouse-target-changed", [&] { Self(d)->OnMouseTargetChanged(hit); });
                     }),
                     this);
    g_signal_connect(
        view, "context-menu",
        G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer d) {
            return static_cast<gboolean>(Guard("context-menu", [&] { return Self(d)->OnContextMenu(); }));
        }),
        this);
    g_signal_connect(
        view, "user-message-received", G_CALLBACK(+[](WebKitWebView*, WebKitUserMessage* m, gpointer d) {
            return static_cast<gboolean>(Guard("user-message", [&] { return Self(d)->OnUserMessage(m); }));
        }),
        this);
    const std::string webSignal = std::string("script-message-received::") + WebMessageHandler;
    g_signal_connect(FContent.Get(), webSignal.c_str(),
                     G_CALLBACK(+[](WebKitUserContentManager*, WebKitJavascriptResult* r, gpointer d) {
                         Guard("web message", [&] { Self(d)->OnWebMessage(r); });
                     }),
                     this);
    const std::string engineSignal = std::string("script-message-received::") + EngineMessageHandler;
    g_signal_connect(FContent.Get(), engineSignal.c_str(),
                     G_CALLBACK(+[](WebKitUserContentManager*, WebKitJavascriptResult* r, gpointer d) {
                         Guard("engine message", [&] { Self(d)->OnEngineMessage(r); });
                     }),
                     this);
}

// ---- Navigation --------------------------------------------------------------------------
// WebView2 order: NavigationStarting, SourceChanged, ContentLoading, HistoryChanged, then
// (title) and NavigationCompleted. WebKit reports the same steps as load-changed, but some of
// its notifications come earlier than that order; those are held back until the commit.

void TBrowser::RaiseNavigationStarting(bool Redirected) {
    auto args = MakeCom<TNavigationStartingArgs>();
    // WebKit's own URI still names the old document when the page starts a navigation; the
    // policy decision just before knew the new one.
    args->Uri = !Redirected && !FPolicyUri.empty() ? FPolicyUri : CurrentSource();
    args->IsUserInitiated = FPolicyUserGesture;
    args->IsRedirected = Redirected;
    args->NavigationId = FNavigationId;
    FPolicyUri.clear();
    FNavigationStarting.Raise(Core(), args.Get());
    if (args->Cancel && Alive()) {
        FCancelled = true;
        webkit_web_view_stop_loading(View());
    }
}

void TBrowser::RaiseNavigationCompleted(bool Success, COREWEBVIEW2_WEB_ERROR_STATUS Status,
                                        UINT64 NavigationId) {
    auto args = MakeCom<TNavigationCompletedArgs>();
    args->IsSuccess = Success;
    args->WebErrorStatus = Status;
    args->NavigationId = NavigationId;
    FNavigationCompleted.Raise(Core(), args.Get());
}

void TBrowser::FinishNavigation() {
    // WebKit may report a document's title after the load has finished; the title is asked of
    // the document itself, so that DocumentTitleChanged comes before NavigationCompleted.
    struct TCall {
        ComPtr<TBrowser> Browser;
        UINT64 NavigationId;
    };
    auto call = std::make_unique<TCall>(TCall{this, FNavigationId});
    webkit_web_view_evaluate_javascript(
        View(), "document.title", -1, EngineWorld, nullptr, nullptr,
        [](GObject* Source, GAsyncResult* Result, gpointer Data) {
            const std::unique_ptr<TCall> done(static_cast<TCall*>(Data));
            JSCValue* value =
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(Source), Result, nullptr);
            TBrowser& browser = *done->Browser.Get();
            Guard("navigation completed", [&] {
                if (!browser.Alive()) {
                    return;
                }
                if (value != nullptr && jsc_value_is_string(value) &&
                    done->NavigationId == browser.FNavigationId) {
                    browser.FTitle = JsString(value);
                }
                browser.CheckTitle(true);
                if (browser.Alive()) {
                    browser.RaiseNavigationCompleted(true, COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN,
                                                     done->NavigationId);
                }
            });
            if (value != nullptr) {
                g_object_unref(value);
            }
        },
        call.release());
}

void TBrowser::CheckSource(bool NewDocument) {
    const std::string source = CurrentSource();
    if (source == FReportedSource) {
        return;
    }
    FReportedSource = source;
    auto args = MakeCom<TSourceChangedArgs>();
    args->IsNewDocument = NewDocument;
    FSourceChanged.Raise(Core(), args.Get());
}

void TBrowser::CheckTitle(bool Final) {
    const char* raw = webkit_web_view_get_title(View());
    if (raw != nullptr && *raw != '\0') {
        FTitle = raw;
    }
    // A document's title is empty until its <title> is read; the address stands in for a
    // missing title only once the document has loaded, so the title does not flicker.
    if (FTitle.empty() && !Final) {
        FTitlePending = true;
        return;
    }
    FTitlePending = false;
    const std::string title = EffectiveTitle();
    if (title == FReportedTitle) {
        return;
    }
    FReportedTitle = title;
    FDocumentTitleChanged.Raise(Core(), nullptr);
}

void TBrowser::RaiseHistoryIfPending() {
    if (FHistoryPending && Alive()) {
        FHistoryPending = false;
        FHistoryChanged.Raise(Core(), nullptr);
    }
}

void TBrowser::OnLoadChanged(WebKitLoadEvent Event) {
    const ComPtr<TBrowser> keep(this);
    switch (Event) {
    case WEBKIT_LOAD_STARTED:
        // NavigationStarting is raised here, not at the policy decision: WebKit asks for
        // decisions about sub-frames too and does not say which frame one is for, while a load
        // start is always the main frame's. Cancelling stops the load just begun.
        FProvisional = true;
        if (FErrorPageLoading) {
            return;
        }
        FFailed = false;
        FCancelled = false;
        FNavigationId = FNextNavigationId++;
        RaiseNavigationStarting(false);
        break;
    case WEBKIT_LOAD_REDIRECTED:
        if (!FErrorPageLoading) {
            RaiseNavigationStarting(true);
        }
        break;
    case WEBKIT_LOAD_COMMITTED:
        FProvisional = false;
        FTitle.clear(); // a new document
        if (FErrorPageLoading) {
            if (FErrorPageBuiltIn) {
                auto args = MakeCom<TContentLoadingArgs>();
                args->IsErrorPage = true;
                args->NavigationId = FNavigationId;
                FContentLoading.Raise(Core(), args.Get());
            }
        } else {
            CheckSource(true);
            auto args = MakeCom<TContentLoadingArgs>();
            args->NavigationId = FNavigationId;
            FContentLoading.Raise(Core(), args.Get());
        }
        RaiseHistoryIfPending();
        if (FTitlePending && Alive()) {
            CheckTitle(false);
        }
        break;
    case WEBKIT_LOAD_FINISHED:
        FProvisional = false;
        if (FFailed) {
            FFailed = false; // the end of a failed load, already reported
            return;
        }
        if (FErrorPageLoading) {
            FErrorPageLoading = false;
            CheckTitle(true);
            return;
        }
        if (FCreationHandler) {
            FReportedSource = CurrentSource();
            FReportedTitle = EffectiveTitle();
            CompleteCreation(S_OK);
            return;
        }
        FinishNavigation();
        break;
    }
}

bool TBrowser::OnLoadFailed(WebKitLoadEvent, const char* FailingUri, GError* Error) {
    const ComPtr<TBrowser> keep(this);
    FProvisional = false;
    FFailed = true;
    if (FErrorPageLoading) {
        FErrorPageLoading = false; // the error page itself failed: leave it
        return true;
    }
    if (FCreationHandler) {
        CompleteCreation(E_FAIL);
        return true;
    }
    const bool cancelled =
        FCancelled || ErrorStatusOf(Error) == COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED;
    const unsigned loads = FHostLoads;
    RaiseNavigationCompleted(
        false, cancelled ? COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED : ErrorStatusOf(Error),
        FNavigationId);
    CheckTitle(true);
    // A cancelled load leaves the page as it was; any other failure shows the error page,
    // unless the host already went elsewhere.
    if (!cancelled && Alive() && loads == FHostLoads) {
        const std::string uri = FailingUri != nullptr ? FailingUri : "";
        if (FSettings->BuiltInErrorPageEnabled) {
            ShowErrorPageLater(uri, LoadFailedPage(uri, Error != nullptr ? Error->message : ""), true);
        } else {
            // Without the built-in page the view is left empty.
            ShowErrorPageLater(uri, "", false);
        }
    }
    return true; // WebKit's own error page never shows
}

void TBrowser::ShowErrorPageLater(const std::string& FailingUri, std::string Html, bool BuiltIn) {
    // After WebKit has finished with the failed load (its FINISHED follows load-failed).
    struct TLater {
        ComPtr<TBrowser> Browser;
        std::string Uri;
        std::string Html;
        bool BuiltIn;
        unsigned Loads;
    };
    auto later = std::make_unique<TLater>(TLater{this, FailingUri, std::move(Html), BuiltIn, FHostLoads});
    g_idle_add(
        [](gpointer Data) -> gboolean {
            const std::unique_ptr<TLater> call(static_cast<TLater*>(Data));
            TBrowser& browser = *call->Browser.Get();
            if (browser.Alive() && browser.FHostLoads == call->Loads && !browser.FProvisional) {
                Guard("error page", [&] {
                    browser.FErrorPageBuiltIn = call->BuiltIn;
                    browser.ShowErrorPage(call->Uri, call->Html);
                });
            }
            return G_SOURCE_REMOVE;
        },
        later.release());
}

void TBrowser::OnUriChanged() {
    // During a load the new URI is reported at the commit; outside one it is a navigation
    // inside the document (a fragment, history.pushState).
    if (FInHostLoad || FProvisional || FErrorPageLoading || FCreationHandler) {
        return;
    }
    const ComPtr<TBrowser> keep(this);
    FPolicyUri.clear();
    CheckSource(false);
    RaiseHistoryIfPending();
}

void TBrowser::OnHistoryChanged() {
    FHistoryPending = true;
    if (FInHostLoad || FProvisional || FCreationHandler) {
        return; // raised after ContentLoading
    }
    // A navigation inside the document: its URI change follows and raises this after
    // SourceChanged; a history entry without a new URI (pushState of the same address) goes out
    // on its own a moment later.
    g_timeout_add(
        100,
        [](gpointer Data) -> gboolean {
            ComPtr<TBrowser> browser;
            browser.Attach(static_cast<TBrowser*>(Data));
            Guard("history", [&] { browser->RaiseHistoryIfPending(); });
            return G_SOURCE_REMOVE;
        },
        ComPtr<TBrowser>(this).Detach());
}

void TBrowser::OnTitleChanged() {
    if (FCreationHandler) {
        return;
    }
    if (FProvisional) {
        FTitlePending = true;
        return;
    }
    const ComPtr<TBrowser> keep(this);
    if (!webkit_web_view_is_loading(View())) {
        // A title the page sets (or clears) once it has loaded.
        const char* raw = webkit_web_view_get_title(View());
        FTitle = raw != nullptr ? raw : "";
        CheckTitle(true);
    } else {
        CheckTitle(false);
    }
}

void TBrowser::OnWebProcessTerminated(WebKitWebProcessTerminationReason Reason) {
    const ComPtr<TBrowser> keep(this);
    FProcessId = 0;
    FProvisional = false;
    FErrorPageLoading = false;
    if (FCreationHandler) {
        CompleteCreation(E_FAIL);
        return;
    }
    const std::string uri = webkit_web_view_get_uri(View()) != nullptr ? webkit_web_view_get_uri(View()) : "";
    const unsigned loads = FHostLoads;
    auto args = MakeCom<TProcessFailedArgs>();
    args->Kind = Reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API
                     ? COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED
                     : COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED;
    FProcessFailed.Raise(Core(), args.Get());
    // The page is gone: show why, with a link to load it again, unless the host already did
    // something about it. It never reloads by itself.
    if (Alive() && loads == FHostLoads && Reason != WEBKIT_WEB_PROCESS_TERMINATED_BY_API) {
        FErrorPageBuiltIn = true;
        ShowErrorPage(uri, ProcessFailedPage(uri));
    }
}

bool TBrowser::OnDecidePolicy(WebKitPolicyDecision* Decision, WebKitPolicyDecisionType Type) {
    if (Type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
        return false;
    }
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(Decision));
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const std::string target = uri != nullptr ? uri : "";
    const std::string mapped = MapToEngineUri(target);
    if (mapped != target) {
        // file:///P is served as vtr-file:///P.
        webkit_policy_decision_ignore(Decision);
        const ComPtr<TBrowser> keep(this);
        LoadEngineUri(mapped);
        return true;
    }
    FPolicyUri = MapToHostUri(target);
    FPolicyUserGesture = webkit_navigation_action_is_user_gesture(action) != FALSE;
    return false;
}

GtkWidget* TBrowser::OnCreate(WebKitNavigationAction* Action) {
    const ComPtr<TBrowser> keep(this);
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(Action));
    auto args = MakeCom<TNewWindowRequestedArgs>();
    args->Uri = MapToHostUri(uri != nullptr ? uri : "");
    args->IsUserInitiated = webkit_navigation_action_is_user_gesture(Action) != FALSE;
    FNewWindowRequested.Raise(Core(), args.Get());
    if (!args->Handled && Alive() && uri != nullptr && *uri != '\0') {
        // What a browser does with a window the host left alone, without the host's bridge.
        OpenWebWindow(FEnvironment->Context(), uri);
    }
    return nullptr;
}

bool TBrowser::OnPermissionRequest(WebKitPermissionRequest* Request) {
    const ComPtr<TBrowser> keep(this);
    auto args = MakeCom<TPermissionRequestedArgs>();
    args->Uri = CurrentSource();
    args->Kind = PermissionKindOf(Request);
    FPermissionRequested.Raise(Core(), args.Get());
    switch (args->State) {
    case COREWEBVIEW2_PERMISSION_STATE_ALLOW:
        webkit_permission_request_allow(Request);
        return true;
    case COREWEBVIEW2_PERMISSION_STATE_DENY:
        webkit_permission_request_deny(Request);
        return true;
    default:
        return false; // WebKit's own answer
    }
}

bool TBrowser::OnScriptDialog(WebKitScriptDialog* Dialog) {
    if (FSettings->DefaultScriptDialogsEnabled) {
        return false; // WebKit shows its own dialog
    }
    const ComPtr<TBrowser> keep(this);
    auto args = MakeCom<TScriptDialogOpeningArgs>();
    args->Uri = CurrentSource();
    const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(Dialog);
    switch (type) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
        args->Kind = COREWEBVIEW2_SCRIPT_DIALOG_KIND_CONFIRM;
        break;
    case WEBKIT_SCRIPT_DIALOG_PROMPT:
        args->Kind = COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT;
        args->DefaultText = webkit_script_dialog_prompt_get_default_text(Dialog);
        args->ResultText = args->DefaultText;
        break;
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
        args->Kind = COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD;
        break;
    default:
        args->Kind = COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT;
        break;
    }
    const char* message = webkit_script_dialog_get_message(Dialog);
    args->Message = message != nullptr ? message : "";
    FScriptDialogOpening.Raise(Core(), args.Get());
    if (type == WEBKIT_SCRIPT_DIALOG_CONFIRM || type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) {
        webkit_script_dialog_confirm_set_confirmed(Dialog, args->Accepted);
    } else if (type == WEBKIT_SCRIPT_DIALOG_PROMPT && args->Accepted) {
        webkit_script_dialog_prompt_set_text(Dialog, args->ResultText.c_str());
    }
    return true;
}

bool TBrowser::OnFullscreen(bool Enter) {
    const ComPtr<TBrowser> keep(this);
    FContainsFullScreenElement = Enter;
    FContainsFullScreenElementChanged.Raise(Core(), nullptr);
    return true; // the host decides what its window does
}

void TBrowser::OnCloseRequested() {
    const ComPtr<TBrowser> keep(this);
    FWindowCloseRequested.Raise(Core(), nullptr);
}

void TBrowser::OnZoomChanged() {
    const ComPtr<TBrowser> keep(this);
    FZoomFactorChanged.Raise(Controller(), nullptr);
}

void TBrowser::OnFocusChanged(bool In) {
    const ComPtr<TBrowser> keep(this);
    (In ? FGotFocus : FLostFocus).Raise(Controller(), nullptr);
}

bool TBrowser::OnKey(GdkEventKey* Event) {
    const ComPtr<TBrowser> keep(this);
    const bool press = Event->type == GDK_KEY_PRESS;
    if (IsAcceleratorKey(Event) && !FAcceleratorKeyPressed.Empty()) {
        auto args = MakeCom<TAcceleratorKeyPressedArgs>();
        const bool system = (Event->state & GDK_MOD1_MASK) != 0 && (Event->state & GDK_CONTROL_MASK) == 0;
        args->Kind =
            system ? (press ? COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN
                            : COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP)
                   : (press ? COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN : COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP);
        args->VirtualKey = VirtualKeyOf(Event);
        args->LParam = KeyLParamOf(Event);
        FAcceleratorKeyPressed.Raise(Controller(), args.Get());
        if (args->Handled) {
            return true;
        }
    }
    // Zoom control: Ctrl+plus, Ctrl+minus and Ctrl+0, when the setting allows it.
    if (press && Alive() && FSettings->ZoomControlEnabled && (Event->state & GDK_CONTROL_MASK) != 0 &&
        (Event->state & GDK_MOD1_MASK) == 0) {
        switch (Event->keyval) {
        case GDK_KEY_plus:
        case GDK_KEY_equal:
        case GDK_KEY_KP_Add:
            return StepZoom(1);
        case GDK_KEY_minus:
        case GDK_KEY_KP_Subtract:
            return StepZoom(-1);
        case GDK_KEY_0:
        case GDK_KEY_KP_0:
            return StepZoom(0);
        default:
            break;
        }
    }
    return false;
}

bool TBrowser::OnScroll(GdkEventScroll* Event) {
    // Zoom control: Ctrl+wheel, when the setting allows it.
    if (!Alive() || !FSettings->ZoomControlEnabled || (Event->state & GDK_CONTROL_MASK) == 0) {
        return false;
    }
    double dy = 0;
    if (Event->direction == GDK_SCROLL_UP) {
        dy = -1;
    } else if (Event->direction == GDK_SCROLL_DOWN) {
        dy = 1;
    } else if (Event->direction == GDK_SCROLL_SMOOTH) {
        dy = Event->delta_y;
    }
    if (dy == 0) {
        return false;
    }
    const ComPtr<TBrowser> keep(this);
    return StepZoom(dy < 0 ? 1 : -1);
}

void TBrowser::OnMouseTargetChanged(WebKitHitTestResult* Hit) {
    // The status bar: the address of the link under the mouse, over the page's lower corner.
    std::string text;
    if (FSettings->StatusBarEnabled && webkit_hit_test_result_context_is_link(Hit)) {
        const char* uri = webkit_hit_test_result_get_link_uri(Hit);
        text = MapToHostUri(uri != nullptr ? uri : "");
    }
    UpdateStatusBar(text);
}

void TBrowser::UpdateStatusBar(const std::string& Text) {
    if (FStatusLabel == nullptr) {
        return;
    }
    gtk_label_set_text(GTK_LABEL(FStatusLabel), Text.c_str());
    gtk_widget_set_visible(FStatusLabel, !Text.empty());
}

bool TBrowser::OnContextMenu() {
    return !FSettings->DefaultContextMenusEnabled;
}

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
    const ComPtr<TBrowser> keep(this);
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
    const ComPtr<TBrowser> keep(this);
    JSCValue* message = webkit_javascript_result_get_js_value(Result);
    const std::string kind = JsProperty(message, "kind");
    if (kind == "frame-started") {
        // WebKit has no signal for sub-frame navigations: the frame's document reports itself
        // when it starts (too late to cancel) and when it has loaded.
        const UINT64 id = FNextNavigationId++;
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
