#pragma once

// The WebKitGTK engine's objects: the environment (one WebKit context per data folder), the
// settings, and the browser that is both the controller and the core WebView.

#include "base/glib/SignalConnections.h"
#include "webview2/Com.h"
#include "webview2/EventArgs.h"
#include "webview2/EventSource.h"
#include "webview2/NavigationSequence.h"
#include "webview2/webkitgtk/BrowserKeys.h"
#include "webview2/webkitgtk/Protocol.h"
#include "webview2/webkitgtk/Scheme.h"
#include "webview2/webkitgtk/WebKitPtr.h"

#include <webkit2/webkit2.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace WebView2::WebKitGtk {

// The WebKitGTK version text, e.g. "2.50.6".
std::string WebKitVersionText();
// S_OK when WebKitGTK can run here (its helper processes are installed); otherwise why not.
HRESULT CheckWebKitUsable(const char* BrowserExecutableFolder);

class TEnvironment final : public TImplements<ICoreWebView2Environment> {
public:
    explicit TEnvironment(WebKitWebContext* Context)
        : FContext(TGObjectPtr<WebKitWebContext>::Ref(Context)) {}

    HRESULT
    CreateCoreWebView2Controller(HWND parentWindow,
                                 ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
    HRESULT CreateWebResourceResponse(IStream* content, int statusCode, LPCSTR reasonPhrase, LPCSTR headers,
                                      ICoreWebView2WebResourceResponse** response) override;
    HRESULT get_BrowserVersionString(LPSTR* versionInfo) override;

    WebKitWebContext* Context() const { return FContext.Get(); }

private:
    TGObjectPtr<WebKitWebContext> FContext;
};

// The context for a data folder (empty: WebKit's default folders). Contexts live for the
// process: WebKit expects one per data folder and never fewer.
WebKitWebContext* ContextForDataFolder(const std::string& DataFolder);

class TSettings final : public TImplements<ICoreWebView2Settings> {
public:
    explicit TSettings(WebKitSettings* Settings) : FSettings(TGObjectPtr<WebKitSettings>::Ref(Settings)) {}

    HRESULT get_IsScriptEnabled(BOOL* value) override;
    HRESULT put_IsScriptEnabled(BOOL value) override;
    HRESULT get_IsWebMessageEnabled(BOOL* value) override;
    HRESULT put_IsWebMessageEnabled(BOOL value) override;
    HRESULT get_AreDefaultScriptDialogsEnabled(BOOL* value) override;
    HRESULT put_AreDefaultScriptDialogsEnabled(BOOL value) override;
    HRESULT get_IsStatusBarEnabled(BOOL* value) override;
    HRESULT put_IsStatusBarEnabled(BOOL value) override;
    HRESULT get_AreDevToolsEnabled(BOOL* value) override;
    HRESULT put_AreDevToolsEnabled(BOOL value) override;
    HRESULT get_AreDefaultContextMenusEnabled(BOOL* value) override;
    HRESULT put_AreDefaultContextMenusEnabled(BOOL value) override;
    HRESULT get_IsZoomControlEnabled(BOOL* value) override;
    HRESULT put_IsZoomControlEnabled(BOOL value) override;
    HRESULT get_IsBuiltInErrorPageEnabled(BOOL* value) override;
    HRESULT put_IsBuiltInErrorPageEnabled(BOOL value) override;

    // Settings WebKit has no counterpart for; the engine applies them itself.
    bool WebMessageEnabled = true;
    bool DefaultScriptDialogsEnabled = true;
    bool StatusBarEnabled = true;
    bool DefaultContextMenusEnabled = true;
    bool ZoomControlEnabled = true;
    bool BuiltInErrorPageEnabled = true;

private:
    TGObjectPtr<WebKitSettings> FSettings;
};

// One browser: a WebKitWebView in an overlay (for the status bar) inside the parent given at
// creation. It is the controller and the core WebView at once; both interfaces share one
// reference count, as the host never holds one without the other. Its main-frame navigations go
// through a navigation sequence, which puts their events in the host's order.
class TBrowser final : public TImplements<ICoreWebView2Controller, ICoreWebView2>, private INavigationEngine {
public:
    // Creates the view in Parent and starts its web process; Handler is invoked when the
    // browser is ready (the web process runs and about:blank is shown).
    static HRESULT Create(TEnvironment* Environment, GtkWidget* Parent,
                          ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* Handler);

