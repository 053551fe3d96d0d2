#include "shared/host/EdgeEx.h"
#include "shared/host/EdgeExInternal.h"

#include "platform/GuiThread.h"
#include "platform/ProcessHandle.h"
#include "webview2/Loader.h"

#include <cmath>
#include <thread>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

// The host control's creation and lifecycle: the loader, the three creation steps across the
// worker thread and the GUI thread, closing, re-creation, bounds and visibility.

namespace Shared {

using namespace WebView2;

namespace {

struct TModule {
    std::mutex Lock;
    std::string LoaderLibraryPath;
    std::unique_ptr<TEngineLibrary> Loader;

    ~TModule() { Finalize(); }
    void Finalize() {
        std::lock_guard<std::mutex> guard(Lock);
        Loader.reset();
        LoaderLibraryPath.clear();
    }
};

TModule& Module() {
    static TModule module;
    return module;
}

// The unit's initialisation: every floating-point exception of the processor is masked, as
// the browser engine expects of the code that hosts it.
[[maybe_unused]] const bool FloatingPointExceptionsMasked = [] {
#if defined(__SSE__)
    _mm_setcsr(_mm_getcsr() | 0x1F80u);
#endif
    return true;
}();

// The loader library, loaded on the first call that needs it, and again on every call until
// a load succeeds.
TEngineLibrary* EnsureLoader() {
    TModule& module = Module();
    std::lock_guard<std::mutex> guard(module.Lock);
    if (!module.Loader) {
        module.Loader = TEngineLibrary::Load(module.LoaderLibraryPath);
    }
    return module.Loader.get();
}

} // namespace

std::string LoaderLibraryPath() {
    std::lock_guard<std::mutex> guard(Module().Lock);
    return Module().LoaderLibraryPath;
}

void SetLoaderLibraryPath(const std::string& Path) {
    std::lock_guard<std::mutex> guard(Module().Lock);
    Module().LoaderLibraryPath = Path;
}

void FinalizeEdgeEx() {
    Module().Finalize();
}

HRESULT LoaderCreateEnvironment(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* Handler) {
    TEngineLibrary* loader = EnsureLoader();
    return loader != nullptr ? loader->CreateCoreWebView2Environment(Handler) : E_FAIL;
}

HRESULT LoaderGetBrowserVersion(LPCSTR BrowserExecutableFolder, LPSTR* VersionInfo) {
    TEngineLibrary* loader = EnsureLoader();
    return loader != nullptr
               ? loader->GetCoreWebView2BrowserVersionString(BrowserExecutableFolder, VersionInfo)
               : E_FAIL;
}

// ---- Construction --------------------------------------------------------------------------

TCustomEdgeBrowser::TCustomEdgeBrowser() : FShared(std::make_shared<TShared>()) {
    FShared->Control = this;
}

TCustomEdgeBrowser::~TCustomEdgeBrowser() {
    CloseWebView();
    // The worker thread and handlers still held by the browser find no control from here on.
    std::lock_guard<std::mutex> guard(FShared->CritSec);
    FShared->Control = nullptr;
}

bool TCustomEdgeBrowser::RecordHResult(TShared& Shared, HRESULT hr) {
    std::lock_guard<std::mutex> guard(Shared.CritSec);
    Shared.LastErrorCode = hr;
    return hr >= 0;
}

bool TCustomEdgeBrowser::RecordHResult(HRESULT hr) {
    return RecordHResult(*FShared, hr);
}

HRESULT TCustomEdgeBrowser::LastErrorCode() const {
    std::lock_guard<std::mutex> guard(FShared->CritSec);
    return FShared->LastErrorCode;
}

bool TCustomEdgeBrowser::WebViewCreated() const {
    return FWebViewEnvironment && FWebViewController && FWebView && FWebViewSettings;
}

// ---- Creation ------------------------------------------------------------------------------

void TCustomEdgeBrowser::CreateWebView() {
    if (FWebView || FBrowserControlState == TBrowserControlState::Creating) {
        return;
    }
    FBrowserControlState = TBrowserControlState::Creating;
    // The parts of InitializeWebView that touch the browser or the control's fields run here,
    // on the GUI thread; the worker thread only asks the loader for the environment.
    CloseWebView();
    FSizeRatio = 1.0;
    FWebViewFocusEventActive = false;
    // The library is loaded here, on the GUI thread: loading it on the worker while GTK loads
    // its own modules deadlocks the dynamic loader's lock against GModule's.
    EnsureLoader();
    std::thread([Shared = FShared] { CallEnvironment(Shared); }).detach();
}

void TCustomEdgeBrowser::ReinitializeWebView() {
    InitializeWebView();
}

void TCustomEdgeBrowser::ReinitializeWebViewWithNewBrowser() {
    CloseBrowserProcess();
    ReinitializeWebView();
}

void TCustomEdgeBrowser::InitializeWebView() {
    CloseWebView();
    FSizeRatio = 1.0;
    FWebViewFocusEventActive = false;
    CallEnvironment(FShared);
}

void TCustomEdgeBrowser::CallEnvironment(const std::shared_ptr<TShared>& Shared) {
    const auto handler = Callback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        [Shared](HRESULT AResult, ICoreWebView2Environment* Environment) {
            CreateEnvironmentCompleted(Shared, AResult, Environment);
            return S_OK;
        });
    const HRESULT hr = LoaderCreateEnvironment(handler.Get());
    if (!RecordHResult(*Shared, hr)) {
        Platform::RunOnGuiThread([Shared, hr] {
            if (TCustomEdgeBrowser* control = Shared->Control) {
                control->RaiseCreateWebViewCompleted(hr);
            }
        });
    }
}

