#include "webview2/webkitgtk/DocumentScripts.h"
#include "webview2/webkitgtk/Downloads.h"
#include "webview2/webkitgtk/Engine.h"
#include "webview2/webkitgtk/FileAddresses.h"
#include "webview2/webkitgtk/MediaServer.h"
#include "webview2/webkitgtk/PagePermissions.h"

#include "webview2/UriMapping.h"

#include <algorithm>
#include <array>
#include <cmath>

// The browser's life and the controller's side: creation in the host's container, bounds,
// visibility, zoom, focus and closing.

namespace WebView2::WebKitGtk {

namespace {

GQuark BrowserQuark() {
    static const GQuark quark = g_quark_from_static_string("vtr-browser");
    return quark;
}

const HRESULT ClosedError = HResultFromWin32(ERROR_INVALID_STATE);

// The zoom steps of the keyboard and the mouse wheel.
constexpr std::array<double, 17> ZoomSteps = {0.25, 0.33, 0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                              1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 4.0, 5.0};
constexpr double MinZoom = 0.25;
constexpr double MaxZoom = 5.0;

void AddStatusStyle(GtkWidget* Label) {
    static GtkCssProvider* provider = [] {
        GtkCssProvider* css = gtk_css_provider_new();
        gtk_css_provider_load_from_data(
            css,
            ".vtr-status { background-color: #f3f3f3; color: #222; padding: 2px 6px; "
            "border: 1px solid #c8c8c8; font-size: smaller; }",
            -1, nullptr);
        return css;
    }();
    GtkStyleContext* style = gtk_widget_get_style_context(Label);
    gtk_style_context_add_provider(style, GTK_STYLE_PROVIDER(provider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    gtk_style_context_add_class(style, "vtr-status");
}

} // namespace

TBrowser::TBrowser(TEnvironment* Environment, GtkWidget* Parent)
    : FEnvironment(Environment), FParent(Parent) {
    g_object_add_weak_pointer(G_OBJECT(FParent), reinterpret_cast<gpointer*>(&FParent));

    const auto settings = TGObjectPtr<WebKitSettings>::Adopt(webkit_settings_new());
    webkit_settings_set_enable_developer_extras(settings.Get(), TRUE);
    // The host decides about every new window; WebKit must not drop script-opened ones first.
    webkit_settings_set_javascript_can_open_windows_automatically(settings.Get(), TRUE);
    FSettings = MakeCom<TSettings>(settings.Get());

    FContent = TGObjectPtr<WebKitUserContentManager>::Adopt(webkit_user_content_manager_new());
    webkit_user_content_manager_register_script_message_handler_in_world(FContent.Get(), WebMessageHandler,
                                                                         EngineWorld);
    webkit_user_content_manager_register_script_message_handler_in_world(FContent.Get(), EngineMessageHandler,
                                                                         EngineWorld);
    const TUserScript engineScript(webkit_user_script_new_for_world(
        EngineWorldScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
        EngineWorld, nullptr, nullptr));
    webkit_user_content_manager_add_script(FContent.Get(), engineScript.get());
    const TUserScript pageScript(
        webkit_user_script_new(PageWorldScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr));
    webkit_user_content_manager_add_script(FContent.Get(), pageScript.get());
    const TUserScript permissionEngineScript(webkit_user_script_new_for_world(
        PermissionEngineScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, EngineWorld, nullptr, nullptr));
    webkit_user_content_manager_add_script(FContent.Get(), permissionEngineScript.get());
    const TUserScript downloadScript(webkit_user_script_new_for_world(
        DownloadLinkScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, EngineWorld, nullptr, nullptr));
    webkit_user_content_manager_add_script(FContent.Get(), downloadScript.get());
    const TUserScript permissionPageScript(
        webkit_user_script_new(PermissionPageScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr));
    webkit_user_content_manager_add_script(FContent.Get(), permissionPageScript.get());
    const TUserScript fileScript(
        webkit_user_script_new(FileAddressScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr));
    webkit_user_content_manager_add_script(FContent.Get(), fileScript.get());

    FView = TGObjectPtr<WebKitWebView>::Adopt(WEBKIT_WEB_VIEW(
        g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", Environment->Context(), "user-content-manager",
                     FContent.Get(), "settings", settings.Get(), nullptr)));
    g_object_set_qdata(G_OBJECT(FView.Get()), BrowserQuark(), this);
    RegisterMediaPage(webkit_web_view_get_page_id(FView.Get()), this);

    // The overlay carries the status bar above the page.
    FHost = TGObjectPtr<GtkWidget>::Adopt(gtk_overlay_new());
    gtk_container_add(GTK_CONTAINER(FHost.Get()), GTK_WIDGET(FView.Get()));
    FStatusLabel = gtk_label_new("");
    gtk_label_set_ellipsize(GTK_LABEL(FStatusLabel), PANGO_ELLIPSIZE_MIDDLE);
    gtk_widget_set_halign(FStatusLabel, GTK_ALIGN_START);
    gtk_widget_set_valign(FStatusLabel, GTK_ALIGN_END);
    AddStatusStyle(FStatusLabel);
    gtk_overlay_add_overlay(GTK_OVERLAY(FHost.Get()), FStatusLabel);
    gtk_overlay_set_overlay_pass_through(GTK_OVERLAY(FHost.Get()), FStatusLabel, TRUE);
    gtk_widget_show(GTK_WIDGET(FView.Get()));
    gtk_widget_show(FHost.Get());

    GtkAllocation parentArea{};
    gtk_widget_get_allocation(Parent, &parentArea);
    FBounds = {0, 0, std::max(parentArea.width, 1), std::max(parentArea.height, 1)};
    if (GTK_IS_LAYOUT(Parent)) {
        gtk_layout_put(GTK_LAYOUT(Parent), FHost.Get(), 0, 0);
    } else {
        gtk_container_add(GTK_CONTAINER(Parent), FHost.Get());
    }
    ApplyBounds();
}

TBrowser::~TBrowser() {
    if (!FClosed) {
        Detach();
    }
}

HRESULT TBrowser::Create(TEnvironment* Environment, GtkWidget* Parent,
                         ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* Handler) {
    ComPtr<TBrowser> browser;
    browser.Attach(new TBrowser(Environment, Parent));
    browser->FCreationHandler = Handler;
    browser->ConnectSignals();
    // The browser is ready once its web process runs and shows about:blank, as a new WebView
    // does; until then the pending handler keeps it alive.
    browser->FSelf = browser;
    browser->FNavigation.InitialLoad([&] { webkit_web_view_load_uri(browser->View(), "about:blank"); });
    return S_OK;
}

void TBrowser::CompleteCreation(HRESULT Result) {
    const ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> handler =
        std::move(FCreationHandler);
    const ComPtr<TBrowser> self = std::move(FSelf);
    if (!handler) {
        return;
    }
    if (Failed(Result)) {
        Close();
    }
    try {
        handler->Invoke(Result, Succeeded(Result) ? Controller() : nullptr);
    } catch (...) {
        ReportBoundaryException("controller creation");
    }
}

TBrowser* TBrowser::FromView(WebKitWebView* View) {
    return static_cast<TBrowser*>(g_object_get_qdata(G_OBJECT(View), BrowserQuark()));
}

void TBrowser::OnHostDestroyed(GtkWidget* Widget) {
    // The parent is going and takes its children with it. The view stays ours until Close:
    // take it out first, so that it is not destroyed under the host's feet.
    if (FView && gtk_widget_get_parent(GTK_WIDGET(FView.Get())) == Widget) {
        gtk_container_remove(GTK_CONTAINER(Widget), GTK_WIDGET(FView.Get()));
    }
    FStatusLabel = nullptr;
    FHost.Reset();
}

void TBrowser::Detach() {
    // Also runs from the destructor: no reference may be taken on this here.
    FSignals.DisconnectAll();
    if (FView) {
        UnregisterMediaPage(webkit_web_view_get_page_id(FView.Get()));
        g_object_set_qdata(G_OBJECT(FView.Get()), BrowserQuark(), nullptr);
        webkit_web_view_terminate_web_process(FView.Get());
    }
    if (FContent) {
        webkit_user_content_manager_unregister_script_message_handler_in_world(
            FContent.Get(), WebMessageHandler, EngineWorld);
        webkit_user_content_manager_unregister_script_message_handler_in_world(
            FContent.Get(), EngineMessageHandler, EngineWorld);
    }
    if (FHost) {
        gtk_widget_destroy(FHost.Get());
    } else if (FView) {
        gtk_widget_destroy(GTK_WIDGET(FView.Get()));
    }
    FStatusLabel = nullptr;
    FHost.Reset();
    FView.Reset();
    if (FParent != nullptr) {
        g_object_remove_weak_pointer(G_OBJECT(FParent), reinterpret_cast<gpointer*>(&FParent));
        FParent = nullptr;
    }
    FNavigationStarting.Clear();
    FContentLoading.Clear();
    FSourceChanged.Clear();
    FHistoryChanged.Clear();
    FNavigationCompleted.Clear();
    FFrameNavigationStarting.Clear();
    FFrameNavigationCompleted.Clear();
    FScriptDialogOpening.Clear();
    FPermissionRequested.Clear();
    FProcessFailed.Clear();
    FWebMessageReceived.Clear();
    FNewWindowRequested.Clear();
    FDocumentTitleChanged.Clear();
    FContainsFullScreenElementChanged.Clear();
    FWebResourceRequested.Clear();
    FWindowCloseRequested.Clear();
    FZoomFactorChanged.Clear();
    FMoveFocusRequested.Clear();
    FGotFocus.Clear();
    FLostFocus.Clear();
    FAcceleratorKeyPressed.Clear();
}

HRESULT TBrowser::Close() {
    if (FClosed) {
        return S_OK;
    }
    const ComPtr<TBrowser> keep(this); // the handlers released below may hold the last outside reference
    FClosed = true;
    FPendingMessages.clear();
    Detach();
    if (FCreationHandler) {
        CompleteCreation(E_ABORT);
    }
    return S_OK;
}

void TBrowser::ApplyBounds() {
    if (!FHost || FParent == nullptr) {
        return;
    }
    const int width = std::max(FBounds.right - FBounds.left, 0);
    const int height = std::max(FBounds.bottom - FBounds.top, 0);
    gtk_widget_set_size_request(FHost.Get(), width, height);
    if (GTK_IS_LAYOUT(FParent) && gtk_widget_get_parent(FHost.Get()) == FParent) {
        gtk_layout_move(GTK_LAYOUT(FParent), FHost.Get(), FBounds.left, FBounds.top);
    }
}

HRESULT TBrowser::get_IsVisible(BOOL* isVisible) {
    return OutValue<BOOL>(FVisible ? 1 : 0, isVisible);
}

HRESULT TBrowser::put_IsVisible(BOOL isVisible) {
    if (FClosed) {
        return ClosedError;
    }
    FVisible = isVisible != 0;
    if (FHost) {
        gtk_widget_set_visible(FHost.Get(), FVisible);
    }
    return S_OK;
}

HRESULT TBrowser::get_Bounds(RECT* bounds) {
    return OutValue(FBounds, bounds);
}

HRESULT TBrowser::put_Bounds(RECT bounds) {
    if (FClosed) {
        return ClosedError;
    }
    FBounds = bounds;
    ApplyBounds();
    return S_OK;
}

HRESULT TBrowser::get_ZoomFactor(double* zoomFactor) {
    if (FClosed) {
        return ClosedError;
    }
    return OutValue(webkit_web_view_get_zoom_level(View()), zoomFactor);
}

HRESULT TBrowser::put_ZoomFactor(double zoomFactor) {
    if (FClosed) {
        return ClosedError;
    }
    if (!(zoomFactor > 0) || !std::isfinite(zoomFactor)) {
        return E_INVALIDARG;
    }
    SetZoomLevel(zoomFactor);
    return S_OK;
}

void TBrowser::SetZoomLevel(double Level) {
    webkit_web_view_set_zoom_level(View(), std::clamp(Level, MinZoom, MaxZoom));
}

bool TBrowser::StepZoom(int Direction) {
    const double current = webkit_web_view_get_zoom_level(View());
    double next = current;
    if (Direction == 0) {
        next = 1.0;
    } else if (Direction > 0) {
        const auto it =
            std::find_if(ZoomSteps.begin(), ZoomSteps.end(), [&](double s) { return s > current + 1e-6; });
        next = it != ZoomSteps.end() ? *it : MaxZoom;
    } else {
        const auto it =
            std::find_if(ZoomSteps.rbegin(), ZoomSteps.rend(), [&](double s) { return s < current - 1e-6; });
        next = it != ZoomSteps.rend() ? *it : MinZoom;
    }
    SetZoomLevel(next);
    return true;
}

HRESULT TBrowser::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    if (FClosed) {
        return ClosedError;
    }
    if (reason > COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS) {
        return E_INVALIDARG;
    }
    gtk_widget_grab_focus(GTK_WIDGET(View()));
    if (reason != COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC) {
        EvaluateInEngineWorld(reason == COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT
                                  ? "window.__vtrFocusEdge(true);"
                                  : "window.__vtrFocusEdge(false);");
    }
    return S_OK;
}

HRESULT TBrowser::get_CoreWebView2(ICoreWebView2** coreWebView2) {
    if (coreWebView2 == nullptr) {
        return E_POINTER;
    }
    if (FClosed) {
        *coreWebView2 = nullptr;
        return ClosedError;
    }
    *coreWebView2 = Core();
    AddRef();
    return S_OK;
}

HRESULT TBrowser::get_Settings(ICoreWebView2Settings** settings) {
    if (settings == nullptr) {
        return E_POINTER;
    }
    *settings = FSettings.CopyOut();
    return S_OK;
}

std::string TBrowser::CurrentSource() const {
    const char* uri = FView ? webkit_web_view_get_uri(FView.Get()) : nullptr;
    return MapToHostUri(uri != nullptr ? uri : "about:blank");
}

HRESULT TBrowser::get_Source(LPSTR* uri) {
    if (FClosed) {
        return ClosedError;
    }
    return OutString(CurrentSource(), uri);
}

HRESULT TBrowser::get_DocumentTitle(LPSTR* title) {
    if (FClosed) {
        return ClosedError;
    }
    return OutString(FNavigation.DocumentTitle(), title);
}

HRESULT TBrowser::get_BrowserProcessId(UINT32* value) {
    if (FClosed) {
        return ClosedError;
    }
    return OutValue(FProcessId, value);
}

HRESULT TBrowser::get_CanGoBack(BOOL* canGoBack) {
    if (FClosed) {
        return ClosedError;
    }
    return OutValue<BOOL>(webkit_web_view_can_go_back(View()) ? 1 : 0, canGoBack);
}

HRESULT TBrowser::get_CanGoForward(BOOL* canGoForward) {
    if (FClosed) {
        return ClosedError;
    }
    return OutValue<BOOL>(webkit_web_view_can_go_forward(View()) ? 1 : 0, canGoForward);
}

HRESULT TBrowser::get_ContainsFullScreenElement(BOOL* containsFullScreenElement) {
    if (FClosed) {
        return ClosedError;
    }
    return OutValue<BOOL>(FContainsFullScreenElement ? 1 : 0, containsFullScreenElement);
}

HRESULT TBrowser::GetDevToolsProtocolEventReceiver(LPCSTR,
                                                   ICoreWebView2DevToolsProtocolEventReceiver** receiver) {
    // WebKitGTK has no DevTools protocol.
    if (receiver != nullptr) {
        *receiver = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT TBrowser::CallDevToolsProtocolMethod(LPCSTR, LPCSTR,
                                             ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*) {
    return E_NOTIMPL;
}

HRESULT TBrowser::OpenDevToolsWindow() {
    if (FClosed) {
        return ClosedError;
    }
    BOOL enabled = 0;
    FSettings->get_AreDevToolsEnabled(&enabled);
    if (enabled == 0) {
        return S_OK;
    }
    webkit_web_inspector_show(webkit_web_view_get_inspector(View()));
    return S_OK;
}

HRESULT TBrowser::AddWebResourceRequestedFilter(LPCSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    if (FClosed) {
        return ClosedError;
    }
    if (uri == nullptr) {
        return E_POINTER;
    }
    FFilters.push_back({uri, context});
    return S_OK;
}

HRESULT TBrowser::RemoveWebResourceRequestedFilter(LPCSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    if (FClosed) {
        return ClosedError;
    }
    if (uri == nullptr) {
        return E_POINTER;
    }
    const auto it = std::find_if(FFilters.begin(), FFilters.end(),
                                 [&](const TFilter& f) { return f.Pattern == uri && f.Context == context; });
    if (it == FFilters.end()) {
        return E_INVALIDARG;
    }
    FFilters.erase(it);
    return S_OK;
}

// add_/remove_ pairs: adding needs a live browser; removing always succeeds, so that a host can
// unsubscribe in any order around Close.
#define VTR_BROWSER_EVENT(Name, Source, Handler)                                                             \
    HRESULT TBrowser::add_##Name(Handler* handler, EventRegistrationToken* token) {                          \
        return FClosed ? ClosedError : Source.Add(handler, token);                                           \
    }                                                                                                        \
    HRESULT TBrowser::remove_##Name(EventRegistrationToken token) {                                          \
        return Source.Remove(token);                                                                         \
    }

VTR_BROWSER_EVENT(NavigationStarting, FNavigationStarting, ICoreWebView2NavigationStartingEventHandler)
VTR_BROWSER_EVENT(ContentLoading, FContentLoading, ICoreWebView2ContentLoadingEventHandler)
VTR_BROWSER_EVENT(SourceChanged, FSourceChanged, ICoreWebView2SourceChangedEventHandler)
VTR_BROWSER_EVENT(HistoryChanged, FHistoryChanged, ICoreWebView2HistoryChangedEventHandler)
VTR_BROWSER_EVENT(NavigationCompleted, FNavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
VTR_BROWSER_EVENT(FrameNavigationStarting, FFrameNavigationStarting,
                  ICoreWebView2NavigationStartingEventHandler)
VTR_BROWSER_EVENT(FrameNavigationCompleted, FFrameNavigationCompleted,
                  ICoreWebView2NavigationCompletedEventHandler)
VTR_BROWSER_EVENT(ScriptDialogOpening, FScriptDialogOpening, ICoreWebView2ScriptDialogOpeningEventHandler)
VTR_BROWSER_EVENT(PermissionRequested, FPermissionRequested, ICoreWebView2PermissionRequestedEventHandler)
VTR_BROWSER_EVENT(ProcessFailed, FProcessFailed, ICoreWebView2ProcessFailedEventHandler)
VTR_BROWSER_EVENT(WebMessageReceived, FWebMessageReceived, ICoreWebView2WebMessageReceivedEventHandler)
VTR_BROWSER_EVENT(NewWindowRequested, FNewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler)
VTR_BROWSER_EVENT(DocumentTitleChanged, FDocumentTitleChanged, ICoreWebView2DocumentTitleChangedEventHandler)
VTR_BROWSER_EVENT(ContainsFullScreenElementChanged, FContainsFullScreenElementChanged,
                  ICoreWebView2ContainsFullScreenElementChangedEventHandler)
VTR_BROWSER_EVENT(WebResourceRequested, FWebResourceRequested, ICoreWebView2WebResourceRequestedEventHandler)
VTR_BROWSER_EVENT(WindowCloseRequested, FWindowCloseRequested, ICoreWebView2WindowCloseRequestedEventHandler)
VTR_BROWSER_EVENT(ZoomFactorChanged, FZoomFactorChanged, ICoreWebView2ZoomFactorChangedEventHandler)
VTR_BROWSER_EVENT(MoveFocusRequested, FMoveFocusRequested, ICoreWebView2MoveFocusRequestedEventHandler)
VTR_BROWSER_EVENT(GotFocus, FGotFocus, ICoreWebView2FocusChangedEventHandler)
VTR_BROWSER_EVENT(LostFocus, FLostFocus, ICoreWebView2FocusChangedEventHandler)
VTR_BROWSER_EVENT(AcceleratorKeyPressed, FAcceleratorKeyPressed,
                  ICoreWebView2AcceleratorKeyPressedEventHandler)

#undef VTR_BROWSER_EVENT

} // namespace WebView2::WebKitGtk
