#pragma once

// The test engine's objects and its shared state.

#include "webview2/Com.h"
#include "webview2/EventArgs.h"
#include "webview2/EventSource.h"
#include "webview2/testengine/TestEngineControl.h"

#include <nlohmann/json.hpp>

#include <array>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace WebView2::TestEngine {

class TTestController;
class TTestWebView;

// Everything a test chose and everything the engine saw. One per process.
class TState final : public ITestEngineControl {
public:
    static TState& Instance();

    void Reset() override;
    void SetFailure(TFailurePoint Point, HRESULT Code) override;
    void SetEnvironmentCompletion(TCompletionThread Thread) override;
    void SetBrowserProcessId(UINT32 ProcessId) override;
    void SetState(const char* Json) override;
    std::size_t CallCount() override;
    const char* Call(std::size_t Index) override;
    void ClearCalls() override;
    std::size_t EnvironmentCallThread() override;
    std::size_t HandlerCount(const char* Event) override;
    const char* Raise(const char* Event, const char* ArgumentsJson) override;

    void Log(std::string Line);
    HRESULT Failure(TFailurePoint Point);
    TCompletionThread CompletionThread();
    void RecordEnvironmentThread();
    std::string Version();

    // The WebView's reported state (GUI thread only).
    std::string Source = "about:blank";
    std::string Title;
    bool CanGoBack = false;
    bool CanGoForward = false;
    bool ContainsFullScreenElement = false;
    double Zoom = 1.0;
    UINT32 ProcessId = 0;

    // The newest controller and WebView, while they exist (GUI thread only; not owned).
    TTestController* CurrentController = nullptr;
    TTestWebView* CurrentWebView = nullptr;

private:
    TState();
    void ApplyEnvironment();

    std::mutex FLock;
    std::array<HRESULT, FailureCount> FFailures{};
    TCompletionThread FCompletionThread = CompleteOnOtherThread;
    std::vector<std::string> FCalls;
    std::size_t FEnvironmentThread = 0;
    std::string FVersion = "1.0.0.0-test";
    std::string FLastResult;
};

class TTestEnvironment final : public TImplements<ICoreWebView2Environment> {
public:
    HRESULT
    CreateCoreWebView2Controller(HWND parentWindow,
                                 ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
    HRESULT CreateWebResourceResponse(IStream* content, int statusCode, LPCSTR reasonPhrase, LPCSTR headers,
                                      ICoreWebView2WebResourceResponse** response) override;
    HRESULT get_BrowserVersionString(LPSTR* versionInfo) override;
};

class TTestSettings final : public TImplements<ICoreWebView2Settings> {
public:
    HRESULT get_IsScriptEnabled(BOOL* value) override { return Get("IsScriptEnabled", value); }
    HRESULT put_IsScriptEnabled(BOOL value) override { return Put("IsScriptEnabled", value); }
    HRESULT get_IsWebMessageEnabled(BOOL* value) override { return Get("IsWebMessageEnabled", value); }
    HRESULT put_IsWebMessageEnabled(BOOL value) override { return Put("IsWebMessageEnabled", value); }
    HRESULT get_AreDefaultScriptDialogsEnabled(BOOL* value) override {
        return Get("AreDefaultScriptDialogsEnabled", value);
    }
    HRESULT put_AreDefaultScriptDialogsEnabled(BOOL value) override {
        return Put("AreDefaultScriptDialogsEnabled", value);
    }
    HRESULT get_IsStatusBarEnabled(BOOL* value) override { return Get("IsStatusBarEnabled", value); }
    HRESULT put_IsStatusBarEnabled(BOOL value) override { return Put("IsStatusBarEnabled", value); }
    HRESULT get_AreDevToolsEnabled(BOOL* value) override { return Get("AreDevToolsEnabled", value); }
    HRESULT put_AreDevToolsEnabled(BOOL value) override { return Put("AreDevToolsEnabled", value); }
    HRESULT get_AreDefaultContextMenusEnabled(BOOL* value) override {
        return Get("AreDefaultContextMenusEnabled", value);
    }
    HRESULT put_AreDefaultContextMenusEnabled(BOOL value) override {
        return Put("AreDefaultContextMenusEnabled", value);
    }
    HRESULT get_IsZoomControlEnabled(BOOL* value) override { return Get("IsZoomControlEnabled", value); }
    HRESULT put_IsZoomControlEnabled(BOOL value) override { return Put("IsZoomControlEnabled", value); }
    HRESULT get_IsBuiltInErrorPageEnabled(BOOL* value) override {
        return Get("IsBuiltInErrorPageEnabled", value);
    }
    HRESULT put_IsBuiltInErrorPageEnabled(BOOL value) override {
        return Put("IsBuiltInErrorPageEnabled", value);
    }

private:
    HRESULT Get(const char* Name, BOOL* Value);
    HRESULT Put(const char* Name, BOOL Value);
    std::map<std::string, BOOL> FValues;
};

class TTestReceiver final : public TImplements<ICoreWebView2DevToolsProtocolEventReceiver> {
public:
    explicit TTestReceiver(std::string Name) : FName(std::move(Name)) {}
    HRESULT add_DevToolsProtocolEventReceived(ICoreWebView2DevToolsProtocolEventReceivedEventHandler* handler,
                                              EventRegistrationToken* token) override;
    HRESULT remove_DevToolsProtocolEventReceived(EventRegistrationToken token) override;