void TCustomEdgeBrowser::CreateEnvironmentCompleted(const std::shared_ptr<TShared>& Shared, HRESULT AResult,
                                                    ICoreWebView2Environment* Environment) {
    // May run on any thread: it touches nothing of the control but the lock-guarded result.
    if (!RecordHResult(*Shared, AResult) || Environment == nullptr) {
        Platform::RunOnGuiThread([Shared, AResult] {
            if (TCustomEdgeBrowser* control = Shared->Control) {
                control->RaiseCreateWebViewCompleted(Failed(AResult) ? AResult : E_POINTER);
            }
        });
        return;
    }
    const ComPtr<ICoreWebView2Environment> environment(Environment);
    Platform::RunOnGuiThread([Shared, environment] {
        TCustomEdgeBrowser* control = Shared->Control;
        if (control == nullptr) {
            return;
        }
        control->FWebViewEnvironment = environment;
        const auto completed = control->Handler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
            [](TCustomEdgeBrowser& c, HRESULT Result, ICoreWebView2Controller* Controller) {
                c.CreateCoreWebView2ControllerCompleted(Result, Controller);
            });
        control->RecordHResult(environment->CreateCoreWebView2Controller(control->Handle(), completed.Get()));
    });
}

void TCustomEdgeBrowser::CreateCoreWebView2ControllerCompleted(HRESULT AResult,
                                                               ICoreWebView2Controller* Controller) {
    bool created = RecordHResult(AResult);
    if (created) {
        FWebViewController = Controller;
        created = RecordHResult(Controller != nullptr
                                    ? Controller->get_CoreWebView2(FWebView.ReleaseAndGetAddressOf())
                                    : E_POINTER);
    }
    if (created) {
        created = RecordHResult(FWebView->get_Settings(FWebViewSettings.ReleaseAndGetAddressOf()));
    }
    if (!created) {
        FBrowserControlState = TBrowserControlState::Failed;
        const HRESULT error = LastErrorCode();
        if (OnCreateWebViewCompleted) {
            RaiseCreateWebViewCompleted(error);
        } else {
            // Reported by the application's handling of uncaught errors, outside the browser's call.
            Platform::QueueOnGuiThread([error] { throw EEdgeError(SEdgeCreateFailed, error); });
        }
        return;
    }
    FBrowserControlState = TBrowserControlState::Created;
    // The owner applies its settings and starts its first navigation in this handler, before
    // any event is subscribed.
    RaiseCreateWebViewCompleted(AResult);
    if (FWebView && FWebViewController) {
        Subscribe();
    }
    UpdateBounds();
    if (!FLastURL.empty()) {
        Navigate(FLastURL);
    }
}

