#pragma once

// The WebView host control: a windowed control that owns one browser (environment,
// controller, core WebView, settings), creates it in three asynchronous steps across a worker
// thread and the GUI thread, and turns the browser's events into its own.

#include "forms/WinControl.h"
#include "webview2/Com.h"
#include "webview2/WebView2.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace Shared {

using WebView2::HRESULT;
using TOleEnum = std::uint32_t;
using TUInt64 = std::uint64_t;

// ---- Module state ---------------------------------------------------------------------------

// Full path of the engine library ("loader"). Start-up assigns it before the first window.
std::string LoaderLibraryPath();
void SetLoaderLibraryPath(const std::string& Path);
// The unit's finalisation: frees the loader library if it was loaded and clears the path.
// Runs at process end; tests call it to start again from nothing.
void FinalizeEdgeEx();

// ---- Errors -------------------------------------------------------------------------------

// An error that carries an HRESULT.
class EOleSysError : public std::runtime_error {
public:
    EOleSysError(const std::string& Message, HRESULT AErrorCode)
        : std::runtime_error(Message), FErrorCode(AErrorCode) {}
    HRESULT ErrorCode() const { return FErrorCode; }

private:
    HRESULT FErrorCode;
};

// A text of the program's string resources.
struct TResStringRec {
    const char* Text;
};
inline constexpr TResStringRec SEdgeCreateFailed{"Failed to create Edge browser control"};
inline constexpr TResStringRec SEdgeNotInstantiated{"WebView2 not instantiated"};

class EEdgeError : public EOleSysError {
public:
    EEdgeError(const std::string& Message, HRESULT AErrorCode) : EOleSysError(Message, AErrorCode) {}
    EEdgeError(const TResStringRec& Res, HRESULT AErrorCode) : EOleSysError(Res.Text, AErrorCode) {}
};

// ---- Event arguments ----------------------------------------------------------------------

// An event's argument object: made just before the handler is called and destroyed as soon as
// it returns (also when it throws), so a handler must not keep it. Asking it for its browser
// interface yields ArgsInterface.
template <class TInterface>
class TEdgeEventArgs {
public:
    explicit TEdgeEventArgs(TInterface* Args) : FArgsInterface(Args) {}
    TEdgeEventArgs(const TEdgeEventArgs&) = delete;
    TEdgeEventArgs& operator=(const TEdgeEventArgs&) = delete;

    TInterface* ArgsInterface() const { return FArgsInterface.Get(); }
    TInterface* operator->() const { return FArgsInterface.Get(); }
    WebView2::HRESULT QueryInterface(WebView2::REFIID Iid, void** Object) const {
        return FArgsInterface ? FArgsInterface->QueryInterface(Iid, Object) : WebView2::E_NOINTERFACE;
    }

private:
    WebView2::ComPtr<TInterface> FArgsInterface;
};

class TNavigationStartingEventArgs
    : public TEdgeEventArgs<WebView2::ICoreWebView2NavigationStartingEventArgs> {
public:
    using TEdgeEventArgs::TEdgeEventArgs;
};
class TNewWindowRequestedEventArgs
    : public TEdgeEventArgs<WebView2::ICoreWebView2NewWindowRequestedEventArgs> {
public:
    using TEdgeEventArgs::TEdgeEventArgs;
};
class TPermissionRequestedEventArgs
    : public TEdgeEventArgs<WebView2::ICoreWebView2PermissionRequestedEventArgs> {
public:
    using TEdgeEventArgs::TEdgeEventArgs;
};
class TScriptDialogOpeningEventArgs
    : public TEdgeEventArgs<WebView2::ICoreWebView2ScriptDialogOpeningEventArgs> {
public:
    using TEdgeEventArgs::TEdgeEventArgs;
};
class TWebMessageReceivedEventArgs
    : public TEdgeEventArgs<WebView2::ICoreWebView2WebMessageReceivedEventArgs> {
public:
    using TEdgeEventArgs::TEdgeEventArgs;
};
class TWebResourceRequestedEventArgs
    : public TEdgeEventArgs<WebView2::ICoreWebView2WebResourceRequestedEventArgs> {
public:
    using TEdgeEventArgs::TEdgeEventArgs;
};

