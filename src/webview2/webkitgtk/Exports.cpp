// The engine library's exports: the three loader functions and the ABI version.

#include "webview2/webkitgtk/Engine.h"

#include "base/glib/GuiPost.h"

#include <gtk/gtk.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

// On the GUI thread.
void CompleteEnvironment(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* Handler,
                         const std::string& DataFolder) {
    HRESULT hr = S_OK;
    ComPtr<TEnvironment> environment;
    if (gdk_display_get_default() == nullptr) {
        std::fprintf(stderr, "vtr: the browser engine needs a display\n");
        hr = E_FAIL;
    } else if (!DataFolder.empty() && g_mkdir_with_parents(DataFolder.c_str(), 0700) != 0) {
        hr = HResultFromWin32(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
    } else {
        environment = MakeCom<TEnvironment>(ContextForDataFolder(DataFolder));
    }
    Handler->Invoke(hr, environment.Get());
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
    const char* folder = std::getenv("WEBVIEW2_USER_DATA_FOLDER");
    Base::GLib::PostToGuiThread([handler = ComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
                                     environmentCreatedHandler),
                                 dataFolder = std::string(folder != nullptr ? folder : "")] {
        CompleteEnvironment(handler.Get(), dataFolder);
    });
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