    TEventSource<ICoreWebView2DevToolsProtocolEventReceivedEventHandler> Handlers;

private:
    std::string FName;
};

class TTestWebView final : public TImplements<ICoreWebView2> {
public:
    TTestWebView();
    ~TTestWebView() override;

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

    std::size_t HandlerCount(const std::string& Event);
    nlohmann::json Raise(const std::string& Event, const nlohmann::json& Args);

    ComPtr<TTestSettings> Settings;
    std::map<std::string, ComPtr<TTestReceiver>> Receivers;

    TEventSource<ICoreWebView2NavigationStartingEventHandler> NavigationStarting;
    TEventSource<ICoreWebView2ContentLoadingEventHandler> ContentLoading;
    TEventSource<ICoreWebView2SourceChangedEventHandler> SourceChanged;
    TEventSource<ICoreWebView2HistoryChangedEventHandler> HistoryChanged;
    TEventSource<ICoreWebView2NavigationCompletedEventHandler> NavigationCompleted;
    TEventSource<ICoreWebView2NavigationStartingEventHandler> FrameNavigationStarting;
    TEventSource<ICoreWebView2NavigationCompletedEventHandler> FrameNavigationCompleted;
    TEventSource<ICoreWebView2ScriptDialogOpeningEventHandler> ScriptDialogOpening;
    TEventSource<ICoreWebView2PermissionRequestedEventHandler> PermissionRequested;
    TEventSource<ICoreWebView2ProcessFailedEventHandler> ProcessFailed;
    TEventSource<ICoreWebView2WebMessageReceivedEventHandler> WebMessageReceived;
    TEventSource<ICoreWebView2NewWindowRequestedEventHandler> NewWindowRequested;
    TEventSource<ICoreWebView2DocumentTitleChangedEventHandler> DocumentTitleChanged;
    TEventSource<ICoreWebView2ContainsFullScreenElementChangedEventHandler> ContainsFullScreenElementChanged;
    TEventSource<ICoreWebView2WebResourceRequestedEventHandler> WebResourceRequested;
    TEventSource<ICoreWebView2WindowCloseRequestedEventHandler> WindowCloseRequested;
};

class TTestController final : public TImplements<ICoreWebView2Controller> {
public:
    explicit TTestController(void* Parent);
    ~TTestController() override;

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

    std::size_t HandlerCount(const std::string& Event);
    nlohmann::json Raise(const std::string& Event, const nlohmann::json& Args);

    ComPtr<TTestWebView> WebView;

private:
    RECT FBounds;
    bool FVisible = true;
    bool FClosed = false;
    TEventSource<ICoreWebView2ZoomFactorChangedEventHandler> FZoomFactorChanged;
    TEventSource<ICoreWebView2MoveFocusRequestedEventHandler> FMoveFocusRequested;
    TEventSource<ICoreWebView2FocusChangedEventHandler> FGotFocus;
    TEventSource<ICoreWebView2FocusChangedEventHandler> FLostFocus;
    TEventSource<ICoreWebView2AcceleratorKeyPressedEventHandler> FAcceleratorKeyPressed;
};

inline TState& State() {
    return TState::Instance();
}

// Every call goes into the log; FailCall makes the plain calls fail.
inline HRESULT Logged(std::string Line) {
    State().Log(std::move(Line));
    return State().Failure(FailCall);
}

} // namespace WebView2::TestEngine