// ---- Types --------------------------------------------------------------------------------

enum class TBrowserControlState { None, Creating, Created, Failed };
enum class TPreviewFormat { PNG, JPEG };

class TCustomEdgeBrowser;

using TWebViewStatusEvent = std::function<void(TCustomEdgeBrowser* Sender, HRESULT AResult)>;
using TNavigationStartingEvent =
    std::function<void(TCustomEdgeBrowser* Sender, TNavigationStartingEventArgs* Args)>;
using TNavigationCompletedEvent =
    std::function<void(TCustomEdgeBrowser* Sender, bool IsSuccess, TOleEnum WebErrorStatus)>;
using TSourceChangedEvent = std::function<void(TCustomEdgeBrowser* Sender, bool IsNewDocument)>;
using THistoryChangedEvent = std::function<void(TCustomEdgeBrowser* Sender)>;
using TContentLoadingEvent =
    std::function<void(TCustomEdgeBrowser* Sender, bool IsErrorPage, TUInt64 NavigationID)>;
using TDocumentTitleChangedEvent =
    std::function<void(TCustomEdgeBrowser* Sender, const std::string& ADocumentTitle)>;
using TNewWindowRequestedEvent =
    std::function<void(TCustomEdgeBrowser* Sender, TNewWindowRequestedEventArgs* Args)>;
using TWebResourceRequestedEvent =
    std::function<void(TCustomEdgeBrowser* Sender, TWebResourceRequestedEventArgs* Args)>;
using TScriptDialogOpeningEvent =
    std::function<void(TCustomEdgeBrowser* Sender, TScriptDialogOpeningEventArgs* Args)>;
using TPermissionRequestedEvent =
    std::function<void(TCustomEdgeBrowser* Sender, TPermissionRequestedEventArgs* Args)>;
using TProcessFailedEvent = std::function<void(TCustomEdgeBrowser* Sender, TOleEnum ProcessFailedKind)>;
using TWebMessageReceivedEvent =
    std::function<void(TCustomEdgeBrowser* Sender, TWebMessageReceivedEventArgs* Args)>;
using TContainsFullScreenElementChangedEvent =
    std::function<void(TCustomEdgeBrowser* Sender, bool ContainsFullScreenElement)>;
using TZoomFactorChangedEvent = std::function<void(TCustomEdgeBrowser* Sender, double AZoomFactor)>;
using TExecuteScriptEvent =
    std::function<void(TCustomEdgeBrowser* Sender, HRESULT AResult, const std::string& AResultObjectAsJson)>;
using TDevToolsProtocolEventReceivedEvent = std::function<void(
    TCustomEdgeBrowser* Sender, const std::string& CDPEventName, const std::string& AParameterObjectAsJson)>;

// ---- The control --------------------------------------------------------------------------

class TCustomEdgeBrowser : public Forms::TWinControl {
public:
    TCustomEdgeBrowser();
    // Closes the WebView (unsubscribing every handler and closing the controller) before the
    // control's window goes.
    ~TCustomEdgeBrowser() override;

    // Lifecycle. All of these run on the GUI thread.
    void CreateWebView();
    void CloseWebView();
    void ReinitializeWebView();
    void ReinitializeWebViewWithNewBrowser();
    void CloseBrowserProcess();

    TBrowserControlState BrowserControlState() const { return FBrowserControlState; }
    bool WebViewCreated() const;
    // Borrowed references, for callers that use the browser directly.
    WebView2::ICoreWebView2* DefaultInterface() const { return FWebView.Get(); }
    WebView2::ICoreWebView2Controller* ControllerInterface() const { return FWebViewController.Get(); }
    WebView2::ICoreWebView2Environment* EnvironmentInterface() const { return FWebViewEnvironment.Get(); }
    WebView2::ICoreWebView2Settings* SettingsInterface() const { return FWebViewSettings.Get(); }
    HRESULT LastErrorCode() const;
    const std::string& LastURL() const { return FLastURL; }
    void SetLastURL(const std::string& Value) { FLastURL = Value; }
    double SizeRatio() const { return FSizeRatio; }
    void SetSizeRatio(double Value);
    std::uint32_t BrowserProcessID();

