// The test engine's exports: the loader functions, the ABI version and the control object.

#include "webview2/testengine/TestEngine.h"

#include "base/glib/GuiPost.h"

#include <chrono>
#include <thread>

using namespace WebView2;
using namespace WebView2::TestEngine;

namespace {

HRESULT Version(LPSTR* VersionInfo) {
    if (VersionInfo == nullptr) {
        return E_POINTER;
    }
    *VersionInfo = nullptr;
    const std::string version = TState::Instance().Version();
    if (version.empty()) {
        return HResultFromWin32(ERROR_FILE_NOT_FOUND);
    }
    return OutString(version, VersionInfo);
}

void Complete(const ComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>& Handler) {
    const HRESULT hr = TState::Instance().Failure(FailEnvironmentCompletion);
    ComPtr<TTestEnvironment> environment;
    if (Succeeded(hr)) {
        environment = MakeCom<TTestEnvironment>();
    }
    Handler->Invoke(hr, environment.Get());
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) UINT32 VtrEngineAbiVersion() {
    return EngineAbiVersion;
}

__attribute__((visibility("default"))) HRESULT CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    TState& state = TState::Instance();
    state.RecordEnvironmentThread();
    state.Log("CreateCoreWebView2Environment");
    if (const HRESULT hr = state.Failure(FailEnvironmentCall); Failed(hr)) {
        return hr;
    }
    if (environmentCreatedHandler == nullptr) {
        return E_POINTER;
    }
    const ComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> handler(
        environmentCreatedHandler);
    switch (state.CompletionThread()) {
    case CompleteOnCallingThread:
        Complete(handler);
        break;
    case CompleteOnGuiThread:
        Base::GLib::PostToGuiThread([handler] { Complete(handler); });
        break;
    case CompleteOnOtherThread:
        // Like a browser process answering later, from a thread of its own.
        std::thread([handler] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            Complete(handler);
        }).detach();
        break;
    }
    return S_OK;
}

__attribute__((visibility("default"))) HRESULT GetCoreWebView2BrowserVersionString(LPCSTR,
                                                                                   LPSTR* versionInfo) {
    return Version(versionInfo);
}

__attribute__((visibility("default"))) HRESULT
GetAvailableCoreWebView2BrowserVersionString(LPCSTR, LPSTR* versionInfo) {
    return Version(versionInfo);
}

__attribute__((visibility("default"))) ITestEngineControl* VtrTestEngineControl() {
    return &TState::Instance();
}

} // extern "C"
