#pragma once

// Loads an engine library from a path and resolves its exports. Used by the host control and
// the runtime gate; start-up probes an extracted engine in a child process before using it.

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

// Whether the engine at Path can serve this program (it loads, has every export and is new
// enough), asked of a child process so that the library never enters this one: loading a
// library runs its code, and one loaded here could not be replaced safely while this process
// runs (a later load of the same path would get it back). Not usable when the child cannot be
// started, fails or takes longer than a few seconds. The child is this program started again:
// its main must call AnswerEngineProbe first.
bool IsUsableEngine(const std::string& Path);

// The child's side of IsUsableEngine: in a process started to probe an engine, loads it and
// ends the process with the answer; in any other process returns at once.
void AnswerEngineProbe();

// Probes the engine at Path: the version text of the browser it finds usable, or empty when
// the engine cannot be loaded or reports none.
std::string GetAvailableBrowserVersion(const std::string& Path);

} // namespace WebView2