    // Operations; failures are recorded in LastErrorCode, none raises.
    bool Navigate(const std::string& AUrl);
    bool NavigateToString(const std::string& AHTMLContent);
    void GoBack();
    void GoForward();
    void Refresh();
    void Stop();
    void ExecuteScript(const std::string& JavaScript);
    void AddWebResourceRequestedFilter(const std::string& URL, TOleEnum ResourceContext);
    void RemoveWebResourceRequestedFilter(const std::string& URL, TOleEnum ResourceContext);
    void CapturePreview(const std::string& AFilename, TPreviewFormat PreviewFormat = TPreviewFormat::PNG);
    // Writes to Stream from its start; the caller keeps it alive until OnCapturePreviewCompleted.
    void CapturePreview(std::ostream& Stream, TPreviewFormat PreviewFormat = TPreviewFormat::PNG);
    void SubscribeToCDPEvent(const std::string& CDPEventName);
    void SetFocus() override;

    // State of the page.
    bool CanGoBack();
    bool CanGoForward();
    bool ContainsFullScreenElement();
    std::string DocumentTitle();
    std::string LocationURL();
    std::string BrowserVersionInfo();
    double ZoomFactor();
    void SetZoomFactor(double Value);

    // Settings: raise EEdgeError "WebView2 not instantiated" without a settings object.
    bool BuiltInErrorPageEnabled();
    void SetBuiltInErrorPageEnabled(bool Value);
    bool DefaultContextMenusEnabled();
    void SetDefaultContextMenusEnabled(bool Value);
    bool DefaultScriptDialogsEnabled();
    void SetDefaultScriptDialogsEnabled(bool Value);
    bool DevToolsEnabled();
    void SetDevToolsEnabled(bool Value);
    bool ScriptEnabled();
    void SetScriptEnabled(bool Value);
    bool StatusBarEnabled();
    void SetStatusBarEnabled(bool Value);
    bool WebMessageEnabled();
    void SetWebMessageEnabled(bool Value);
    bool ZoomControlEnabled();
    void SetZoomControlEnabled(bool Value);

    // Events, read at the moment the event happens; an empty one is not called. A handler
    // that throws is reported on standard error; the error never reaches the browser.
    TWebViewStatusEvent OnCapturePreviewCompleted;
    TContainsFullScreenElementChangedEvent OnContainsFullScreenElementChanged;
    TContentLoadingEvent OnContentLoading;
    TWebViewStatusEvent OnCreateWebViewCompleted;
    TDevToolsProtocolEventReceivedEvent OnDevToolsProtocolEventReceived;
    TDocumentTitleChangedEvent OnDocumentTitleChanged;
    TExecuteScriptEvent OnExecuteScript;
    TNavigationStartingEvent OnFrameNavigationStarting;
    TNavigationCompletedEvent OnFrameNavigationCompleted;
    THistoryChangedEvent OnHistoryChanged;
    TNavigationStartingEvent OnNavigationStarting;
    TNavigationCompletedEvent OnNavigationCompleted;
    TNewWindowRequestedEvent OnNewWindowRequested;
    TPermissionRequestedEvent OnPermissionRequested;
    TProcessFailedEvent OnProcessFailed;
    TScriptDialogOpeningEvent OnScriptDialogOpening;
    TSourceChangedEvent OnSourceChanged;
    TWebMessageReceivedEvent OnWebMessageReceived;
    TWebResourceRequestedEvent OnWebResourceRequested;
    Forms::TNotifyEvent OnWindowCloseRequested;
    TZoomFactorChangedEvent OnZoomFactorChanged;

