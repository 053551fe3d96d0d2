#include "webview2/testengine/TestArgs.h"
#include "webview2/testengine/TestEngine.h"

#include "base/glib/GuiPost.h"
#include "webview2/Streams.h"

namespace WebView2::TestEngine {

namespace {

using Base::GLib::PostToGuiThread;

HRESULT ReadState(std::string Line) {
    State().Log(std::move(Line));
    return State().Failure(FailStateRead);
}

std::string Text(LPCSTR Value) {
    return Value != nullptr ? Value : "(null)";
}

} // namespace

HRESULT TTestSettings::Get(const char* Name, BOOL* Value) {
    State().Log(std::string("get_") + Name);
    if (const HRESULT hr = State().Failure(FailSettingsRead); Failed(hr)) {
        return hr;
    }
    const auto it = FValues.find(Name);
    // WebView2's defaults: everything on.
    return OutValue<BOOL>(it != FValues.end() ? it->second : 1, Value);
}

HRESULT TTestSettings::Put(const char* Name, BOOL Value) {
    State().Log(std::string("put_") + Name + " " + std::to_string(Value));
    if (const HRESULT hr = State().Failure(FailSettingsWrite); Failed(hr)) {
        return hr;
    }
    FValues[Name] = Value;
    return S_OK;
}

HRESULT TTestReceiver::add_DevToolsProtocolEventReceived(
    ICoreWebView2DevToolsProtocolEventReceivedEventHandler* handler, EventRegistrationToken* token) {
    const HRESULT hr = Handlers.Add(handler, token);
    State().Log("add_DevToolsProtocolEventReceived " + FName + " " +
                std::to_string(token != nullptr ? token->value : 0));
    return hr;
}

HRESULT TTestReceiver::remove_DevToolsProtocolEventReceived(EventRegistrationToken token) {
    State().Log("remove_DevToolsProtocolEventReceived " + FName + " " + std::to_string(token.value));
    return Handlers.Remove(token);
}

TTestWebView::TTestWebView() : Settings(MakeCom<TTestSettings>()) {
    State().CurrentWebView = this;
}

TTestWebView::~TTestWebView() {
    if (State().CurrentWebView == this) {
        State().CurrentWebView = nullptr;
    }
}

HRESULT TTestWebView::get_Settings(ICoreWebView2Settings** settings) {
    State().Log("get_Settings");
    if (const HRESULT hr = State().Failure(FailGetSettings); Failed(hr)) {
        return hr;
    }
    if (settings == nullptr) {
        return E_POINTER;
    }
    *settings = Settings.CopyOut();
    return S_OK;
}

HRESULT TTestWebView::get_Source(LPSTR* uri) {
    if (const HRESULT hr = ReadState("get_Source"); Failed(hr)) {
        return hr;
    }
    return OutString(State().Source, uri);
}

HRESULT TTestWebView::get_DocumentTitle(LPSTR* title) {
    if (const HRESULT hr = ReadState("get_DocumentTitle"); Failed(hr)) {
        return hr;
    }
    return OutString(State().Title, title);
}

HRESULT TTestWebView::get_CanGoBack(BOOL* canGoBack) {
    if (const HRESULT hr = ReadState("get_CanGoBack"); Failed(hr)) {
        return hr;
    }
    return OutValue<BOOL>(State().CanGoBack, canGoBack);
}

HRESULT TTestWebView::get_CanGoForward(BOOL* canGoForward) {
    if (const HRESULT hr = ReadState("get_CanGoForward"); Failed(hr)) {
        return hr;
    }
    return OutValue<BOOL>(State().CanGoForward, canGoForward);
}

HRESULT TTestWebView::get_ContainsFullScreenElement(BOOL* value) {
    if (const HRESULT hr = ReadState("get_ContainsFullScreenElement"); Failed(hr)) {
        return hr;
    }
    return OutValue<BOOL>(State().ContainsFullScreenElement, value);
}

HRESULT TTestWebView::get_BrowserProcessId(UINT32* value) {
    if (const HRESULT hr = ReadState("get_BrowserProcessId"); Failed(hr)) {
        return hr;
    }
    return OutValue(State().ProcessId, value);
}

HRESULT TTestWebView::Navigate(LPCSTR uri) {
    return Logged("Navigate " + Text(uri));
}
HRESULT TTestWebView::NavigateToString(LPCSTR htmlContent) {
    return Logged("NavigateToString " + Text(htmlContent));
}
HRESULT TTestWebView::Reload() {
    return Logged("Reload");
}
HRESULT TTestWebView::Stop() {
    return Logged("Stop");
}
HRESULT TTestWebView::GoBack() {
    return Logged("GoBack");
}
HRESULT TTestWebView::GoForward() {
    return Logged("GoForward");
}
HRESULT TTestWebView::OpenDevToolsWindow() {
    return Logged("OpenDevToolsWindow");
}
HRESULT TTestWebView::PostWebMessageAsJson(LPCSTR json) {
    return Logged("PostWebMessageAsJson " + Text(json));
}
HRESULT TTestWebView::PostWebMessageAsString(LPCSTR text) {
    return Logged("PostWebMessageAsString " + Text(text));
}
HRESULT TTestWebView::RemoveScriptToExecuteOnDocumentCreated(LPCSTR id) {
    return Logged("RemoveScriptToExecuteOnDocumentCreated " + Text(id));
}
HRESULT TTestWebView::AddWebResourceRequestedFilter(LPCSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    return Logged("AddWebResourceRequestedFilter " + Text(uri) + " " + std::to_string(context));
}
HRESULT TTestWebView::RemoveWebResourceRequestedFilter(LPCSTR uri,
                                                       COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    return Logged("RemoveWebResourceRequestedFilter " + Text(uri) + " " + std::to_string(context));
}
HRESULT TTestWebView::CallDevToolsProtocolMethod(LPCSTR methodName, LPCSTR,
                                                 ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*) {
    return Logged("CallDevToolsProtocolMethod " + Text(methodName));
}

HRESULT TTestWebView::AddScriptToExecuteOnDocumentCreated(
    LPCSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) {
    if (const HRESULT hr = Logged("AddScriptToExecuteOnDocumentCreated " + Text(javaScript)); Failed(hr)) {
        return hr;
    }
    if (handler != nullptr) {
        const ComPtr<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler> done(handler);
        PostToGuiThread([done] { done->Invoke(S_OK, "1"); });
    }
    return S_OK;
}

HRESULT TTestWebView::ExecuteScript(LPCSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) {
    if (const HRESULT hr = Logged("ExecuteScript " + Text(javaScript)); Failed(hr)) {
        return hr;
    }
    if (handler != nullptr) {
        // The result names the script, so a test can tell completions apart.
        const std::string result = nlohmann::json{{"script", Text(javaScript)}}.dump();
        const ComPtr<ICoreWebView2ExecuteScriptCompletedHandler> done(handler);
        PostToGuiThread([done, result] { done->Invoke(S_OK, result.c_str()); });
    }
    return S_OK;
}

HRESULT TTestWebView::CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat,
                                     IStream* imageStream,
                                     ICoreWebView2CapturePreviewCompletedHandler* handler) {
    if (const HRESULT hr = Logged("CapturePreview " + std::to_string(imageFormat)); Failed(hr)) {
        return hr;
    }
    if (imageStream == nullptr) {
        return E_POINTER;
    }
    const ComPtr<IStream> stream(imageStream);
    const ComPtr<ICoreWebView2CapturePreviewCompletedHandler> done(handler);
    PostToGuiThread([stream, done, imageFormat] {
        // Not an image: a marker naming the format, which is what tests look at.
        const std::string marker =
            imageFormat == COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG ? "PNG" : "JPEG";
        UINT32 written = 0;
        const HRESULT hr = stream->Write(marker.data(), static_cast<UINT32>(marker.size()), &written);
        if (done) {
            done->Invoke(hr);
        }
    });
    return S_OK;
}

