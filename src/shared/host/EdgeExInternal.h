#pragma once

// The host control's private helpers, shared by its source files.

#include "shared/host/EdgeEx.h"

#include <cstdio>
#include <exception>

namespace Shared {

// The loader library of the module, loaded on first use (EdgeEx.cpp).
HRESULT
LoaderCreateEnvironment(WebView2::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* Handler);
HRESULT LoaderGetBrowserVersion(WebView2::LPCSTR BrowserExecutableFolder, WebView2::LPSTR* VersionInfo);

// A handler object for the browser whose Invoke runs Body(control, args...) while the control
// exists, and always answers S_OK.
template <class THandler, class F>
WebView2::ComPtr<THandler> TCustomEdgeBrowser::Handler(F Body) {
    return WebView2::Callback<THandler>([Shared = FShared, Body](auto... Args) -> HRESULT {
        // Control changes only on the GUI thread, where the browser's events arrive.
        if (TCustomEdgeBrowser* control = Shared->Control) {
            Body(*control, Args...);
        }
        return WebView2::S_OK;
    });
}

// Calls an event handler of the owner; what it throws stops here.
template <class F>
void TCustomEdgeBrowser::Raise(const char* Event, F&& Call) {
    try {
        Call();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vtr: error in the %s handler: %s\n", Event, e.what());
    } catch (...) {
        std::fprintf(stderr, "vtr: unknown error in the %s handler\n", Event);
    }
}

} // namespace Shared
