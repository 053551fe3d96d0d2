// The engine library's exports: the three loader functions and the ABI version.

#include "webview2/webkitgtk/Engine.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace WebView2;
using namespace WebView2::WebKitGtk;

namespace {

HRESULT VersionString(LPCSTR BrowserExecutableFolder, LPSTR* VersionInfo) {
    if (VersionInfo == nullptr) {
        return E_POINTER;
    }
    *VersionInfo = nullptr;
    const HRESULT usable = CheckWebKitUsable(BrowserExecutableFolder);
    if (Failed(usable)) {
        return usable;
    }
    return OutString(WebKitVersionText(), VersionInfo);
}

struct TEnvironmentRequest {
    ComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> Handler;
    std::string DataFolder;
};

gboolean CompleteEnvironment(gpointer Data) {
    const std::unique_ptr<TEnvironmentRequest> request(static_cast<TEnvironmentRequest*>(Data));
    HRESULT hr = S_OK;
    ComPtr<TEnvironment> environment;
    try {
        if (gdk_display_get_default() == nullptr) {
            std::fprintf(stderr, "vtr: the browser engine needs a display\n");
            hr = E_FAIL;
        } else if (!request->DataFolder.empty() &&
                   g_mkdir_with_parents(request->DataFolder.c_str(), 0700) != 0) {
            hr = HResultFromWin32(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
        } else {
            environment = MakeCom<TEnvironment>(ContextForDataFolder(request->DataFolder));
        }
        request->Handler->Invoke(hr, environment.Get());
    } catch (...) {
        ReportBoundaryException("environment creation");
    }
    return G_SOURCE_REMOVE;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) UINT32 VtrEngineAbiVersion() {
    return EngineAbiVersion;
}

// May be called on any thread: the environment is made on the GUI thread (the one that runs
// the default main loop), where the completion arrives.
__attribute__((visibility("default"))) HRESULT CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    if (environmentCreatedHandler == nullptr) {
        return E_POINTER;
    }
    const HRESULT usable = CheckWebKitUsable(nullptr);
    if (Failed(usable)) {
        return usable;
    }
    auto request = std::make_unique<TEnvironmentRequest>();
    request->Handler = environmentCreatedHandler;
    if (const char* folder = std::getenv("WEBVIEW2_USER_DATA_FOLDER")) {
        request->DataFolder = folder;
    }
    g_idle_add(CompleteEnvironment, request.release());
    return S_OK;
}

__attribute__((visibility("default"))) HRESULT
GetCoreWebView2BrowserVersionString(LPCSTR browserExecutableFolder, LPSTR* versionInfo) {
    return VersionString(browserExecutableFolder, versionInfo);
}

__attribute__((visibility("default"))) HRESULT
GetAvailableCoreWebView2BrowserVersionString(LPCSTR browserExecutableFolder, LPSTR* versionInfo) {
    return VersionString(browserExecutableFolder, versionInfo);
}

} // extern "C"