void TCustomEdgeBrowser::RaiseCreateWebViewCompleted(HRESULT AResult) {
    if (OnCreateWebViewCompleted) {
        Raise("OnCreateWebViewCompleted", [&] { OnCreateWebViewCompleted(this, AResult); });
    }
}

// ---- Closing -------------------------------------------------------------------------------

void TCustomEdgeBrowser::CloseWebView() {
    if (FWebView) {
        const ComPtr<ICoreWebView2> webView = FWebView;
        RemoveSubscriptions(TEventSource::WebView, webView.Get());
        for (const auto& [name, token] : FDevToolsProtocolEventReceivedTokenMap) {
            ComPtr<ICoreWebView2DevToolsProtocolEventReceiver> receiver;
            if (RecordHResult(webView->GetDevToolsProtocolEventReceiver(name.c_str(),
                                                                        receiver.ReleaseAndGetAddressOf()))) {
                receiver->remove_DevToolsProtocolEventReceived(token);
            }
        }
        FDevToolsProtocolEventReceivedTokenMap.clear();
        FWebView = nullptr;
    }
    if (FWebViewController) {
        const ComPtr<ICoreWebView2Controller> controller = FWebViewController;
        RemoveSubscriptions(TEventSource::Controller, controller.Get());
        controller->Close();
        FWebViewController = nullptr;
    }
}

void TCustomEdgeBrowser::RemoveSubscriptions(TEventSource Source, IUnknown* Object) {
    for (const TSubscription& subscription : FSubscriptions) {
        if (subscription.Remove && subscription.Source == Source) {
            subscription.Remove(Object, subscription.Token);
        }
    }
}

std::uint32_t TCustomEdgeBrowser::BrowserProcessID() {
    if (!FWebView) {
        return 0;
    }
    UINT32 id = 0;
    return RecordHResult(FWebView->get_BrowserProcessId(&id)) ? id : 0;
}

void TCustomEdgeBrowser::CloseBrowserProcess() {
    const std::uint32_t processId = BrowserProcessID();
    // Opened before the WebView closes, so the handle is bound to that very process.
    auto process = processId != 0 && processId != Platform::CurrentProcessId()
                       ? Platform::TProcessHandle::Open(processId)
                       : nullptr;
    CloseWebView();
    if (process && !process->WaitForExit(2000)) {
        process->Terminate();
    }
}

// ---- Window, bounds and visibility ---------------------------------------------------------

void TCustomEdgeBrowser::SetParent(Forms::TWinControl* AParent) {
    TWinControl::SetParent(AParent);
    if (AParent != nullptr) {
        CreateWebView();
    }
}

void TCustomEdgeBrowser::CreateWnd() {
    TWinControl::CreateWnd();
    // A window made anew gets a new WebView; the old one is closed first.
    if (FWebView) {
        ReinitializeWebView();
    }
}

void TCustomEdgeBrowser::Resize() {
    TWinControl::Resize();
    UpdateBounds();
}

void TCustomEdgeBrowser::SetSizeRatio(double Value) {
    FSizeRatio = Value;
    UpdateBounds();
}

void TCustomEdgeBrowser::UpdateBounds() {
    if (!FWebViewController) {
        return;
    }
    const Forms::TRect client = ClientRect();
    RECT bounds;
    bounds.left = client.Left;
    bounds.top = client.Top;
    bounds.right =
        static_cast<std::int32_t>(std::trunc((client.Right - client.Left) * FSizeRatio + client.Left));
    bounds.bottom =
        static_cast<std::int32_t>(std::trunc((client.Bottom - client.Top) * FSizeRatio + client.Top));
    RecordHResult(FWebViewController->put_Bounds(bounds));
}

void TCustomEdgeBrowser::VisibleChanged() {
    TWinControl::VisibleChanged();
    if (FWebViewController) {
        RecordHResult(FWebViewController->put_IsVisible(Visible() ? 1 : 0));
    }
}

void TCustomEdgeBrowser::WMSysCommand(unsigned Command) {
    if (!FWebViewController) {
        return;
    }
    if (Command == Forms::SC_MINIMIZE) {
        RecordHResult(FWebViewController->put_IsVisible(0));
    } else if (Command == Forms::SC_RESTORE) {
        RecordHResult(FWebViewController->put_IsVisible(1));
    }
}

} // namespace Shared
