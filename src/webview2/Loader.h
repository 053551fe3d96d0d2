#pragma once

// Loads an engine library from a path and resolves its exports. Used by the host control,
// by start-up (to extract, probe and replace the engine) and by the runtime gate.

#include "webview2/WebView2.h"

#include <memory>
#include <string>

namespace WebView2 {

class TEngineLibrary {
public:
    // The engine at Path, or null when the file cannot be loaded, lacks one of the three
    // loader exports or VtrEngineAbiVersion, or is older than EngineAbiVersion. Error (when
    // given) then says why.
    static std::unique_ptr<TEngineLibrary> Load(const std::string& Path, std::string* Error = nullptr);

    ~TEngineLibrary();
    TEngineLibrary(const TEngineLibrary&) = delete;
    TEngineLibrary& operator=(const TEngineLibrary&) = delete;

    HRESULT
    CreateCoreWebView2Environment(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* Handler) const;
    HRESULT GetCoreWebView2BrowserVersionString(LPCSTR BrowserExecutableFolder, LPSTR* VersionInfo) const;
    HRESULT GetAvailableCoreWebView2BrowserVersionString(LPCSTR BrowserExecutableFolder,
                                                         LPSTR* VersionInfo) const;
    UINT32 AbiVersion() const { return FAbiVersion; }
    const std::string& Path() const { return FPath; }
    // Any other export (a test engine's control functions); null when absent.
    void* Symbol(const char* Name) const;

private:
    struct TImpl;
    explicit TEngineLibrary(std::unique_ptr<TImpl> Impl);

    std::unique_ptr<TImpl> FImpl;
    std::string FPath;
    UINT32 FAbiVersion = 0;
    CreateCoreWebView2EnvironmentFunc FCreateEnvironment = nullptr;
    GetCoreWebView2BrowserVersionStringFunc FGetVersion = nullptr;
    GetAvailableCoreWebView2BrowserVersionStringFunc FGetAvailableVersion = nullptr;
};

// Probes the engine at Path: the version text of the browser it finds usable, or empty when
// the engine cannot be loaded or reports none.
std::string GetAvailableBrowserVersion(const std::string& Path);

} // namespace WebView2
