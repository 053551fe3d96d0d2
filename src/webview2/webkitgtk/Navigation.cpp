#include "webview2/webkitgtk/Engine.h"
#include "webview2/webkitgtk/ErrorPages.h"
#include "webview2/webkitgtk/JsValues.h"

#include "base/glib/GuiPost.h"
#include "webview2/UriMapping.h"

// WebKit's navigation signals fed into the navigation sequence, and the events and work the
// sequence hands back.

namespace WebView2::WebKitGtk {

namespace {

using Base::GLib::PostToGuiThread;
using Base::GLib::PostToGuiThreadAfter;

// How long a history entry without a new address (pushState of the same address) waits for the
// address change that usually follows it.
constexpr unsigned HistoryWaitMs = 100;

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

} // namespace

// ---- WebKit's signals -------------------------------------------------------------------------

void TBrowser::OnLoadChanged(WebKitLoadEvent Event) {
    switch (Event) {
    case WEBKIT_LOAD_STARTED:
        // NavigationStarting is raised here, not at the policy decision: WebKit asks for
        // decisions about sub-frames too and does not say which frame one is for, while a load
        // start is always the main frame's. Cancelling stops the load just begun.
        FNavigation.Started();
        break;
    case WEBKIT_LOAD_REDIRECTED:
        FNavigation.Redirected();
        break;
    case WEBKIT_LOAD_COMMITTED:
        FNavigation.Committed();
        break;
    case WEBKIT_LOAD_FINISHED:
        FNavigation.Finished();
        break;
    }
}

bool TBrowser::OnLoadFailed(const char* FailingUri, GError* Error) {
    FNavigation.Failed(ErrorStatusOf(Error), FailingUri != nullptr ? FailingUri : "",
                       Error != nullptr ? Error->message : "");
    return true; // WebKit's own error page never shows
}

void TBrowser::OnWebProcessTerminated(WebKitWebProcessTerminationReason Reason) {
    FProcessId = 0;
    const char* uri = webkit_web_view_get_uri(View());
    FNavigation.ProcessGone(uri != nullptr ? uri : "", Reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API);
}

bool TBrowser::OnDecidePolicy(WebKitPolicyDecision* Decision, WebKitPolicyDecisionType Type) {
    if (Type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        return OnResponseDecision(WEBKIT_RESPONSE_POLICY_DECISION(Decision));
    }
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
        LoadEngineUri(mapped);
        return true;
    }
    FNavigation.NavigationDecided(MapToHostUri(target),
                                  webkit_navigation_action_is_user_gesture(action) != FALSE);
    return false;
}

// ---- The sequence's engine ----------------------------------------------------------------------

std::string TBrowser::EngineTitle() const {
    const char* title = FView ? webkit_web_view_get_title(View()) : nullptr;
    return title != nullptr ? title : "";
}

bool TBrowser::IsLoading() const {
    return FView && webkit_web_view_is_loading(View()) != FALSE;
}

bool TBrowser::BuiltInErrorPageEnabled() const {
    return FSettings->BuiltInErrorPageEnabled;
}

bool TBrowser::RaiseNavigationStarting(const TNavigationStart& Start) {
    auto args = MakeCom<TNavigationStartingArgs>();
    args->Uri = Start.Uri;
    args->IsUserInitiated = Start.IsUserInitiated;
    args->IsRedirected = Start.IsRedirected;
    args->NavigationId = Start.NavigationId;
    FNavigationStarting.Raise(Core(), args.Get());
    return args->Cancel;
}

void TBrowser::RaiseSourceChanged(bool IsNewDocument) {
    auto args = MakeCom<TSourceChangedArgs>();
    args->IsNewDocument = IsNewDocument;
    FSourceChanged.Raise(Core(), args.Get());
}

void TBrowser::RaiseContentLoading(bool IsErrorPage, UINT64 NavigationId) {
    auto args = MakeCom<TContentLoadingArgs>();
    args->IsErrorPage = IsErrorPage;
    args->NavigationId = NavigationId;
    FContentLoading.Raise(Core(), args.Get());
}

void TBrowser::RaiseHistoryChanged() {
    FHistoryChanged.Raise(Core(), nullptr);
}

void TBrowser::RaiseDocumentTitleChanged() {
    FDocumentTitleChanged.Raise(Core(), nullptr);
}

void TBrowser::RaiseNavigationCompleted(bool IsSuccess, COREWEBVIEW2_WEB_ERROR_STATUS Status,
                                        UINT64 NavigationId) {
    auto args = MakeCom<TNavigationCompletedArgs>();
    args->IsSuccess = IsSuccess;
    args->WebErrorStatus = Status;
    args->NavigationId = NavigationId;
    FNavigationCompleted.Raise(Core(), args.Get());
}

void TBrowser::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND Kind) {
    auto args = MakeCom<TProcessFailedArgs>();
    args->Kind = Kind;
    FProcessFailed.Raise(Core(), args.Get());
}

void TBrowser::StopLoading() {
    webkit_web_view_stop_loading(View());
}

void TBrowser::ReadDocumentTitle(UINT64 NavigationId) {
    struct TCall {
        ComPtr<TBrowser> Browser;
        UINT64 NavigationId;
    };
    auto call = std::make_unique<TCall>(TCall{this, NavigationId});
    webkit_web_view_evaluate_javascript(
        View(), "document.title", -1, EngineWorld, nullptr, nullptr,
        [](GObject* Source, GAsyncResult* Result, gpointer Data) {
            const std::unique_ptr<TCall> done(static_cast<TCall*>(Data));
            const auto value = TGObjectPtr<JSCValue>::Adopt(
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(Source), Result, nullptr));
            try {
                done->Browser->FNavigation.DocumentTitleRead(done->NavigationId, JsText(value.Get()));
            } catch (...) {
                ReportBoundaryException("navigation completed");
            }
        },
        call.release());
}

void TBrowser::CheckHistoryLater() {
    PostToGuiThreadAfter(HistoryWaitMs,
                         [browser = ComPtr<TBrowser>(this)] { browser->FNavigation.HistoryDue(); });
}

void TBrowser::ShowErrorPageLater(TErrorPage Page) {
    // After WebKit has finished with the failed load (its FINISHED follows load-failed).
    PostToGuiThread([browser = ComPtr<TBrowser>(this), page = std::move(Page)] {
        browser->FNavigation.ErrorPageDue(page);
    });
}

void TBrowser::LoadErrorPage(const TErrorPage& Page) {
    std::string html;
    if (Page.Kind == TErrorPage::ProcessFailed) {
        html = ProcessFailedPage(Page.Uri);
    } else if (Page.Announced) {
        html = LoadFailedPage(Page.Uri, Page.Reason);
    } // else: without the built-in page the view is left empty
    // Based at the failed address: the file scheme is display-isolated, and only a document of
    // its own may follow the reload link.
    webkit_web_view_load_alternate_html(View(), html.c_str(), Page.Uri.c_str(), Page.Uri.c_str());
}

} // namespace WebView2::WebKitGtk