HRESULT
TTestWebView::GetDevToolsProtocolEventReceiver(LPCSTR eventName,
                                               ICoreWebView2DevToolsProtocolEventReceiver** receiver) {
    if (const HRESULT hr = Logged("GetDevToolsProtocolEventReceiver " + Text(eventName)); Failed(hr)) {
        return hr;
    }
    if (eventName == nullptr || receiver == nullptr) {
        return E_POINTER;
    }
    ComPtr<TTestReceiver>& slot = Receivers[eventName];
    if (!slot) {
        slot = MakeCom<TTestReceiver>(eventName);
    }
    *receiver = slot.CopyOut();
    return S_OK;
}

#define VTR_TEST_EVENT(Name, Handler)                                                                        \
    HRESULT TTestWebView::add_##Name(Handler* handler, EventRegistrationToken* token) {                      \
        const HRESULT hr = Name.Add(handler, token);                                                         \
        State().Log("add_" #Name " " + std::to_string(token != nullptr ? token->value : 0));                 \
        return hr;                                                                                           \
    }                                                                                                        \
    HRESULT TTestWebView::remove_##Name(EventRegistrationToken token) {                                      \
        State().Log("remove_" #Name " " + std::to_string(token.value));                                      \
        return Name.Remove(token);                                                                           \
    }