    // The browser that shows View, if any.
    static TBrowser* FromView(WebKitWebView* View);

    // ---- ICoreWebView2Controller
    HRESULT get_IsVisible(BOOL* isVisible) override;
    HRESULT put_IsVisible(BOOL isVisible) override;
    HRESULT get_Bounds(RECT* bounds) override;
    HRESULT put_Bounds(RECT bounds) override;
    HRESULT get_ZoomFactor(double* zoomFactor) override;
    HRESULT put_ZoomFactor(double zoomFactor) override;
    HRESULT add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* handler,
                                  EventRegistrationToken* token) override;
    HRESULT remove_ZoomFactorChanged(EventRegistrationToken token) override;
    HRESULT MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
    HRESULT add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* handler,
                                   EventRegistrationToken* token) override;
    HRESULT remove_MoveFocusRequested(EventRegistrationToken token) override;
    HRESULT add_GotFocus(ICoreWebView2FocusChangedEventHandler* handler,
                         EventRegistrationToken* token) override;
    HRESULT remove_GotFocus(EventRegistrationToken token) override;
    HRESULT add_LostFocus(ICoreWebView2FocusChangedEventHandler* handler,
                          EventRegistrationToken* token) override;
    HRESULT remove_LostFocus(EventRegistrationToken token) override;
    HRESULT add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* handler,
                                      EventRegistrationToken* token) override;
    HRESULT remove_AcceleratorKeyPressed(EventRegistrationToken token) override;
    HRESULT Close() override;
    HRESULT get_CoreWebView2(ICoreWebView2** coreWebView2) override;

    // ---- ICoreWebView2
    HRESULT get_Settings(ICoreWebView2Settings** settings) override;
    HRESULT get_Source(LPSTR* uri) override;
    HRESULT Navigate(LPCSTR uri) override;
    HRESULT NavigateToString(LPCSTR htmlContent) override;
    HRESULT add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                   EventRegistrationToken* token) override;
    HRESULT remove_NavigationStarting(EventRegistrationToken token) override;
    HRESULT add_ContentLoading(ICoreWebView2ContentLoadingEventHandler* handler,
                               EventRegistrationToken* token) override;
    HRESULT remove_ContentLoading(EventRegistrationToken token) override;
    HRESULT add_SourceChanged(ICoreWebView2SourceChangedEventHandler* handler,
                              EventRegistrationToken* token) override;
    HRESULT remove_SourceChanged(EventRegistrationToken token) override;
    HRESULT add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler* handler,
                               EventRegistrationToken* token) override;
    HRESULT remove_HistoryChanged(EventRegistrationToken token) override;
    HRESULT add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                                    EventRegistrationToken* token) override;
    HRESULT remove_NavigationCompleted(EventRegistrationToken token) override;
    HRESULT add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                        EventRegistrationToken* token) override;
    HRESULT remove_FrameNavigationStarting(EventRegistrationToken token) override;
    HRESULT add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                                         EventRegistrationToken* token) override;
    HRESULT remove_FrameNavigationCompleted(EventRegistrationToken token) override;
    HRESULT add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler* handler,
                                    EventRegistrationToken* token) override;
    HRESULT remove_ScriptDialogOpening(EventRegistrationToken token) override;
    HRESULT add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* handler,
                                    EventRegistrationToken* token) override;
    HRESULT remove_PermissionRequested(EventRegistrationToken token) override;
    HRESULT add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* handler,
                              EventRegistrationToken* token) override;
    HRESULT remove_ProcessFailed(EventRegistrationToken token) override;
    HRESULT AddScriptToExecuteOnDocumentCreated(
        LPCSTR javaScript,
        ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) override;
    HRESULT RemoveScriptToExecuteOnDocumentCreated(LPCSTR id) override;
    HRESULT ExecuteScript(LPCSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) override;
    HRESULT CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream* imageStream,
                           ICoreWebView2CapturePreviewCompletedHandler* handler) override;
    HRESULT Reload() override;
    HRESULT PostWebMessageAsJson(LPCSTR webMessageAsJson) override;
    HRESULT PostWebMessageAsString(LPCSTR webMessageAsString) override;
    HRESULT add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                   EventRegistrationToken* token) override;
    HRESULT remove_WebMessageReceived(EventRegistrationToken token) override;
    HRESULT
    CallDevToolsProtocolMethod(LPCSTR methodName, LPCSTR parametersAsJson,
                               ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) override;
    HRESULT get_BrowserProcessId(UINT32* value) override;
    HRESULT get_CanGoBack(BOOL* canGoBack) override;
    HRESULT get_CanGoForward(BOOL* canGoForward) override;
    HRESULT GoBack() override;
    HRESULT GoForward() override;
    HRESULT GetDevToolsProtocolEventReceiver(LPCSTR eventName,
                                             ICoreWebView2DevToolsProtocolEventReceiver** receiver) override;
    HRESULT Stop() override;
    HRESULT add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                                   EventRegistrationToken* token) override;
    HRESULT remove_NewWindowRequested(EventRegistrationToken token) override;
    HRESULT add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* handler,
                                     EventRegistrationToken* token) override;
    HRESULT remove_DocumentTitleChanged(EventRegistrationToken token) override;
    HRESULT get_DocumentTitle(LPSTR* title) override;
    HRESULT OpenDevToolsWindow() override;
    HRESULT
    add_ContainsFullScreenElementChanged(ICoreWebView2ContainsFullScreenElementChangedEventHandler* handler,
                                         EventRegistrationToken* token) override;
    HRESULT remove_ContainsFullScreenElementChanged(EventRegistrationToken token) override;
    HRESULT get_ContainsFullScreenElement(BOOL* containsFullScreenElement) override;
    HRESULT add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* handler,
                                     EventRegistrationToken* token) override;
    HRESULT remove_WebResourceRequested(EventRegistrationToken token) override;
    HRESULT AddWebResourceRequestedFilter(LPCSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override;
    HRESULT RemoveWebResourceRequestedFilter(LPCSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override;
    HRESULT add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* handler,
                                     EventRegistrationToken* token) override;
    HRESULT remove_WindowCloseRequested(EventRegistrationToken token) override;

    // A request of the engine's file scheme for this browser (SchemeHandler.cpp).
    void HandleFileRequest(WebKitURISchemeRequest* Request);
    // Saves the application's file HostUri (a file:/// address) where the user says, with
    // SuggestedName (empty: the address's own) offered (Downloads.cpp).
    void DownloadFile(const std::string& HostUri, const std::string& SuggestedName);
    // The answer to a request for HostUri (a file:/// URI), as the host gives it or from disk;
    // false when there is none. For the file scheme and the media route alike.
    bool AnswerFileRequest(const std::string& HostUri, const char* Method, SoupMessageHeaders* Headers,
                           TFileAnswer& Answer);

private:
    TBrowser(TEnvironment* Environment, GtkWidget* Parent);
    ~TBrowser() override;

    bool Alive() const override { return !FClosed && FView; }
    WebKitWebView* View() const { return FView.Get(); }
    ICoreWebView2* Core() { return this; }
    ICoreWebView2Controller* Controller() { return this; }
    std::string CurrentSource() const override;
    // Runs Load, a call that starts a load, as a load of the host's: web messages posted before
    // it reach the page that was asked for them.
    template <class F>
    void HostLoad(F&& Load) {
        FlushWebMessages();
        FNavigation.HostLoad(Load);
    }
    void LoadEngineUri(const std::string& Uri);
    void Detach();
    void ApplyBounds();
    void CompleteCreation(HRESULT Result) override;
    void EvaluateInPage(const std::string& Script);
    // Web messages posted during one turn of the event loop go to the page in one script; any
    // other call that reaches the page sends them first, so that the order is kept.
    void QueueWebMessage(const std::string& Json);
    void FlushWebMessages();
    void EvaluateInEngineWorld(const std::string& Script);
    void SetZoomLevel(double Level);
    bool StepZoom(int Direction);
    void UpdateStatusBar(const std::string& Text);

    // ---- The navigation sequence's engine (Navigation.cpp).
    std::string EngineTitle() const override;
    bool IsLoading() const override;
    bool BuiltInErrorPageEnabled() const override;
    bool RaiseNavigationStarting(const TNavigationStart& Start) override;
    void RaiseSourceChanged(bool IsNewDocument) override;
    void RaiseContentLoading(bool IsErrorPage, UINT64 NavigationId) override;
    void RaiseHistoryChanged() override;
    void RaiseDocumentTitleChanged() override;
    void RaiseNavigationCompleted(bool IsSuccess, COREWEBVIEW2_WEB_ERROR_STATUS Status,
                                  UINT64 NavigationId) override;
    void RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND Kind) override;
    void StopLoading() override;
    void ReadDocumentTitle(UINT64 NavigationId) override;
    void CheckHistoryLater() override;
    void ShowErrorPageLater(TErrorPage Page) override;
    void LoadErrorPage(const TErrorPage& Page) override;

    // ---- Signal handlers. The list (Signals.cpp):
    void ConnectSignals();
    template <class Signature, class F>
    void Connect(gpointer Instance, const char* Signal, F Handler, GConnectFlags Flags = GConnectFlags(0));
    // Navigation (Navigation.cpp).
    void OnLoadChanged(WebKitLoadEvent Event);
    bool OnLoadFailed(const char* FailingUri, GError* Error);
    void OnWebProcessTerminated(WebKitWebProcessTerminationReason Reason);
    bool OnDecidePolicy(WebKitPolicyDecision* Decision, WebKitPolicyDecisionType Type);
    // Downloads (Downloads.cpp).
    bool OnResponseDecision(WebKitResponsePolicyDecision* Decision);
    ComPtr<IStream> OpenFileForDownload(const std::string& HostUri, std::string& Error);
    // What a page asks of its window (PageRequests.cpp).
    GtkWidget* OnCreate(WebKitNavigationAction* Action);
    bool OnPermissionRequest(WebKitPermissionRequest* Request);
    bool OnScriptDialog(WebKitScriptDialog* Dialog);
    // The default dialogs (ScriptDialogs.cpp).
    bool ShowScriptDialog(WebKitScriptDialog* Dialog);
    bool OnFullscreen(bool Enter);
    void OnCloseRequested();
    // Input, focus, zoom and the status bar (Input.cpp).
    void OnZoomChanged();
    void OnFocusChanged(bool In);
    bool OnKey(GdkEventKey* Event);
    bool OnKeyNotUsed(GdkEventKey* Event);
    bool RunBrowserKey(TBrowserKey Key);
    void RememberKeyForPage(const GdkEventKey* Event);
    bool TakeReturnedKey(const GdkEventKey* Event);
    // The print dialog, owned by the window, once the key's handling is over (Printing.cpp).
    void PrintLater();
    bool OnScroll(GdkEventScroll* Event);
    void OnMouseTargetChanged(WebKitHitTestResult* Hit);
    bool OnContextMenu();
    // Messages from the page and from the web process (Messages.cpp).
    bool OnUserMessage(WebKitUserMessage* Message);
    void OnWebMessage(WebKitJavascriptResult* Result);
    void OnEngineMessage(WebKitJavascriptResult* Result);
    // A permission the application's page asks for without a gesture (PagePermissions.cpp).
    void OnPagePermission(const std::string& Id, const std::string& Name);
    // The host's container (Browser.cpp).
    void OnHostDestroyed(GtkWidget* Widget);

    ComPtr<TEnvironment> FEnvironment;
    ComPtr<TSettings> FSettings;
    TGObjectPtr<WebKitWebView> FView;
    TGObjectPtr<WebKitUserContentManager> FContent;
    TGObjectPtr<GtkWidget> FHost;      // the overlay placed in the parent
    GtkWidget* FStatusLabel = nullptr; // inside FHost
    GtkWidget* FParent = nullptr;      // weak: cleared when the parent goes
    RECT FBounds;
    bool FVisible = true;
    bool FClosed = false;
    UINT32 FProcessId = 0;
    ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> FCreationHandler;
    ComPtr<TBrowser> FSelf; // keeps a browser alive while its creation is pending

    TNavigationSequence FNavigation{*this};
    Base::GLib::TSignalConnections FSignals;
    bool FContainsFullScreenElement = false;
    std::string FPendingMessages; // dispatch calls not yet sent to the page
    struct TKeyStamp {
        guint32 Time;
        guint16 Keycode;
        GdkEventType Type;
    };
    std::deque<TKeyStamp> FKeysForPage; // key events handed to the page, which WebKit may hand back
    bool FPrinting = false;
    bool FFlushQueued = false;

    struct TFilter {
        std::string Pattern;
        COREWEBVIEW2_WEB_RESOURCE_CONTEXT Context;
    };
    std::vector<TFilter> FFilters;
    std::map<std::string, TUserScript> FScripts;
    std::map<std::string, UINT64> FFrameNavigations; // a sub-frame document's token → its navigation id
    unsigned FNextScriptId = 1;

    TEventSource<ICoreWebView2NavigationStartingEventHandler> FNavigationStarting;
    TEventSource<ICoreWebView2ContentLoadingEventHandler> FContentLoading;
    TEventSource<ICoreWebView2SourceChangedEventHandler> FSourceChanged;
    TEventSource<ICoreWebView2HistoryChangedEventHandler> FHistoryChanged;
    TEventSource<ICoreWebView2NavigationCompletedEventHandler> FNavigationCompleted;
    TEventSource<ICoreWebView2NavigationStartingEventHandler> FFrameNavigationStarting;
    TEventSource<ICoreWebView2NavigationCompletedEventHandler> FFrameNavigationCompleted;
    TEventSource<ICoreWebView2ScriptDialogOpeningEventHandler> FScriptDialogOpening;
    TEventSource<ICoreWebView2PermissionRequestedEventHandler> FPermissionRequested;
    TEventSource<ICoreWebView2ProcessFailedEventHandler> FProcessFailed;
    TEventSource<ICoreWebView2WebMessageReceivedEventHandler> FWebMessageReceived;
    TEventSource<ICoreWebView2NewWindowRequestedEventHandler> FNewWindowRequested;
    TEventSource<ICoreWebView2DocumentTitleChangedEventHandler> FDocumentTitleChanged;
    TEventSource<ICoreWebView2ContainsFullScreenElementChangedEventHandler> FContainsFullScreenElementChanged;
    TEventSource<ICoreWebView2WebResourceRequestedEventHandler> FWebResourceRequested;
    TEventSource<ICoreWebView2WindowCloseRequestedEventHandler> FWindowCloseRequested;
    TEventSource<ICoreWebView2ZoomFactorChangedEventHandler> FZoomFactorChanged;
    TEventSource<ICoreWebView2MoveFocusRequestedEventHandler> FMoveFocusRequested;
    TEventSource<ICoreWebView2FocusChangedEventHandler> FGotFocus;
    TEventSource<ICoreWebView2FocusChangedEventHandler> FLostFocus;
    TEventSource<ICoreWebView2AcceleratorKeyPressedEventHandler> FAcceleratorKeyPressed;
};

} // namespace WebView2::WebKitGtk