    // Giving the control a parent starts the WebView's creation.
    void SetParent(Forms::TWinControl* AParent) override;

protected:
    void CreateWnd() override;
    void Resize() override;
    void DoEnter() override;
    void VisibleChanged() override;
    void WMSysCommand(unsigned Command) override;

private:
    // The browser events the control subscribes to, in the order CloseWebView removes them
    // (defined beside Subscribe, so a new event is added in one place).
    enum class TSubscribed : std::size_t;
    enum class TEventSource { WebView, Controller };
    // One subscription: the token its add_ call returned and the call that removes it again
    // from the WebView or controller (Source) it is given. Empty until the event is subscribed.
    struct TSubscription {
        TEventSource Source = TEventSource::WebView;
        WebView2::EventRegistrationToken Token;
        std::function<void(WebView2::IUnknown* Object, WebView2::EventRegistrationToken Token)> Remove;
    };

    // What the worker thread and the browser's completions share with the control: they may
    // outlive it, and then find Control empty. CritSec guards LastErrorCode and Control.
    struct TShared {
        std::mutex CritSec;
        HRESULT LastErrorCode = WebView2::S_OK;
        TCustomEdgeBrowser* Control = nullptr;
    };

    bool RecordHResult(HRESULT hr);
    static bool RecordHResult(TShared& Shared, HRESULT hr);
    void InitializeWebView();
    static void CallEnvironment(const std::shared_ptr<TShared>& Shared);
    static void CreateEnvironmentCompleted(const std::shared_ptr<TShared>& Shared, HRESULT AResult,
                                           WebView2::ICoreWebView2Environment* Environment);
    void CreateCoreWebView2ControllerCompleted(HRESULT AResult,
                                               WebView2::ICoreWebView2Controller* Controller);
    void RaiseCreateWebViewCompleted(HRESULT AResult);
    void Subscribe();
    template <class TSource, class THandler, class F>
    void Subscribe(TSubscribed Event, HRESULT (TSource::*Add)(THandler*, WebView2::EventRegistrationToken*),
                   HRESULT (TSource::*Remove)(WebView2::EventRegistrationToken), F Body);
    void RemoveSubscriptions(TEventSource Source, WebView2::IUnknown* Object);
    template <class TArgs>
    static auto WithArgs(std::function<void(TCustomEdgeBrowser*, TArgs*)> TCustomEdgeBrowser::*Event,
                         const char* Name);
    static auto NavigationCompleted(TNavigationCompletedEvent TCustomEdgeBrowser::*Event, const char* Name);
    void UpdateBounds();
    bool GetSetting(HRESULT (WebView2::ICoreWebView2Settings::*Getter)(WebView2::BOOL*));
    void SetSetting(HRESULT (WebView2::ICoreWebView2Settings::*Setter)(WebView2::BOOL), bool Value);
    template <class THandler, class F>
    WebView2::ComPtr<THandler> Handler(F Body);
    template <class F>
    void Raise(const char* Event, F&& Call);

    TBrowserControlState FBrowserControlState = TBrowserControlState::None;
    WebView2::ComPtr<WebView2::ICoreWebView2Environment> FWebViewEnvironment;
    WebView2::ComPtr<WebView2::ICoreWebView2Controller> FWebViewController;
    WebView2::ComPtr<WebView2::ICoreWebView2> FWebView;
    WebView2::ComPtr<WebView2::ICoreWebView2Settings> FWebViewSettings;
    double FSizeRatio = 1.0;
    bool FWebViewFocusEventActive = false;
    std::string FLastURL;
    std::shared_ptr<TShared> FShared;

    // The subscriptions, one place per event (TSubscribed), in their order of removal; empty
    // until the first subscription. A place keeps its token after removal, until the event is
    // subscribed again.
    std::vector<TSubscription> FSubscriptions;
    // DevTools protocol event name → token of the control's handler on its receiver.
    std::map<std::string, WebView2::EventRegistrationToken> FDevToolsProtocolEventReceivedTokenMap;
};

class TEdgeBrowser : public TCustomEdgeBrowser {
public:
    TEdgeBrowser() = default;
};

} // namespace Shared