VTR_TEST_EVENT(NavigationStarting, ICoreWebView2NavigationStartingEventHandler)
VTR_TEST_EVENT(ContentLoading, ICoreWebView2ContentLoadingEventHandler)
VTR_TEST_EVENT(SourceChanged, ICoreWebView2SourceChangedEventHandler)
VTR_TEST_EVENT(HistoryChanged, ICoreWebView2HistoryChangedEventHandler)
VTR_TEST_EVENT(NavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
VTR_TEST_EVENT(FrameNavigationStarting, ICoreWebView2NavigationStartingEventHandler)
VTR_TEST_EVENT(FrameNavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
VTR_TEST_EVENT(ScriptDialogOpening, ICoreWebView2ScriptDialogOpeningEventHandler)
VTR_TEST_EVENT(PermissionRequested, ICoreWebView2PermissionRequestedEventHandler)
VTR_TEST_EVENT(ProcessFailed, ICoreWebView2ProcessFailedEventHandler)
VTR_TEST_EVENT(WebMessageReceived, ICoreWebView2WebMessageReceivedEventHandler)
VTR_TEST_EVENT(NewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler)
VTR_TEST_EVENT(DocumentTitleChanged, ICoreWebView2DocumentTitleChangedEventHandler)
VTR_TEST_EVENT(ContainsFullScreenElementChanged, ICoreWebView2ContainsFullScreenElementChangedEventHandler)
VTR_TEST_EVENT(WebResourceRequested, ICoreWebView2WebResourceRequestedEventHandler)
VTR_TEST_EVENT(WindowCloseRequested, ICoreWebView2WindowCloseRequestedEventHandler)

#undef VTR_TEST_EVENT

std::size_t TTestWebView::HandlerCount(const std::string& Event) {
    if (Event.rfind("DevToolsProtocolEventReceived:", 0) == 0) {
        const auto it = Receivers.find(Event.substr(Event.find(':') + 1));
        return it == Receivers.end() ? 0 : it->second->Handlers.Count();
    }
    const std::map<std::string, std::size_t> counts = {
        {"NavigationStarting", NavigationStarting.Count()},
        {"ContentLoading", ContentLoading.Count()},
        {"SourceChanged", SourceChanged.Count()},
        {"HistoryChanged", HistoryChanged.Count()},
        {"NavigationCompleted", NavigationCompleted.Count()},
        {"FrameNavigationStarting", FrameNavigationStarting.Count()},
        {"FrameNavigationCompleted", FrameNavigationCompleted.Count()},
        {"ScriptDialogOpening", ScriptDialogOpening.Count()},
        {"PermissionRequested", PermissionRequested.Count()},
        {"ProcessFailed", ProcessFailed.Count()},
        {"WebMessageReceived", WebMessageReceived.Count()},
        {"NewWindowRequested", NewWindowRequested.Count()},
        {"DocumentTitleChanged", DocumentTitleChanged.Count()},
        {"ContainsFullScreenElementChanged", ContainsFullScreenElementChanged.Count()},
        {"WebResourceRequested", WebResourceRequested.Count()},
        {"WindowCloseRequested", WindowCloseRequested.Count()},
    };
    const auto it = counts.find(Event);
    return it == counts.end() ? 0 : it->second;
}

nlohmann::json TTestWebView::Raise(const std::string& Event, const nlohmann::json& Args) {
    const ComPtr<TTestWebView> keep(this);
    nlohmann::json result = {{"raised", true}};
    const bool failReads = Args.value("failReads", false);
    if (Event == "NavigationStarting" || Event == "FrameNavigationStarting") {
        auto args = MakeCom<TNavigationStartingArgs>();
        args->Uri = Args.value("uri", "");
        (Event == "NavigationStarting" ? NavigationStarting : FrameNavigationStarting)
            .Raise(this, args.Get());
        result["cancel"] = args->Cancel;
    } else if (Event == "NavigationCompleted" || Event == "FrameNavigationCompleted") {
        auto args = MakeCom<TTestNavigationCompletedArgs>();
        args->FailReads = failReads;
        args->IsSuccess = Args.value("isSuccess", false) ? 1 : 0;
        args->Status = static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(Args.value("webErrorStatus", 0u));
        (Event == "NavigationCompleted" ? NavigationCompleted : FrameNavigationCompleted)
            .Raise(this, args.Get());
        result["reads"] = args->Reads;
    } else if (Event == "SourceChanged") {
        auto args = MakeCom<TTestSourceChangedArgs>();
        args->FailReads = failReads;
        args->IsNewDocument = Args.value("isNewDocument", false) ? 1 : 0;
        SourceChanged.Raise(this, args.Get());
        result["reads"] = args->Reads;
    } else if (Event == "HistoryChanged") {
        HistoryChanged.Raise(this, nullptr);
    } else if (Event == "ContentLoading") {
        auto args = MakeCom<TTestContentLoadingArgs>();
        args->FailReads = failReads;
        args->IsErrorPage = Args.value("isErrorPage", false) ? 1 : 0;
        args->NavigationId = Args.value("navigationId", UINT64{0});
        ContentLoading.Raise(this, args.Get());
        result["reads"] = args->Reads;
    } else if (Event == "DocumentTitleChanged") {
        DocumentTitleChanged.Raise(this, nullptr);
    } else if (Event == "NewWindowRequested") {
        auto args = MakeCom<TNewWindowRequestedArgs>();
        args->Uri = Args.value("uri", "");
        NewWindowRequested.Raise(this, args.Get());
        result["handled"] = args->Handled;
    } else if (Event == "WebResourceRequested") {
        auto request = MakeCom<TWebResourceRequest>();
        request->Uri = Args.value("uri", "");
        auto args = MakeCom<TWebResourceRequestedArgs>();
        args->Request = request;
        WebResourceRequested.Raise(this, args.Get());
        result["response"] = static_cast<bool>(args->Response);
        if (args->Response) {
            int status = 0;
            args->Response->get_StatusCode(&status);
            result["status"] = status;
            result["reason"] = TakeString([&] {
                LPSTR text = nullptr;
                args->Response->get_ReasonPhrase(&text);
                return text;
            }());
            result["headers"] = TakeString([&] {
                LPSTR text = nullptr;
                args->Response->get_Headers(&text);
                return text;
            }());
            ComPtr<IStream> content;
            args->Response->get_Content(content.ReleaseAndGetAddressOf());
            std::string body;
            if (content) {
                ReadToEnd(content.Get(), body);
            }
            result["content"] = body;
        }
    } else if (Event == "ScriptDialogOpening") {
        auto args = MakeCom<TScriptDialogOpeningArgs>();
        args->Message = Args.value("message", "");
        ScriptDialogOpening.Raise(this, args.Get());
        result["accepted"] = args->Accepted;
    } else if (Event == "PermissionRequested") {
        auto args = MakeCom<TPermissionRequestedArgs>();
        args->Kind = static_cast<COREWEBVIEW2_PERMISSION_KIND>(Args.value("kind", 0u));
        PermissionRequested.Raise(this, args.Get());
        result["state"] = args->State;
    } else if (Event == "ProcessFailed") {
        auto args = MakeCom<TTestProcessFailedArgs>();
        args->FailReads = failReads;
        args->Kind = static_cast<COREWEBVIEW2_PROCESS_FAILED_KIND>(Args.value("kind", 1u));
        ProcessFailed.Raise(this, args.Get());
        result["reads"] = args->Reads;
    } else if (Event == "WebMessageReceived") {
        auto args = MakeCom<TWebMessageReceivedArgs>();
        args->Json = Args.value("json", "null");
        const auto parsed = nlohmann::json::parse(args->Json, nullptr, false);
        args->IsString = parsed.is_string();
        if (args->IsString) {
            args->StringValue = parsed.get<std::string>();
        }
        WebMessageReceived.Raise(this, args.Get());
    } else if (Event == "ContainsFullScreenElementChanged") {
        ContainsFullScreenElementChanged.Raise(this, nullptr);
    } else if (Event == "WindowCloseRequested") {
        WindowCloseRequested.Raise(this, nullptr);
    } else if (Event.rfind("DevToolsProtocolEventReceived:", 0) == 0) {
        const auto it = Receivers.find(Event.substr(Event.find(':') + 1));
        if (it == Receivers.end()) {
            return {{"raised", false}};
        }
        auto args = MakeCom<TDevToolsProtocolEventReceivedArgs>();
        args->ParameterObjectAsJson = Args.value("json", "{}");
        it->second->Handlers.Raise(this, args.Get());
    } else {
        return {{"raised", false}};
    }
    return result;
}

} // namespace WebView2::TestEngine
